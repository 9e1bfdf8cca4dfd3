// aquarium-batch as a process: its report, trace, statistics and standard error against the
// core driven in this process; its refusals and failed writes.
#include "LotTest.h"
#include "Scenario.h"
#include "Tick.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>

using nlohmann::json;

namespace {

using Lot = LotTest;

// The fields of a trace line as raw bytes, in the order in which empreinteMonde() hashes them:
// the line gives back the world's hash only if it holds every field, each float to the bit.
std::uint64_t empreinteDeLaTrace(const std::string& ligne) {
    std::string octets;
    const auto brut = [&](auto valeur) {
        octets.append(reinterpret_cast<const char*>(&valeur), sizeof valeur);
    };
    const auto organisme = [&](const json& o) {
        brut(o.at("id").get<int>());
        for (const char* cle : {"pos", "vel"}) {
            for (const json& f : o.at(cle))
                brut(f.get<float>());
        }
        for (std::size_t axe = 0; axe < 3; ++axe) {
            brut(o.at("turning").at(axe).get<bool>());
            brut(o.at("remaining").at(axe).get<float>());
        }
    };
    const std::vector<std::string> genres = {"NORMAL", "GENTIL", "AGA"};
    const json etat = json::parse(ligne);
    brut(etat.at("tick").get<int>());
    brut(etat.at("compteurOrganisme").get<int>());
    for (const json& s : etat.at("speedbricks")) {
        organisme(s);
        brut(static_cast<int>(std::find(genres.begin(), genres.end(), s.at("kind")) -
                              genres.begin()));
        for (const char* cle : {"sexe", "age", "invincible", "sterile", "nextRing"})
            brut(s.at(cle).get<int>());
        for (const json& g : s.at("genome"))
            brut(g.get<int>());
        for (const json& a : s.at("rings")) {
            brut(a.at(0).get<int>());
            for (std::size_t i = 1; i < 4; ++i)
                brut(a.at(i).get<float>());
        }
    }
    for (const json& c : etat.at("cutits"))
        organisme(c);
    return fnv1a(octets);
}

struct Evenements {
    long naissances = 0;
    long scissions = 0;
    long morts = 0;
};

// The statistics row of a tick, counted from the registry and the tick's report alone: births
// and splits are its lines, deaths what the registry lost beyond them.
std::string rangee(int tick, long avant, const std::string& rapport, Evenements& total) {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    long genre[3] = {}, sexe[3] = {}, anneaux = 0;
    for (const C_SPEEDBRICK* s : monde->speedbricks()) {
        genre[s->getGenre()]++;
        sexe[s->getSexe()]++;
        anneaux += s->getNombreAnneaux();
    }
    const long vivants = static_cast<long>(monde->speedbricks().size());
    const Evenements e{compterLignes(rapport, "B\xe9"
                                              "b\xe9 speedbrick "),
                       compterLignes(rapport, " d'une scission."), 0};
    const long morts = avant + e.naissances + e.scissions - vivants;
    total = {total.naissances + e.naissances, total.scissions + e.scissions, total.morts + morts};
    char ligne[256];
    std::snprintf(ligne, sizeof ligne, "%d,%ld,%ld,%ld,%ld,%ld,%ld,%ld,%ld,%zu,%ld,%ld,%ld", tick,
                  vivants, genre[GENRE_NORMAL], genre[GENRE_GENTIL], genre[GENRE_AGA], sexe[MALE],
                  sexe[FEMELLE], sexe[INDETERMINE], anneaux, monde->cutits().size(), e.naissances,
                  e.scissions, morts);
    return ligne;
}

} // namespace

// Seed 26 with 10 founders and 3 shoals: births of every kind and splits, then the founders'
// deaths at tick 3000. Dumps at 0, each 1000th tick and the last, 3005. The chart draws the
// statistics.
TEST_F(Lot, RapportTraceStatistiquesEtBilanDUneGraine) {
    const std::string course = "--seed 26 --ticks 3005 --founders 10 --shoals 3 --state-every 1000";
    const Issue lot = lancer(course + " --state @t.jsonl --stats @s.csv");
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    const std::vector<std::string> trace = lignes(lireFichier(chemin("t.jsonl")));
    const std::vector<std::string> stats = lignes(lireFichier(chemin("s.csv")));
    ASSERT_EQ(trace.size(), 5u);
    ASSERT_EQ(stats.size(), 3006u);
    EXPECT_EQ(stats[0], "tick,speedbricks,normal,gentil,aga,male,female,undecided,rings,cutits,"
                        "births,splits,deaths");

    Console console;
    const C_AQUARIUM* monde = demarrerMonde(26, 10, 3);
    std::string rapport = console.prendre();
    EXPECT_EQ(empreinteDeLaTrace(trace[0]), empreinteMonde()) << "tick 0";
    Evenements total;
    for (int tick = 1; tick <= 3005; ++tick) {
        const long avant = static_cast<long>(monde->speedbricks().size());
        avancerTick();
        const std::string duTick = console.prendre();
        rapport += duTick;
        ASSERT_EQ(stats[static_cast<std::size_t>(tick)], rangee(tick, avant, duTick, total));
        if (tick % 1000 == 0 || tick == 3005) {
            EXPECT_EQ(empreinteDeLaTrace(trace[tick / 1000 + (tick == 3005)]), empreinteMonde())
                << "tick " << tick;
        }
    }
    EXPECT_EQ(lot.sortie, rapport);
    EXPECT_GT(total.morts * total.scissions, 0);
    const std::vector<std::string> erreurs = lignes(lot.erreurs);
    ASSERT_EQ(erreurs.size(), 2u) << lot.erreurs;
    EXPECT_EQ(erreurs[0], "aquarium-batch: seed 26");
    EXPECT_EQ(erreurs[1].rfind("aquarium-batch: 3005 ticks in ", 0), 0u) << erreurs[1];
    const std::vector<std::string> f = lignes(stats.back(), ',');
    const std::string fin =
        " s; " + f.at(1) + " speedbricks alive (normal " + f.at(2) + ", gentil " + f.at(3) +
        ", aga " + f.at(4) + "); births " + std::to_string(total.naissances) + ", splits " +
        std::to_string(total.scissions) + ", deaths " + std::to_string(total.morts);
    EXPECT_NE(erreurs[1].find(fin), std::string::npos) << erreurs[1] << "\n" << fin;
    detruireMonde();

    const Issue muet = lancer(course + " --quiet --state @muet.jsonl");
    EXPECT_EQ(muet.statut, 0);
    EXPECT_EQ(muet.sortie, "");
    EXPECT_EQ(lireFichier(chemin("muet.jsonl")), lireFichier(chemin("t.jsonl")));

    // With no output to hand a census to, the run takes one at its end alone: the same bilan.
    const Issue seul = lancer("--seed 26 --ticks 3005 --founders 10 --shoals 3 --quiet");
    EXPECT_NE(seul.erreurs.find(fin), std::string::npos) << seul.erreurs << "\n" << fin;

    const Issue graphique = executer({AQUARIUM_CHART, chemin("s.csv"), chemin("s.png")});
    EXPECT_EQ(graphique.statut, 0) << graphique.erreurs;
    EXPECT_EQ(lireFichier(chemin("s.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

// Seed 2 in a small tank, past 1,000 speedbricks: the HDF5 trace holds the JSON Lines trace's
// every value, read back by h5py, and its attributes the seed and the settings.
TEST_F(Lot, TraceHdf5EgaleTraceJsonLines) {
    const std::string course = "--seed 2 --ticks 2550 --tank 512,201,512 --time-unit 100 "
                               "--lifespan 25 --sterility 110 --shoal-size 5 --state-every 50 "
                               "--quiet --state ";
    ASSERT_EQ(lancer(course + "@t.jsonl").statut, 0);
    ASSERT_EQ(lancer(course + "@t.h5").statut, 0);
    const Issue comparaison = executer({AQUARIUM_COMPARE, chemin("t.h5"), chemin("t.jsonl")});
    EXPECT_EQ(comparaison.statut, 0) << comparaison.erreurs;
    EXPECT_GT(std::stol("0" + comparaison.sortie), 100000) << comparaison.sortie;
}

// Refused options and settings: status 2, one line naming the fault, nothing run, no file left
// behind and an existing file untouched. A write failing during the run: status 1 and the reason.
TEST_F(Lot, RefusEtEcrituresEnEchec) {
    struct Cas {
        std::string arguments;
        int statut;
        std::string motif;
        std::string sortieVers = "";
    };
    const std::string sorties = " --state @s.jsonl --stats @s.csv --summary @r.json";
    const auto nombre = [&](const std::string& option, const std::string& plage,
                            const std::string& valeur) {
        return Cas{option + " " + valeur + sorties, 2,
                   option + ": expects a whole number from " + plage + ", not '" + valeur +
                       "' (see --help)"};
    };
    const std::string ticks = "1 to 2147483647", effectif = "0 to 2147483647";
    std::vector<Cas> table = {
        nombre("--ticks", ticks, "abc"),
        nombre("--ticks", ticks, "0"),
        nombre("--ticks", ticks, "-5"),
        nombre("--ticks", ticks, "2147483648"),
        nombre("--state-every", ticks, "0"),
        nombre("--founders", effectif, "-1"),
        nombre("--shoals", effectif, "six"),
        nombre("--seed", "0 to 4294967295", "-1"),
        nombre("--seed", "0 to 4294967295", "4294967296"),
        nombre("--time-unit", ticks, "0"),
        nombre("--lifespan", ticks, "0"),
        nombre("--sterility", effectif, "-1"),
        nombre("--shoal-size", effectif, "-1"),
        {"--lifespan 20 --time-unit 107374183" + sorties, 2,
         "--lifespan: 20 time units of 107374183 ticks (--time-unit) exceed 2147483647 ticks"},
        {"--shoals 3 --shoal-size 715827876" + sorties, 2,
         "--shoal-size: 20 founders and 3 shoals of 715827876 cutits exceed 2147483647 creatures"},
        {"--state @s.jsonl --stats @s.csv --summary /tmp", 2, "--summary: '/tmp' is not a regular"},
        {"--stats @s.csv --summary @s.csv", 2, "--stats and --summary name the same file"},
        {"--bogus --state @s.jsonl", 2, "not expected: --bogus"},
        {"surplus --stats @s.csv", 2, "not expected: surplus"},
        {"--state-every 10 --stats @s.csv", 2, "--state-every requires --state"},
        {"--state @absent/s.jsonl --stats @s.csv", 2, "--state: cannot open"},
        {"--state @s.jsonl --stats @absent/s.csv", 2, "--stats: cannot open"},
        {"--state @vieux.csv --stats @absent/s.csv", 2, "--stats: cannot open"},
        {"--state @s.out --stats @./s.out", 2, "--state and --stats name the same"},
        {"--stats @s.csv --report @s.csv", 2, "--stats and --report name the same file"},
        {"--quiet --report @r.txt", 2, "--quiet excludes --report"},
        {"--ticks 50 --report /dev/full", 1, "cannot write '/dev/full': No space left"},
        {"--ticks 50 --state /dev/full", 1, "'/dev/full': No space left on device"},
        {"--ticks 50 --stats /dev/full", 1, "cannot write '/dev/full'"},
        {"--ticks 50", 1, "cannot write the console report to standard output", "/dev/full"},
        {"--state /dev/full --state-every 1", 1, "(run stopped at tick "},
    };
    for (const std::string tank : {"511,600,600", "600,200,600", "600,600,511", "600,16385,600",
                                   "600,600", "600,600,600,600", "-600,600,600", "a,b,c"}) {
        table.push_back({"--tank " + tank + sorties, 2,
                         "--tank: expects X,Y,Z: whole numbers, X and Z from 512 and Y from 201, "
                         "each up to 16384, not '" +
                             tank + "' (see --help)"});
    }
    for (const Cas& c : table) {
        std::filesystem::remove_all(dossier_);
        std::filesystem::create_directory(dossier_);
        std::ofstream(chemin("vieux.csv")) << "ancien\n";
        const Issue lot = lancer("--seed 1 " + c.arguments, c.sortieVers);
        EXPECT_EQ(lot.statut, c.statut) << c.motif;
        EXPECT_NE(lot.erreurs.find(c.motif), std::string::npos) << lot.erreurs << c.motif;
        EXPECT_EQ(lot.erreurs.find("speedbricks alive"), std::string::npos) << c.motif;
        if (c.statut == 2) verifierRefus(lot, "aquarium-batch: ");
        EXPECT_EQ(fichiers(), std::vector<std::string>{"vieux.csv"}) << c.motif;
        EXPECT_EQ(lireFichier(chemin("vieux.csv")), "ancien\n") << c.motif;
    }
}

// A trace whose directory vanished took every write into an inode nobody can reach: the run
// is held in its report, its trace already open, while the directory goes.
TEST_F(Lot, DossierDisparuPendantLaCourse) {
    std::filesystem::create_directory(dossier_ / "sous");
    Processus lot({commande("--seed 1 --ticks 1 --founders 400 --shoals 0 --state @sous/t.jsonl"),
                   "", 4096u});
    ASSERT_TRUE(lot.attendreEcrits(1, std::chrono::seconds(60))) << lot.erreurs();
    std::filesystem::remove_all(dossier_ / "sous");
    const Issue fin = *lot.attendreFin();
    EXPECT_EQ(fin.statut, 1);
    EXPECT_NE(fin.erreurs.find("sous/t.jsonl"), std::string::npos) << fin.erreurs;
}
