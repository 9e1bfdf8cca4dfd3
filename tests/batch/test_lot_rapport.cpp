// The runner's standard output and standard error, and its reproducibility.

#include "LotTest.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Seed 8 has a birth and two splits within 400 ticks, so the report holds every kind of line.
constexpr unsigned kGraine = 8;
constexpr int kTicks = 400;

} // namespace

TEST_F(LotTest, RapportIdentiqueAuCoeurEnProcessus) {
    const Issue lot =
        lancer({"--seed", std::to_string(kGraine), "--ticks", std::to_string(kTicks)});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    EXPECT_EQ(lot.sortie, rapportEnProcessus(kGraine, kTicks));
    EXPECT_GT(compterLignes(lot.sortie, "B\xe9"
                                        "b\xe9 speedbrick"),
              0u);
    EXPECT_GT(compterLignes(lot.sortie, "Nouveau speedbrick normal n\xe9 d'une scission."), 0u);
}

TEST_F(LotTest, RapportCommenceParLesFondateursPuisLesBancs) {
    const Issue lot = lancer({"--seed", "3", "--ticks", "1"});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    EXPECT_EQ(lot.sortie, lignesDesFondateurs(20) + "6 bancs de 8 cutits cr\xe9\xe9s.\n");
}

TEST_F(LotTest, FondateursEtBancsDemandes) {
    const Issue lot = lancer({"--seed", "5", "--ticks", "200", "--founders", "4", "--shoals", "2"});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    EXPECT_EQ(lot.sortie, rapportEnProcessus(5, 200, 4, 2));
    const std::string debut = lignesDesFondateurs(4) + "2 bancs de 8 cutits cr\xe9\xe9s.\n";
    EXPECT_EQ(lot.sortie.substr(0, debut.size()), debut);
}

TEST_F(LotTest, MemeGraineMemesSorties) {
    auto executerVers = [&](const std::string& nom) {
        return lancer({"--seed", std::to_string(kGraine), "--ticks", "300", "--state",
                       chemin(nom + ".jsonl"), "--state-every", "50", "--stats",
                       chemin(nom + ".csv")});
    };
    const Issue premier = executerVers("premier");
    const Issue second = executerVers("second");
    ASSERT_EQ(premier.statut, 0) << premier.erreurs;
    ASSERT_EQ(second.statut, 0) << second.erreurs;
    EXPECT_EQ(premier.sortie, second.sortie);
    EXPECT_EQ(lireFichier(chemin("premier.jsonl")), lireFichier(chemin("second.jsonl")));
    EXPECT_EQ(lireFichier(chemin("premier.csv")), lireFichier(chemin("second.csv")));
}

TEST_F(LotTest, GrainesDifferentesEtatsDifferents) {
    const Issue a = lancer({"--seed", "8", "--ticks", "100", "--state", chemin("a.jsonl")});
    const Issue b = lancer({"--seed", "9", "--ticks", "100", "--state", chemin("b.jsonl")});
    ASSERT_EQ(a.statut, 0) << a.erreurs;
    ASSERT_EQ(b.statut, 0) << b.erreurs;
    EXPECT_NE(lireFichier(chemin("a.jsonl")), lireFichier(chemin("b.jsonl")));
}

TEST_F(LotTest, GraineDonneeSurErreurStandardPourRejouer) {
    const Issue libre = lancer({"--ticks", "50", "--state", chemin("libre.jsonl")});
    ASSERT_EQ(libre.statut, 0) << libre.erreurs;
    const std::string prefixe = "aquarium-batch: seed ";
    const std::vector<std::string> l = lignes(libre.erreurs);
    ASSERT_FALSE(l.empty());
    ASSERT_EQ(l[0].rfind(prefixe, 0), 0u) << l[0];
    const std::string graine = l[0].substr(prefixe.size());

    const Issue rejoue =
        lancer({"--seed", graine, "--ticks", "50", "--state", chemin("rejoue.jsonl")});
    ASSERT_EQ(rejoue.statut, 0) << rejoue.erreurs;
    EXPECT_EQ(libre.sortie, rejoue.sortie);
    EXPECT_EQ(lireFichier(chemin("libre.jsonl")), lireFichier(chemin("rejoue.jsonl")));
}

TEST_F(LotTest, SilencieuxNEcritPasLeRapport) {
    const Issue bavard = lancer({"--seed", "8", "--ticks", "200", "--state", chemin("b.jsonl")});
    const Issue muet =
        lancer({"--seed", "8", "--ticks", "200", "--state", chemin("m.jsonl"), "--quiet"});
    ASSERT_EQ(muet.statut, 0) << muet.erreurs;
    EXPECT_FALSE(bavard.sortie.empty());
    EXPECT_EQ(muet.sortie, "");
    EXPECT_EQ(lireFichier(chemin("b.jsonl")), lireFichier(chemin("m.jsonl")));
}

// Standard error is a pipe here, not a terminal: no progress line, only the seed and the
// summary, whose figures are those of the statistics.
TEST_F(LotTest, GraineEtBilanSeulsSurErreurStandard) {
    const Issue lot = lancer({"--seed", "1", "--ticks", "3000", "--quiet", "--founders", "6",
                              "--shoals", "2", "--stats", chemin("s.csv")});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    EXPECT_EQ(lot.erreurs.find('\r'), std::string::npos);
    const std::vector<std::string> l = lignes(lot.erreurs);
    ASSERT_EQ(l.size(), 2u) << lot.erreurs;
    EXPECT_EQ(l[0], "aquarium-batch: seed 1");

    long long naissances = 0, scissions = 0, morts = 0;
    std::string derniere;
    for (const std::string& rangee : lignes(lireFichier(chemin("s.csv")))) {
        long long n = 0, s = 0, m = 0;
        if (std::sscanf(rangee.c_str(), "%*d,%*d,%*d,%*d,%*d,%*d,%*d,%*d,%*d,%*d,%lld,%lld,%lld",
                        &n, &s, &m) != 3) {
            continue;
        }
        naissances += n;
        scissions += s;
        morts += m;
        derniere = rangee;
    }
    int vivants = 0, normal = 0, gentil = 0, aga = 0;
    ASSERT_EQ(std::sscanf(derniere.c_str(), "%*d,%d,%d,%d,%d", &vivants, &normal, &gentil, &aga),
              4);
    EXPECT_GT(morts, 0);
    const std::string attendu = "; " + std::to_string(vivants) + " speedbricks alive (normal " +
                                std::to_string(normal) + ", gentil " + std::to_string(gentil) +
                                ", aga " + std::to_string(aga) + "); births " +
                                std::to_string(naissances) + ", splits " +
                                std::to_string(scissions) + ", deaths " + std::to_string(morts);
    EXPECT_EQ(l[1].rfind("aquarium-batch: 3000 ticks in ", 0), 0u) << l[1];
    EXPECT_NE(l[1].find(attendu), std::string::npos) << l[1] << "\n" << attendu;
}
