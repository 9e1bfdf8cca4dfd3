#include "LotTest.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

// Long runs stopped, saved and taken up again: joined, their files are the uninterrupted run's
// byte for byte.

namespace {

constexpr int kTicks = 3000;
constexpr int kPeriode = 100;

/// The files of one run of seed 1, every output on.
struct Fichiers {
    std::string rapport;
    std::string stats;
    std::string trace;
    bool operator==(const Fichiers& f) const {
        return rapport == f.rapport && stats == f.stats && trace == f.trace;
    }
    friend void PrintTo(const Fichiers& f, std::ostream* flux) {
        *flux << "report, stats and trace of FNV-1a " << fnv1a(f.rapport) << ", " << fnv1a(f.stats)
              << ", " << fnv1a(f.trace);
    }
};

std::string avecOctet(std::string octets, std::size_t position, char octet) {
    octets.at(position) = octet;
    return octets;
}

int tickDeLigne(const std::string& ligne) { return nlohmann::json::parse(ligne).at("tick"); }

// A stopped run's trace ends with its last tick, which the uninterrupted trace holds only when
// it is a dump tick: joining drops that line otherwise.
std::string partDeTrace(const std::string& trace) {
    const std::vector<std::string> l = lignes(trace);
    std::string part;
    for (std::size_t i = 0; i < l.size(); ++i) {
        const int tick = tickDeLigne(l[i]);
        if (i + 1 == l.size() && tick % kPeriode != 0 && tick != kTicks) break;
        part += l[i] + "\n";
    }
    return part;
}

// A resumed run writes no stats header: the files join as they are.
void joindre(Fichiers& tout, const Fichiers& part) {
    tout.rapport += part.rapport;
    tout.stats += part.stats;
    tout.trace += partDeTrace(part.trace);
}

class Reprise : public LotTest {
protected:
    static std::string sorties(const std::string& nom) {
        return " --state @" + nom + ".jsonl --state-every " + std::to_string(kPeriode) +
               " --stats @" + nom + ".csv --checkpoint @point --checkpoint-every 250";
    }
    Fichiers lireSorties(const std::string& nom, const Issue& issue) const {
        return {issue.sortie, lireFichier(chemin(nom + ".csv")),
                lireFichier(chemin(nom + ".jsonl"))};
    }
    /// One run with every output, which must succeed and say `recit`; `nom` names its files.
    Fichiers courir(const std::string& nom, const std::string& ligne,
                    const std::string& recit = "") {
        const Issue issue = lancer(ligne + sorties(nom));
        EXPECT_EQ(issue.statut, 0) << issue.erreurs;
        EXPECT_NE(issue.erreurs.find(recit), std::string::npos) << issue.erreurs;
        return lireSorties(nom, issue);
    }
    Fichiers ininterrompue() { return courir("entier", "--seed 1 --ticks 3000"); }
};

/// Runs with every output, taken up in place; the parameter is the trace's extension.
class EnPlace : public Reprise, public ::testing::WithParamInterface<std::string> {
protected:
    /// HDF5 dumps every tick, so that its whole chunks, compressed apart, are written between
    /// the ends of chunks that each checkpoint's push left half full.
    std::string sortiesEnPlace(const std::string& nom, const std::string& rapport) const {
        const std::string periode = GetParam() == "h5" ? "1" : "100";
        return " --state @" + nom + "." + GetParam() + " --state-every " + periode + " --stats @" +
               nom + ".csv --summary @" + nom + ".json --phylogeny @" + nom + ".phylo --report " +
               rapport + " --checkpoint @point --checkpoint-every 250";
    }
    /// Every output of one run: the report, the statistics, the trace, the summary without its
    /// wall time, the pedigree.
    std::vector<std::string> enPlace(const std::string& nom) const {
        nlohmann::json resume = nlohmann::json::parse(lireFichier(chemin(nom + ".json")));
        resume.erase("wallSeconds");
        return {lireFichier(chemin(nom + ".txt")), lireFichier(chemin(nom + ".csv")),
                traceLue(chemin(nom + "." + GetParam())), resume.dump(),
                lireFichier(chemin(nom + ".phylo"))};
    }
};

// Stops chosen from seed 1's run: 100, every founder invincible and some turning at a wall;
// 205, right after a birth; 375, right after a split; the bound of 40 speedbricks, passed at
// 1888 by a split (seed 1's run is pinned by the settings' golden test). Each part saves the
// checkpoint that the next takes up.
TEST_F(Reprise, UneCourseReprisePlusieursFoisEgaleLaCourseIninterrompue) {
    const Fichiers entier = ininterrompue();
    Fichiers joint;
    joindre(joint, courir("p1", "--seed 1 --ticks 100"));
    joindre(joint, courir("p2", "--resume @point --ticks 205"));
    joindre(joint, courir("p3", "--resume @point --ticks 375"));
    joindre(joint, courir("p4", "--resume @point --ticks 3000 --max-speedbricks 40",
                          "stopped at tick 1888, more than 40 speedbricks alive"));
    joindre(joint, courir("p5", "--resume @point"));
    EXPECT_EQ(joint, entier);
}

class Interruption : public Reprise, public ::testing::WithParamInterface<std::tuple<int, int>> {};

// Standard output is a pipe that takes the first half of the report's lines and then holds the
// run mid-tick, writing the next: the signal comes then, at the same point on every run.
TEST_P(Interruption, LaisseDesFichiersEntiersQuiSeJoignentALaReprise) {
    const auto [signal, statut] = GetParam();
    const Fichiers entier = ininterrompue();

    const std::size_t moitie = entier.rapport.find('\n', entier.rapport.size() / 2) + 1;
    Processus processus({commande("--seed 1 --ticks 3000" + sorties("p1")), "", moitie});
    ASSERT_TRUE(processus.attendreEcrits(moitie, std::chrono::seconds(60)));
    ASSERT_EQ(::kill(processus.pid(), signal), 0);
    const Issue issue = *processus.attendreFin();
    EXPECT_EQ(issue.statut, statut) << issue.erreurs;
    const std::string recit =
        std::string("interrupted by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + " at tick ";
    const std::size_t position = issue.erreurs.find(recit);
    ASSERT_NE(position, std::string::npos) << issue.erreurs;
    // The trace ends with the state it stopped in; a half-written line would show in the join.
    const Fichiers premiere = lireSorties("p1", issue);
    EXPECT_EQ(tickDeLigne(lignes(premiere.trace).back()),
              std::stoi(issue.erreurs.substr(position + recit.size())));
    Fichiers joint;
    joindre(joint, premiere);
    joindre(joint, courir("p2", "--resume @point"));
    EXPECT_EQ(joint, entier);
}

INSTANTIATE_TEST_SUITE_P(Signaux, Interruption,
                         ::testing::Values(std::make_tuple(SIGINT, 130),
                                           std::make_tuple(SIGTERM, 143)));

// kill -9 while the report, flushed as each checkpoint is about to be saved, is held in a pipe
// that takes a third, then two thirds of it. The crash's files run past the checkpoint, and the
// checkpoint's and the summary's half-written temporary files lie beside them, as a kill during
// their writes leaves them. The same command plus --resume then leaves every output as the
// uninterrupted run writes it, and nothing else, no temporary file of any output; so it does
// after a clean stop. Outputs that are not what the checkpoint recorded are refused, untouched.
TEST_P(EnPlace, TueePuisRepriseEgaleLaCourseIninterrompue) {
    const std::string course = "--seed 1 --ticks 3000";
    ASSERT_EQ(lancer(course + sortiesEnPlace("e", "@e.txt")).statut, 0);
    const std::vector<std::string> entier = enPlace("e");
    for (const std::size_t tiers : {1u, 2u}) {
        const std::size_t permis = entier[0].size() * tiers / 3;
        Processus processus({commande(course + sortiesEnPlace("k", "/dev/stdout")), "", permis});
        // Each flush is one write, which the pipe takes whole or not at all.
        const auto bloque = [&] {
            return lireFichier("/proc/" + std::to_string(processus.pid()) + "/wchan")
                       .find("pipe_write") != std::string::npos;
        };
        ASSERT_TRUE(attendreQue(bloque, std::chrono::seconds(60))) << processus.erreurs();
        ASSERT_EQ(::kill(processus.pid(), SIGKILL), 0);
        std::ofstream(chemin("k.txt"), std::ios::binary) << processus.attendreFin()->sortie;
        const std::string point = lireFichier(chemin("point"));
        std::ofstream(chemin("point.tmp"), std::ios::binary) << point.substr(0, point.size() / 2);
        std::ofstream(chemin("k.json.tmp"), std::ios::binary) << entier[3].substr(0, 10);

        const Issue reprise = lancer("--resume @point" + sortiesEnPlace("k", "@k.txt"));
        EXPECT_EQ(reprise.statut, 0) << reprise.erreurs;
        EXPECT_EQ(enPlace("k"), entier) << tiers << " thirds";
        for (const std::string& nom : fichiers())
            EXPECT_NE(std::filesystem::path(nom).extension(), ".tmp") << nom << ", " << tiers;
    }
    // A clean stop between two dumps, where the bound of 40 speedbricks is passed (1888): the
    // trace's line of that tick goes.
    ASSERT_EQ(lancer(course + " --max-speedbricks 40" + sortiesEnPlace("k", "@k.txt")).statut, 0);
    ASSERT_EQ(lancer("--resume @point" + sortiesEnPlace("k", "@k.txt")).statut, 0);
    EXPECT_EQ(enPlace("k"), entier) << "stopped by the bound";

    const auto fichiersDuDossier = [&] {
        std::map<std::string, std::string> contenus;
        for (const std::string& nom : fichiers())
            contenus[nom] = lireFichier(chemin(nom));
        return contenus;
    };
    const std::string stats = lireFichier(chemin("k.csv"));
    using Cas = std::tuple<std::string, std::string, std::string>;
    for (const auto& [fichier, octets, raison] : std::vector<Cas>{
             {"k.csv", avecOctet(stats, 40, '9'),
              "--stats: '" + chemin("k.csv") + "' is not what the checkpoint recorded"},
             {"k.csv", stats.substr(0, 1000), "--stats: '" + chemin("k.csv") + "' holds 1000 "},
             {"k." + GetParam(), stats,
              GetParam() == "h5" ? "--state: cannot read the trace '" + chemin("k.h5") + "': "
                                 : "--state: '" + chemin("k.jsonl") + "' holds "}}) {
        std::ofstream(chemin(fichier), std::ios::binary) << octets;
        const auto avant = fichiersDuDossier();
        verifierRefus(lancer("--resume @point --ticks 3100" + sortiesEnPlace("k", "@k.txt")),
                      "aquarium-batch: " + raison);
        EXPECT_EQ(fichiersDuDossier(), avant) << raison;
    }
}

INSTANTIATE_TEST_SUITE_P(Traces, EnPlace, ::testing::Values("jsonl", "h5"));

// Both signals come while the run is held in its seeding: the second ends it at once.
TEST_F(Reprise, UnSecondSignalTermineAussitot) {
    const std::size_t fondateurs =
        20 * (std::string("Nouveau Speedbrick avec le g\xe9nome suivant : ").size() + 20 + 1);
    Processus processus({commande("--seed 1 --ticks 3000"), "", fondateurs});
    ASSERT_TRUE(processus.attendreEcrits(fondateurs, std::chrono::seconds(60)));
    ::kill(processus.pid(), SIGINT);
    ::kill(processus.pid(), SIGTERM);
    EXPECT_EQ(processus.attendreFin()->statut, -1) << "not ended by the second signal";
}

// Each refused before anything is written: one line, status 2, no output left.
TEST_F(Reprise, RefuseUnPointDeRepriseIllisibleOuContredit) {
    ASSERT_EQ(lancer("--seed 1 --ticks 50 --quiet --checkpoint @bon --state @trace").statut, 0);
    const std::string bon = lireFichier(chemin("bon"));
    using Cas = std::tuple<std::optional<std::string>, std::string, std::string>;
    const std::vector<Cas> cas = {
        {std::nullopt, "cannot open: No such file or directory", {}},
        {bon.substr(0, bon.size() / 2), "truncated", {}},
        {bon.substr(0, 12), "truncated", {}},
        {avecOctet(bon, bon.size() - 7, static_cast<char>(bon[bon.size() - 7] ^ 1)), "corrupt", {}},
        {bon + "x", "corrupt", {}},
        {avecOctet(bon, 9, 3), "a checkpoint of format version 3", {}},
        {lireFichier(chemin("trace")), "not a checkpoint", {}},
        {"AQUA", "not a checkpoint", {}},
        {bon, "--seed 2 contradicts the checkpoint's 1", "--seed 2"},
        {bon, "--founders 19 contradicts the checkpoint's 20", "--founders 19"},
        {bon, "--shoals 7 contradicts the checkpoint's 6", "--shoals 7"},
        {bon, "--ticks 50 does not go beyond the checkpoint's tick 50", "--ticks 50"},
        {bon, "the checkpoint is at tick 50, the end of its run: give --ticks", {}},
    };
    for (const auto& [octets, raison, options] : cas) {
        const std::string point = chemin("point");
        std::filesystem::remove(point);
        if (octets) std::ofstream(point, std::ios::binary) << *octets;
        verifierRefus(lancer("--resume @point --stats @stats " + options),
                      "aquarium-batch: --resume '" + point + "': " + raison);
        EXPECT_FALSE(std::filesystem::exists(chemin("stats"))) << raison;
    }
    // A run without the pedigree kept no origins for the rows still to come.
    std::ofstream(chemin("point"), std::ios::binary) << bon;
    verifierRefus(lancer("--resume @point --ticks 60 --stats @stats --phylogeny @phylo"),
                  "aquarium-batch: --phylogeny: the checkpoint's run kept no pedigree: resume "
                  "without --phylogeny, or start the run again");
    EXPECT_FALSE(std::filesystem::exists(chemin("stats")) || std::filesystem::exists(chemin("phylo")));
}

} // namespace
