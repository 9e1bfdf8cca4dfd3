// Bad input is refused before anything runs or any file appears; a write that fails during
// the run ends it with status 1; --help and --version.

#include "LotTest.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

struct Refus {
    const char* nom;
    /// "@name" stands for a file of the test's directory.
    std::vector<std::string> arguments;
    /// What the one line of refusal must say.
    std::vector<std::string> motifs;
};

std::ostream& operator<<(std::ostream& flux, const Refus& r) { return flux << r.nom; }

const std::string kTicks = "a whole number from 1 to 2147483647";
const std::string kPositif = "a whole number from 0 to 2147483647";
const std::string kGraine = "a whole number from 0 to 4294967295";

const std::vector<Refus> kRefus = {
    {"TicksNonNumerique", {"--ticks", "abc"}, {"--ticks", kTicks, "'abc'"}},
    {"TicksNegatif", {"--ticks", "-5"}, {"--ticks", kTicks, "'-5'"}},
    {"TicksZero", {"--ticks", "0"}, {"--ticks", kTicks, "'0'"}},
    {"TicksDecimal", {"--ticks", "1.5"}, {"--ticks", kTicks}},
    {"TicksTropGrand", {"--ticks", "2147483648"}, {"--ticks", kTicks}},
    {"TicksSansValeur", {"--ticks"}, {"--ticks", "missing"}},
    {"PeriodeZero", {"--state-every", "0"}, {"--state-every", kTicks, "'0'"}},
    {"FondateursNegatif", {"--founders", "-1"}, {"--founders", kPositif, "'-1'"}},
    {"BancsNegatif", {"--shoals", "-3"}, {"--shoals", kPositif, "'-3'"}},
    {"BancsNonNumerique", {"--shoals", "six"}, {"--shoals", kPositif}},
    {"GraineNegative", {"--seed", "-1"}, {"--seed", kGraine, "'-1'"}},
    {"GraineTropGrande", {"--seed", "4294967296"}, {"--seed", kGraine}},
    {"GraineNonNumerique", {"--seed", "x1"}, {"--seed", kGraine}},
    {"OptionInconnue", {"--bogus"}, {"--bogus", "not expected", "--help"}},
    {"ArgumentEnTrop", {"surplus"}, {"surplus", "not expected"}},
};

class EntreeRefusee : public LotTest, public ::testing::WithParamInterface<Refus> {};

// Every refused case also names both output files, and neither may appear.
TEST_P(EntreeRefusee, UneLigneStatutDeuxRienDeCree) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.begin(),
                     {"--state", chemin("s.jsonl"), "--stats", chemin("s.csv"), "--seed", "1"});
    const Issue lot = lancer(arguments);
    EXPECT_EQ(lot.statut, 2);
    EXPECT_EQ(lot.sortie, "");
    const std::vector<std::string> l = lignes(lot.erreurs);
    ASSERT_EQ(l.size(), 1u) << lot.erreurs;
    EXPECT_EQ(l[0].rfind("aquarium-batch: ", 0), 0u) << l[0];
    for (const std::string& motif : GetParam().motifs) {
        EXPECT_NE(l[0].find(motif), std::string::npos) << l[0] << "\nlacks: " << motif;
    }
    EXPECT_TRUE(fichiers().empty());
}

INSTANTIATE_TEST_SUITE_P(Options, EntreeRefusee, ::testing::ValuesIn(kRefus),
                         [](const auto& info) { return std::string(info.param.nom); });

void verifierRefus(const Issue& lot, const std::vector<std::string>& motifs) {
    EXPECT_EQ(lot.statut, 2);
    EXPECT_EQ(lot.sortie, "");
    const std::vector<std::string> l = lignes(lot.erreurs);
    ASSERT_EQ(l.size(), 1u) << lot.erreurs;
    for (const std::string& motif : motifs) {
        EXPECT_NE(l[0].find(motif), std::string::npos) << l[0] << "\nlacks: " << motif;
    }
}

} // namespace

TEST_F(LotTest, PeriodeSansTraceRefusee) {
    verifierRefus(lancer({"--state-every", "10", "--stats", chemin("s.csv")}),
                  {"--state-every", "--state"});
    EXPECT_TRUE(fichiers().empty());
}

TEST_F(LotTest, TraceImpossibleAOuvrirRefusee) {
    verifierRefus(
        lancer({"--state", chemin("absent/s.jsonl"), "--stats", chemin("s.csv"), "--ticks", "5"}),
        {"--state", "cannot open", "absent/s.jsonl"});
    EXPECT_TRUE(fichiers().empty());
}

// The trace opens first and would be left behind if the refusal did not clean up.
TEST_F(LotTest, StatsImpossiblesAOuvrirNeLaissentPasLaTrace) {
    verifierRefus(
        lancer({"--state", chemin("s.jsonl"), "--stats", chemin("absent/s.csv"), "--ticks", "5"}),
        {"--stats", "cannot open", "absent/s.csv"});
    EXPECT_TRUE(fichiers().empty());
}

TEST_F(LotTest, FichierExistantIntactQuandUnAutreEstRefuse) {
    std::ofstream(chemin("s.jsonl")) << "ancien\n";
    verifierRefus(
        lancer({"--state", chemin("s.jsonl"), "--stats", chemin("absent/s.csv"), "--ticks", "5"}),
        {"--stats"});
    EXPECT_EQ(lireFichier(chemin("s.jsonl")), "ancien\n");
}

TEST_F(LotTest, MemeFichierPourTraceEtStatsRefuse) {
    verifierRefus(
        lancer({"--state", chemin("s.out"), "--stats", (dossier_ / "." / "s.out").string()}),
        {"--state", "--stats", "same file"});
    EXPECT_TRUE(fichiers().empty());
}

TEST_F(LotTest, TraceSurDisquePleinStatutUn) {
    const Issue lot = lancer({"--seed", "1", "--ticks", "50", "--state", "/dev/full", "--quiet"});
    EXPECT_EQ(lot.statut, 1);
    EXPECT_NE(lot.erreurs.find("cannot write '/dev/full': No space left on device"),
              std::string::npos)
        << lot.erreurs;
}

// A full buffer fails in the middle of the run, and stops it there.
TEST_F(LotTest, TraceSurDisquePleinArreteLeLot) {
    const Issue lot = lancer({"--seed", "1", "--ticks", "3000", "--state", "/dev/full",
                              "--state-every", "1", "--quiet"});
    EXPECT_EQ(lot.statut, 1);
    EXPECT_NE(lot.erreurs.find("run stopped at tick"), std::string::npos) << lot.erreurs;
    EXPECT_EQ(lot.erreurs.find("speedbricks alive"), std::string::npos) << lot.erreurs;
}

TEST_F(LotTest, StatsSurDisquePleinStatutUn) {
    const Issue lot = lancer({"--seed", "1", "--ticks", "50", "--stats", "/dev/full", "--quiet"});
    EXPECT_EQ(lot.statut, 1);
    EXPECT_NE(lot.erreurs.find("cannot write '/dev/full'"), std::string::npos) << lot.erreurs;
}

TEST_F(LotTest, RapportSurDisquePleinStatutUn) {
    const Issue lot = lancer({"--seed", "1", "--ticks", "50"}, "/dev/full");
    EXPECT_EQ(lot.statut, 1);
    EXPECT_NE(lot.erreurs.find("standard output"), std::string::npos) << lot.erreurs;
}

// 400 founders announce themselves in far more than the pipe's one page: the runner is held
// in its report, its trace already open, until the test reads on, so the directory goes first.
TEST_F(LotTest, DossierDisparuPendantLeLotStatutUn) {
    std::filesystem::create_directory(dossier_ / "sous");
    Lancement lancement;
    lancement.arguments = {AQUARIUM_BATCH,        "--seed", "1",        "--ticks", "1",
                           "--founders",          "400",    "--shoals", "0",       "--state",
                           chemin("sous/s.jsonl")};
    lancement.sortieBloqueeApres = 4096;
    Processus lot(lancement);
    ASSERT_TRUE(lot.attendreEcrits(1, std::chrono::seconds(60))) << lot.erreurs();
    std::filesystem::remove_all(dossier_ / "sous");
    const Issue issue = lot.terminer();
    EXPECT_EQ(issue.statut, 1);
    EXPECT_NE(issue.erreurs.find("sous/s.jsonl"), std::string::npos) << issue.erreurs;
}

TEST_F(LotTest, AideDecritChaqueOption) {
    const Issue lot = lancer({"--help"});
    EXPECT_EQ(lot.statut, 0);
    EXPECT_EQ(lot.erreurs, "");
    for (const char* option : {"--seed", "--ticks", "--founders", "--shoals", "--state",
                               "--state-every", "--stats", "--quiet", "--version"}) {
        EXPECT_NE(lot.sortie.find(option), std::string::npos) << option;
    }
}

TEST_F(LotTest, VersionSurLaSortie) {
    const Issue lot = lancer({"--version"});
    EXPECT_EQ(lot.statut, 0);
    EXPECT_EQ(lot.sortie, "aquarium-batch " AQUARIUM_VERSION "\n");
}
