// Other worlds and many seeds: the default settings still make the runs of before, every
// setting the world cannot run is refused, another world's summary adds up with its statistics,
// and a sweep tabulates its runs and resumes where it stopped.

#include "LotTest.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using nlohmann::json;

namespace {

std::uint64_t empreinte(const std::string& texte) {
    std::uint64_t h = 14695981039346656037ULL;
    for (unsigned char octet : texte) {
        h ^= octet;
        h *= 1099511628211ULL;
    }
    return h;
}

/// The text after its first line.
std::string saufPremiereLigne(const std::string& texte) {
    return texte.substr(std::min(texte.find('\n'), texte.size() - 1) + 1);
}

/// Runs write their three files in the test's directory; "@name" stands for one of its files.
class ExperienceTest : public LotTest {
protected:
    Issue lancerAvecFichiers(const std::vector<std::string>& options) const {
        std::vector<std::string> arguments = {"--state", chemin("t.jsonl"), "--stats",
                                              chemin("s.csv")};
        if (std::find(options.begin(), options.end(), "--summary") == options.end()) {
            arguments.insert(arguments.end(), {"--summary", chemin("r.json")});
        }
        for (const std::string& option : options) {
            arguments.push_back(option[0] == '@' ? chemin(option.substr(1)) : option);
        }
        return lancer(arguments);
    }
};

} // namespace

// Seed 1 over 3000 ticks, from the runner as it was before the settings existed: its report,
// its statistics after their new comment line, its trace's last tick, and its first once the
// seed and settings appended to it are cut. Given or left out, the defaults make that run.
TEST_F(ExperienceTest, ReglagesParDefautRefontLesCoursesDAvant) {
    const std::string kCommande = "--seed 1 --founders 20 --shoals 6 --tank 600,600,600 "
                                  "--lifespan 20 --time-unit 150 --sterility 75 --shoal-size 8";
    for (const std::vector<std::string>& reglages :
         {std::vector<std::string>{},
          {"--tank", "600,600,600", "--lifespan", "20", "--time-unit", "150", "--sterility", "75",
           "--shoal-size", "8"}}) {
        std::vector<std::string> arguments = {"--seed", "1", "--ticks", "3000"};
        arguments.insert(arguments.end(), reglages.begin(), reglages.end());
        const Issue lot = lancerAvecFichiers(arguments);
        ASSERT_EQ(lot.statut, 0) << lot.erreurs;
        EXPECT_EQ(empreinte(lot.sortie), 0x27fb1eb1fd038dfdULL);

        const std::string stats = lireFichier(chemin("s.csv"));
        EXPECT_EQ(lignes(stats)[0], "# aquarium-batch " + kCommande);
        EXPECT_EQ(empreinte(saufPremiereLigne(stats)), 0xa9730e6f6b66b568ULL);

        const std::vector<std::string> trace = lignes(lireFichier(chemin("t.jsonl")));
        ASSERT_EQ(trace.size(), 2u);
        EXPECT_EQ(empreinte(trace[1] + "\n"), 0xe0b78b3abfd7d46fULL);
        const std::size_t ajout = trace[0].rfind(",\"seed\":");
        ASSERT_NE(ajout, std::string::npos);
        EXPECT_EQ(empreinte(trace[0].substr(0, ajout) + "}\n"), 0x152de1546f2cf11fULL);
        const json debut = json::parse(trace[0]);
        EXPECT_EQ(debut.at("settings"), json::parse(lireFichier(chemin("r.json"))).at("settings"));
    }
}

namespace {

std::string refusDuTank(const std::string& valeur) {
    return "--tank: expects X,Y,Z: whole numbers, X and Z from 512 and Y from 201, each up to "
           "16384, not '" +
           valeur + "' (see --help)";
}

std::string refusDEntier(const std::string& option, int minimum, const std::string& valeur) {
    return option + ": expects a whole number from " + std::to_string(minimum) +
           " to 2147483647, not '" + valeur + "' (see --help)";
}

/// Options, and the one line that refuses them after the program's name.
const std::vector<std::pair<std::vector<std::string>, std::string>> kRefus = {
    {{"--tank", "511,600,600"}, refusDuTank("511,600,600")},
    {{"--tank", "600,200,600"}, refusDuTank("600,200,600")},
    {{"--tank", "600,600,511"}, refusDuTank("600,600,511")},
    {{"--tank", "600,16385,600"}, refusDuTank("600,16385,600")},
    {{"--tank", "600,600"}, refusDuTank("600,600")},
    {{"--tank", "600,600,600,600"}, refusDuTank("600,600,600,600")},
    {{"--tank", "-600,600,600"}, refusDuTank("-600,600,600")},
    {{"--tank", "a,b,c"}, refusDuTank("a,b,c")},
    {{"--time-unit", "0"}, refusDEntier("--time-unit", 1, "0")},
    {{"--lifespan", "0"}, refusDEntier("--lifespan", 1, "0")},
    {{"--sterility", "-1"}, refusDEntier("--sterility", 0, "-1")},
    {{"--shoal-size", "-1"}, refusDEntier("--shoal-size", 0, "-1")},
    {{"--lifespan", "20", "--time-unit", "107374183"},
     "--lifespan: 20 time units of 107374183 ticks (--time-unit) exceed 2147483647 ticks (see "
     "--help)"},
    {{"--shoals", "3", "--shoal-size", "715827876"},
     "--shoal-size: 20 founders and 3 shoals of 715827876 cutits exceed 2147483647 creatures "
     "(see --help)"},
    {{"--summary", "/tmp"}, "--summary: '/tmp' is not a regular file"},
    {{"--summary", "@s.csv"}, "--stats and --summary name the same file"},
};

} // namespace

// Each case also asks for a trace, statistics and a summary: none of them may appear.
TEST_F(ExperienceTest, ReglagesRefusesUneLigneStatutDeuxRienDeCree) {
    for (const auto& [options, refus] : kRefus) {
        SCOPED_TRACE(options[0] + " " + options[1]);
        std::vector<std::string> arguments = {"--seed", "1", "--ticks", "5"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const Issue lot = lancerAvecFichiers(arguments);
        EXPECT_EQ(lot.statut, 2);
        EXPECT_EQ(lot.sortie, "");
        EXPECT_EQ(lot.erreurs, "aquarium-batch: " + refus + "\n");
        EXPECT_TRUE(fichiers().empty());
    }
}

// The limits themselves are worlds that run.
TEST_F(LotTest, ReglagesAuxLimitesAcceptes) {
    for (const std::vector<std::string>& reglages : std::vector<std::vector<std::string>>{
             {"--tank", "512,201,512"},
             {"--tank", "16384,16384,16384"},
             {"--time-unit", "1", "--lifespan", "1", "--sterility", "0", "--shoal-size", "0"},
             {"--lifespan", "2", "--time-unit", "1073741823"}}) {
        std::vector<std::string> arguments = {"--seed", "3", "--ticks", "20", "--quiet"};
        arguments.insert(arguments.end(), reglages.begin(), reglages.end());
        const Issue lot = lancer(arguments);
        EXPECT_EQ(lot.statut, 0) << reglages[1] << ": " << lot.erreurs;
    }
}

namespace {

/// The statistics file by column name, one value per tick from tick 1.
std::map<std::string, std::vector<long long>> lireColonnes(const std::string& texte) {
    const std::vector<std::string> l = lignes(texte);
    std::vector<std::string> noms;
    std::istringstream entete(l.at(1));
    for (std::string nom; std::getline(entete, nom, ',');)
        noms.push_back(nom);
    std::map<std::string, std::vector<long long>> colonnes;
    for (std::size_t i = 2; i < l.size(); ++i) {
        std::istringstream rangee(l[i]);
        std::string valeur;
        for (const std::string& nom : noms) {
            std::getline(rangee, valeur, ',');
            colonnes[nom].push_back(std::stoll(valeur));
        }
    }
    return colonnes;
}

/// The first tick (rows start at tick 1) whose value passes, or 0.
template <typename Condition>
long long premierTick(const std::vector<long long>& v, Condition condition) {
    const auto trouve = std::find_if(v.begin(), v.end(), condition);
    return trouve == v.end() ? 0 : (trouve - v.begin()) + 1;
}

} // namespace

// Seed 2 in a low, narrow tank with a time unit of 100 ticks, a lifespan of 25 units, a
// sterility of 110 ticks and shoals of 5: the population explodes past 1,000 and the founders'
// lines die at tick 2500.
TEST_F(ExperienceTest, AutreMondeResumeEtStatistiquesConcordent) {
    const Issue lot = lancerAvecFichiers({"--seed", "2", "--ticks", "2550", "--tank", "512,201,512",
                                          "--time-unit", "100", "--lifespan", "25", "--sterility",
                                          "110", "--shoal-size", "5"});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    const json resume = json::parse(lireFichier(chemin("r.json")));
    auto colonnes = lireColonnes(lireFichier(chemin("s.csv")));
    ASSERT_EQ(colonnes["tick"].size(), 2550u);

    EXPECT_EQ(resume["seed"], 2);
    EXPECT_EQ(resume["settings"],
              json::parse(R"({"founders":20,"shoals":6,"tank":[512,201,512],"lifespan":25,
                              "timeUnit":100,"sterility":110,"shoalSize":5})"));
    EXPECT_EQ(resume["ticks"], 2550);
    EXPECT_EQ(resume["end"], "ticks");
    for (const char* c : {"speedbricks", "normal", "gentil", "aga", "male", "female", "undecided",
                          "rings", "cutits"}) {
        EXPECT_EQ(resume["final"][c], colonnes[c].back()) << c;
    }
    for (const char* c : {"births", "splits", "deaths"})
        EXPECT_EQ(resume[c], std::accumulate(colonnes[c].begin(), colonnes[c].end(), 0LL)) << c;
    const std::vector<long long>& vivants = colonnes["speedbricks"];
    const long long pic = *std::max_element(vivants.begin(), vivants.end());
    EXPECT_EQ(resume["peak"]["speedbricks"], pic);
    EXPECT_EQ(resume["peak"]["tick"], premierTick(vivants, [&](long long n) { return n == pic; }));
    const long long explosion = premierTick(vivants, [](long long n) { return n >= 1000; });
    EXPECT_GT(explosion, 0);
    EXPECT_EQ(resume["explosionTick"], explosion);
    EXPECT_GE(resume["wallSeconds"].get<double>(), 0.0);

    // The world ran with these settings: shoals of 5, rings every 100 ticks, death at 2500,
    // newborns sterile for 110 ticks and invincible for 100, heads clamped 10 units inside.
    EXPECT_NE(lot.sortie.find("6 bancs de 5 cutits cr\xe9\xe9s.\n"), std::string::npos);
    EXPECT_EQ(colonnes["cutits"].back(), 30);
    EXPECT_EQ(premierTick(colonnes["rings"], [](long long n) { return n > 0; }), 100);
    EXPECT_EQ(premierTick(colonnes["deaths"], [](long long n) { return n > 0; }), 2500);
    const json fin = json::parse(lignes(lireFichier(chemin("t.jsonl"))).back());
    int sterile = 0, invincible = 0;
    float haut[3] = {0, 0, 0};
    for (const json& s : fin["speedbricks"]) {
        sterile = std::max(sterile, s["sterile"].get<int>());
        invincible = std::max(invincible, s["invincible"].get<int>());
        for (int axe = 0; axe < 3; ++axe)
            haut[axe] = std::max(haut[axe], s["pos"][axe].get<float>());
    }
    EXPECT_EQ(sterile, 110);
    EXPECT_EQ(invincible, 100);
    EXPECT_EQ(haut[0], 502.0f);
    EXPECT_EQ(haut[1], 191.0f);
    EXPECT_EQ(haut[2], 502.0f);
}

namespace {

/// When each run's files were last written, by path.
std::map<std::string, std::filesystem::file_time_type>
datesDesCourses(const std::filesystem::path& dossier) {
    std::map<std::string, std::filesystem::file_time_type> dates;
    for (const auto& entree : std::filesystem::recursive_directory_iterator(dossier / "runs")) {
        if (entree.is_regular_file()) dates[entree.path().string()] = entree.last_write_time();
    }
    return dates;
}

} // namespace

// Two seeds by two sterility durations on two jobs; then the same sweep again, which starts no
// run, and once more after one summary is lost, which runs that one alone.
TEST_F(LotTest, BalayageTabuleSesCoursesEtReprend) {
    const std::vector<std::string> balayage = {
        AQUARIUM_SWEEP,     "--batch", AQUARIUM_BATCH, "--seeds", "1-2", "--set",
        "sterility=50,100", "--ticks", "300",          "--jobs",  "2",   "--out",
        chemin("b")};
    const Issue premier = executer(balayage);
    ASSERT_EQ(premier.statut, 0) << premier.erreurs;
    EXPECT_NE(premier.erreurs.find("4 runs in 2 groups, 0 already finished, 4 to run"),
              std::string::npos)
        << premier.erreurs;
    const std::vector<std::string> tableau = lignes(lireFichier(chemin("b/runs.csv")));
    ASSERT_EQ(tableau.size(), 5u);
    EXPECT_EQ(tableau[0].rfind("group,seed,", 0), 0u);
    const std::pair<std::string, std::string> courses[] = {{"sterility=50", "1"},
                                                           {"sterility=50", "2"},
                                                           {"sterility=100", "1"},
                                                           {"sterility=100", "2"}};
    for (std::size_t i = 0; i < std::size(courses); ++i) {
        const auto& [groupe, graine] = courses[i];
        const std::string& rangee = tableau[i + 1];
        EXPECT_EQ(rangee.rfind(groupe + "," + graine + ",", 0), 0u) << rangee;
        const json resume = json::parse(
            lireFichier(chemin("b/runs/" + groupe + "/seed-" + graine + "/summary.json")));
        EXPECT_EQ(resume["ticks"], 300);
        const std::string evenements = "," + resume["births"].dump() + "," +
                                       resume["splits"].dump() + "," + resume["deaths"].dump() +
                                       "," + resume["peak"]["speedbricks"].dump() + ",";
        EXPECT_NE(rangee.find(evenements), std::string::npos) << rangee << "\nlacks " << evenements;
    }
    EXPECT_EQ(lireFichier(chemin("b/sweep.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");

    const auto dates = datesDesCourses(chemin("b"));
    const Issue second = executer(balayage);
    ASSERT_EQ(second.statut, 0) << second.erreurs;
    EXPECT_NE(second.erreurs.find("4 already finished, 0 to run"), std::string::npos)
        << second.erreurs;
    EXPECT_EQ(datesDesCourses(chemin("b")), dates);
    EXPECT_EQ(lignes(lireFichier(chemin("b/runs.csv"))), tableau);

    // Run again, the lost run gives the same row but for its wall time, the last field.
    std::filesystem::remove(chemin("b/runs/sterility=100/seed-2/summary.json"));
    const Issue troisieme = executer(balayage);
    ASSERT_EQ(troisieme.statut, 0) << troisieme.erreurs;
    EXPECT_NE(troisieme.erreurs.find("3 already finished, 1 to run"), std::string::npos)
        << troisieme.erreurs;
    const std::vector<std::string> refait = lignes(lireFichier(chemin("b/runs.csv")));
    ASSERT_EQ(refait.size(), 5u);
    EXPECT_EQ(refait[4].substr(0, refait[4].rfind(',')),
              tableau[4].substr(0, tableau[4].rfind(',')));

    // Runs of another length would not compare with these: the folder refuses them.
    std::vector<std::string> autre = balayage;
    *std::find(autre.begin(), autre.end(), "300") = "301";
    const Issue refuse = executer(autre);
    EXPECT_EQ(refuse.statut, 2);
    EXPECT_NE(refuse.erreurs.find("other options (--ticks 300 )"), std::string::npos)
        << refuse.erreurs;
}
