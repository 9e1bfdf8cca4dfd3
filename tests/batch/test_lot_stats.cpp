// The statistics file: its rows add up, and each equals the census and the events of the same
// tick in the core driven in-process; the chart command draws it.

#include "LotTest.h"

#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"
#include "Console.h"
#include "Scenario.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char kEntete[] =
    "tick,speedbricks,normal,gentil,aga,male,female,undecided,rings,cutits,births,splits,deaths";

struct Rangee {
    long long v[13] = {};
    long long tick() const { return v[0]; }
    long long speedbricks() const { return v[1]; }
    long long normal() const { return v[2]; }
    long long gentil() const { return v[3]; }
    long long aga() const { return v[4]; }
    long long male() const { return v[5]; }
    long long femelle() const { return v[6]; }
    long long indetermine() const { return v[7]; }
    long long naissances() const { return v[10]; }
    long long scissions() const { return v[11]; }
    long long morts() const { return v[12]; }
};

bool lireRangee(const std::string& ligne, Rangee& r) {
    int lu = 0;
    const int champs = std::sscanf(
        ligne.c_str(), "%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld%n",
        &r.v[0], &r.v[1], &r.v[2], &r.v[3], &r.v[4], &r.v[5], &r.v[6], &r.v[7], &r.v[8], &r.v[9],
        &r.v[10], &r.v[11], &r.v[12], &lu);
    return champs == 13 && static_cast<std::size_t>(lu) == ligne.size();
}

// The expected row, counted here from the registry and the console alone: births and splits
// are the report's lines of the tick, deaths what the registry lost beyond them.
std::string rangeeDuCoeur(int tick, std::size_t avant, const std::string& rapportDuTick) {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    long long genre[3] = {}, sexe[3] = {}, anneaux = 0;
    for (const C_SPEEDBRICK* s : monde->speedbricks()) {
        genre[s->getGenre()]++;
        sexe[s->getSexe()]++;
        anneaux += s->getNombreAnneaux();
    }
    const long long naissances = compterLignes(rapportDuTick, "B\xe9"
                                                              "b\xe9 speedbrick");
    const long long scissions = compterLignes(rapportDuTick, "d'une scission.");
    const long long apres = static_cast<long long>(monde->speedbricks().size());
    const long long morts = static_cast<long long>(avant) + naissances + scissions - apres;
    char ligne[256];
    std::snprintf(ligne, sizeof ligne,
                  "%d,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%zu,%lld,%lld,%lld", tick, apres,
                  genre[GENRE_NORMAL], genre[GENRE_GENTIL], genre[GENRE_AGA], sexe[MALE],
                  sexe[FEMELLE], sexe[INDETERMINE], anneaux, monde->cutits().size(), naissances,
                  scissions, morts);
    return ligne;
}

} // namespace

// Seed 26, 10 founders and 3 shoals, over 3000 ticks: births of all three kinds and splits
// along the way, and the founders' deaths at the end.
class StatsTest : public ::testing::Test {
protected:
    static constexpr unsigned kGraine = 26;
    static constexpr int kFondateurs = 10;
    static constexpr int kBancs = 3;
    static constexpr int kTicks = 3000;

    static void SetUpTestSuite() {
        std::string modele =
            (std::filesystem::path(::testing::TempDir()) / "stats-XXXXXX").string();
        ASSERT_NE(::mkdtemp(modele.data()), nullptr);
        dossier_ = modele;
        lot_ = executer({AQUARIUM_BATCH, "--seed", std::to_string(kGraine), "--ticks",
                         std::to_string(kTicks), "--founders", std::to_string(kFondateurs),
                         "--shoals", std::to_string(kBancs), "--stats", fichierStats()});
        lignes_ = lignes(lireFichier(fichierStats()));
        // The comment naming the run comes before the header.
        if (!lignes_.empty() && lignes_[0].rfind('#', 0) == 0) lignes_.erase(lignes_.begin());
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dossier_); }

    void SetUp() override {
        ASSERT_EQ(lot_.statut, 0) << lot_.erreurs;
        ASSERT_EQ(lignes_.size(), static_cast<std::size_t>(kTicks) + 1);
    }

    static std::string fichierStats() { return (dossier_ / "s.csv").string(); }

    static inline std::filesystem::path dossier_;
    static inline Issue lot_;
    static inline std::vector<std::string> lignes_;
};

TEST_F(StatsTest, EnteteEtUneRangeeParTick) {
    EXPECT_EQ(lignes_[0], kEntete);
    for (std::size_t t = 1; t < lignes_.size(); ++t) {
        Rangee r;
        ASSERT_TRUE(lireRangee(lignes_[t], r)) << lignes_[t];
        EXPECT_EQ(r.tick(), static_cast<long long>(t));
    }
}

TEST_F(StatsTest, RangeesSAdditionnent) {
    long long vivants = kFondateurs, naissances = 0, scissions = 0, morts = 0;
    long long gentils = 0, agas = 0;
    for (std::size_t t = 1; t < lignes_.size(); ++t) {
        Rangee r;
        ASSERT_TRUE(lireRangee(lignes_[t], r)) << lignes_[t];
        EXPECT_EQ(r.speedbricks(), r.normal() + r.gentil() + r.aga()) << lignes_[t];
        EXPECT_EQ(r.speedbricks(), r.male() + r.femelle() + r.indetermine()) << lignes_[t];
        EXPECT_EQ(r.speedbricks(), vivants + r.naissances() + r.scissions() - r.morts())
            << lignes_[t];
        vivants = r.speedbricks();
        gentils = std::max(gentils, r.gentil());
        agas = std::max(agas, r.aga());
        naissances += r.naissances();
        scissions += r.scissions();
        morts += r.morts();
    }
    EXPECT_EQ(static_cast<std::size_t>(naissances), compterLignes(lot_.sortie, "B\xe9"
                                                                               "b\xe9 speedbrick"));
    EXPECT_EQ(static_cast<std::size_t>(scissions), compterLignes(lot_.sortie, "d'une scission."));
    EXPECT_GT(naissances, 0);
    EXPECT_GT(scissions, 0);
    EXPECT_GT(morts, 0);
    EXPECT_GT(gentils, 0);
    EXPECT_GT(agas, 0);
}

TEST_F(StatsTest, RangeesEgalesAuCoeurTickParTick) {
    Console console;
    demarrerMonde(kGraine, kFondateurs, kBancs);
    for (int tick = 1; tick <= kTicks; ++tick) {
        const std::size_t avant = C_AQUARIUM::getAquarium()->speedbricks().size();
        console.vider();
        avancerTick();
        ASSERT_EQ(lignes_[static_cast<std::size_t>(tick)],
                  rangeeDuCoeur(tick, avant, console.texte()));
    }
    detruireMonde();
}

TEST_F(StatsTest, GraphiqueTireDesStatistiques) {
    const std::string image = (dossier_ / "population.png").string();
    const Issue chart = executer({AQUARIUM_CHART, fichierStats(), image});
    ASSERT_EQ(chart.statut, 0) << chart.erreurs;
    EXPECT_EQ(lireFichier(image).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST_F(LotTest, GraphiqueRefuseUnFichierAbsent) {
    const Issue chart = executer({AQUARIUM_CHART, chemin("absent.csv"), chemin("p.png")});
    EXPECT_NE(chart.statut, 0);
    EXPECT_NE(chart.erreurs.find("absent.csv"), std::string::npos) << chart.erreurs;
    EXPECT_TRUE(fichiers().empty());
}
