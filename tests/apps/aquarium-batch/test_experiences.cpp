// Other worlds and many seeds: world settings, summaries and sweeps.

#include "LotTest.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <numeric>

using nlohmann::json;

namespace {

/// Runs write their three files in the test's folder.
class ExperienceTest : public LotTest {
protected:
    Issue lancerAvecFichiers(const std::string& options) const {
        return lancer("--state @t.jsonl --stats @s.csv --summary @r.json " + options);
    }
};

// Seed 1 over 3000 ticks as the runner made it before the settings existed (files compared
// without the lines that name the settings): given or left out, the defaults make that run.
TEST_F(ExperienceTest, ReglagesParDefautRefontLesCoursesDAvant) {
    for (const char* reglages :
         {"", " --tank 600,600,600 --lifespan 20 --time-unit 150 --sterility 75 --shoal-size 8"}) {
        const Issue lot = lancerAvecFichiers(std::string("--seed 1 --ticks 3000") + reglages);
        ASSERT_EQ(lot.statut, 0) << lot.erreurs;
        EXPECT_EQ(fnv1a(lot.sortie), 0x27fb1eb1fd038dfdULL);
        EXPECT_EQ(fnv1a(lireFichier(chemin("s.csv"))), 0xa9730e6f6b66b568ULL);
        const json resume = json::parse(lireFichier(chemin("r.json")));
        EXPECT_EQ(resume.at("command"), "aquarium-batch --seed 1 --founders 20 --shoals 6 --tank "
                                        "600,600,600 --lifespan 20 --time-unit 150 --sterility 75 "
                                        "--shoal-size 8");
        EXPECT_EQ(resume.at("program"), "aquarium-batch");
        const std::vector<std::string> trace = lignes(lireFichier(chemin("t.jsonl")));
        ASSERT_EQ(trace.size(), 2u);
        EXPECT_EQ(fnv1a(trace[1] + "\n"), 0xe0b78b3abfd7d46fULL);
        EXPECT_EQ(fnv1a(trace[0].substr(0, trace[0].rfind(",\"seed\":")) + "}\n"),
                  0x152de1546f2cf11fULL);
        EXPECT_EQ(json::parse(trace[0]).at("settings"), resume.at("settings"));
    }
}

// The settings' limits run (the smallest tank in AutreMondeResumeEtStatistiquesConcordent).
TEST_F(ExperienceTest, LesLimitesDesReglagesTournent) {
    for (const std::string limites :
         {"--tank 16384,16384,16384", "--time-unit 1 --lifespan 1 --sterility 0 --shoal-size 0",
          "--lifespan 2 --time-unit 1073741823"}) {
        const Issue lot = lancerAvecFichiers("--seed 1 --ticks 5 " + limites);
        EXPECT_EQ(lot.statut, 0) << limites << ": " << lot.erreurs;
    }
}

/// The statistics by column name, one value per tick from tick 1, as Python's csv module reads
/// them with no option.
std::map<std::string, std::vector<long long>> lireColonnes(const std::string& fichier) {
    const Issue lecture =
        executer({"/usr/bin/python3", "-c",
                  "import csv, json, sys\n"
                  "rangees = list(csv.DictReader(open(sys.argv[1], newline='')))\n"
                  "print(json.dumps({nom: [int(r[nom]) for r in rangees] for nom in rangees[0]}))",
                  fichier});
    EXPECT_EQ(lecture.statut, 0) << lecture.erreurs;
    return json::parse(lecture.sortie).get<std::map<std::string, std::vector<long long>>>();
}

/// The first tick whose value passes, or 0.
template <typename Condition> long long premierTick(const std::vector<long long>& v, Condition c) {
    const auto trouve = std::find_if(v.begin(), v.end(), c);
    return trouve == v.end() ? 0 : (trouve - v.begin()) + 1;
}

// Seed 2 in a small tank with every setting changed: it explodes past 1,000, founders die at 2500.
TEST_F(ExperienceTest, AutreMondeResumeEtStatistiquesConcordent) {
    const Issue lot = lancerAvecFichiers("--seed 2 --ticks 2550 --tank 512,201,512 --time-unit 100 "
                                         "--lifespan 25 --sterility 110 --shoal-size 5");
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    const json resume = json::parse(lireFichier(chemin("r.json")));
    auto colonnes = lireColonnes(chemin("s.csv"));
    ASSERT_EQ(colonnes["tick"].size(), 2550u);
    EXPECT_EQ(resume["seed"], 2);
    EXPECT_EQ(resume["settings"],
              json::parse(R"({"founders":20,"shoals":6,"tank":[512,201,512],"lifespan":25,
                              "timeUnit":100,"sterility":110,"shoalSize":5})"));
    EXPECT_EQ(resume["ticks"], 2550);
    EXPECT_EQ(resume["end"], "ticks");
    for (const char* c : {"speedbricks", "normal", "gentil", "aga", "male", "female", "undecided",
                          "rings", "cutits"})
        EXPECT_EQ(resume["final"][c], colonnes[c].back()) << c;
    for (const char* c : {"births", "splits", "deaths"})
        EXPECT_EQ(resume[c], std::accumulate(colonnes[c].begin(), colonnes[c].end(), 0LL)) << c;
    const std::vector<long long>& vivants = colonnes["speedbricks"];
    const long long pic = *std::max_element(vivants.begin(), vivants.end());
    EXPECT_EQ(resume["peak"]["speedbricks"], pic);
    EXPECT_EQ(resume["peak"]["tick"], premierTick(vivants, [&](long long n) { return n == pic; }));
    const long long explosion = premierTick(vivants, [](long long n) { return n >= 1000; });
    EXPECT_GT(explosion, 0);
    EXPECT_EQ(resume["explosionTick"], explosion);

    // Each setting reached the world: shoals, rings, death, sterility, invincibility, clamp.
    EXPECT_NE(lot.sortie.find("6 bancs de 5 cutits cr\xe9\xe9s.\n"), std::string::npos);
    EXPECT_EQ(premierTick(colonnes["rings"], [](long long n) { return n > 0; }), 100);
    EXPECT_EQ(premierTick(colonnes["deaths"], [](long long n) { return n > 0; }), 2500);
    int sterile = 0, invincible = 0;
    std::vector<float> haut(3, 0.0f);
    const json fin = json::parse(lignes(lireFichier(chemin("t.jsonl"))).back());
    for (const json& s : fin["speedbricks"]) {
        sterile = std::max(sterile, s["sterile"].get<int>());
        invincible = std::max(invincible, s["invincible"].get<int>());
        for (int axe = 0; axe < 3; ++axe)
            haut[axe] = std::max(haut[axe], s["pos"][axe].get<float>());
    }
    EXPECT_EQ(sterile, 110);
    EXPECT_EQ(invincible, 100);
    EXPECT_EQ(haut, (std::vector<float>{502, 191, 502}));
}

std::map<std::string, std::filesystem::file_time_type> dates(const std::string& dossier) {
    std::map<std::string, std::filesystem::file_time_type> dates;
    for (const auto& entree : std::filesystem::recursive_directory_iterator(dossier + "/runs"))
        if (entree.is_regular_file()) dates[entree.path().string()] = entree.last_write_time();
    return dates;
}

// 2 seeds x 2 sterilities on 2 jobs; again (no run starts); again after a lost summary (one).
TEST_F(LotTest, BalayageTabuleSesCoursesEtReprend) {
    std::vector<std::string> balayage = {
        AQUARIUM_SWEEP,     "--batch", AQUARIUM_BATCH, "--seeds", "1-2", "--set",
        "sterility=50,100", "--ticks", "300",          "--jobs",  "2",   "--out",
        chemin("b")};
    const auto balayer = [&](const std::string& recit, int statut = 0) {
        const Issue issue = executer(balayage);
        EXPECT_EQ(issue.statut, statut) << issue.erreurs;
        EXPECT_NE(issue.erreurs.find(recit), std::string::npos) << issue.erreurs;
        return lignes(lireFichier(chemin("b/runs.csv")));
    };
    const std::vector<std::string> tableau =
        balayer("4 runs in 2 groups, 0 already finished, 4 to run");
    ASSERT_EQ(tableau.size(), 5u);
    EXPECT_EQ(tableau[0].rfind("group,program,version,command,seed,founders,", 0), 0u);
    for (std::size_t i = 1; i < 5; ++i) {
        const std::string groupe = i < 3 ? "sterility=50" : "sterility=100";
        const std::string graine = std::to_string(2 - i % 2);
        const json r = json::parse(
            lireFichier(chemin("b/runs/" + groupe + "/seed-" + graine + "/summary.json")));
        EXPECT_EQ(r["ticks"], 300);
        const std::string evenements = "," + r["births"].dump() + "," + r["splits"].dump() + "," +
                                       r["deaths"].dump() + "," + r["peak"]["speedbricks"].dump() +
                                       ",";
        EXPECT_EQ(tableau[i].rfind(groupe + ",aquarium-batch,", 0), 0u) << tableau[i];
        EXPECT_NE(tableau[i].find("\"," + graine + ",20,6,600x600x600,"), std::string::npos)
            << tableau[i];
        EXPECT_NE(tableau[i].find(evenements), std::string::npos)
            << tableau[i] << " " << evenements;
    }
    EXPECT_EQ(lireFichier(chemin("b/sweep.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");

    const auto avant = dates(chemin("b"));
    EXPECT_EQ(balayer("4 already finished, 0 to run"), tableau);
    EXPECT_EQ(dates(chemin("b")), avant);

    // Run again, the lost run gives the same row but for its wall time, the last field.
    std::filesystem::remove(chemin("b/runs/sterility=100/seed-2/summary.json"));
    const std::vector<std::string> refait = balayer("3 already finished, 1 to run");
    ASSERT_EQ(refait.size(), 5u);
    EXPECT_EQ(refait[4].substr(0, refait[4].rfind(',')),
              tableau[4].substr(0, tableau[4].rfind(',')));

    // Runs of another length would not compare with these: the folder refuses them.
    balayage[8] = "301";
    balayer("other options (--ticks 300 )", 2);
}

} // namespace
