// The world: creation and reset, registries, removal, destruction, and the seeding.
#include "C_CUTIT.h"
#include "C_SPEEDBRICK_NORMAL.h"
#include "Monde.h"
#include "Rapport.h"
#include "Scenario.h"

#include <cstdlib>

TEST(Creation, NouveauMondeADesReglagesParDefaut) {
    detruireMonde();
    EXPECT_EQ(C_AQUARIUM::getAquarium(), nullptr);
    C_AQUARIUM* monde = C_AQUARIUM::Creation(600, 600, 600);
    EXPECT_EQ(C_AQUARIUM::getAquarium(), monde);
    EXPECT_EQ(monde->getTempsEcoule(), 0);
    EXPECT_EQ(monde->getCompteurOrganisme(), 0);
    EXPECT_EQ(monde->getDureeVie(), 20);
    EXPECT_EQ(monde->getUniteTemps(), 150);
    EXPECT_EQ(monde->getTailleX(), 600);
    EXPECT_EQ(monde->getTailleY(), 600);
    EXPECT_EQ(monde->getTailleZ(), 600);
    EXPECT_TRUE(monde->getListeSpeedbrick().empty());
    EXPECT_TRUE(monde->getListeCutit().empty());
    detruireMonde();
    EXPECT_EQ(C_AQUARIUM::getAquarium(), nullptr);
}

TEST_F(MondeTest, UneSecondeCreationRemetLesReglagesEtGardeLesCreatures) {
    poser(GENRE_NORMAL, {1, 0, 0}, 100, 100, 100);
    poserCutit(200, 200, 200);
    monde->setTempsEcoule(500);
    monde->setDureeVie(3);
    monde->setUniteTemps(7);
    monde->setNbCutitParBanc(2);
    const auto speedbricks = monde->getListeSpeedbrick();
    const auto cutits = monde->getListeCutit();

    EXPECT_EQ(C_AQUARIUM::Creation(100, 200, 300), monde);
    EXPECT_EQ(monde->getTailleX(), 100);
    EXPECT_EQ(monde->getTailleY(), 200);
    EXPECT_EQ(monde->getTailleZ(), 300);
    EXPECT_EQ(monde->getTempsEcoule(), 0);
    EXPECT_EQ(monde->getCompteurOrganisme(), 0);
    EXPECT_EQ(monde->getDureeVie(), 20);
    EXPECT_EQ(monde->getUniteTemps(), 150);
    EXPECT_EQ(monde->getTailleGenome(), 3);
    EXPECT_EQ(monde->getListeSpeedbrick(), speedbricks);
    EXPECT_EQ(monde->getListeCutit(), cutits);

    // Shoals are back to 8 and the sterility period to 75 (the seeding needs a tank taller
    // than 200).
    monde->setTailleY(600);
    console.vider();
    monde->initialiserPopulation(0, 1);
    EXPECT_EQ(monde->getListeCutit().size(), 9u);
    C_SPEEDBRICK* femelle = speedbricks[0];
    femelle->setSexe(FEMELLE);
    ASSERT_TRUE(femelle->mettreEnReproduction());
    EXPECT_EQ(femelle->getDureeSteriliteRestante(), 75);
}

TEST_F(MondeTest, LesCopiesDuRegistreNeSuiventPasLesRetraits) {
    C_SPEEDBRICK* a = poser(GENRE_NORMAL, {1, 0, 0}, 100, 100, 100);
    C_SPEEDBRICK* b = poser(GENRE_NORMAL, {0, 1, 0}, 100, 100, 100);
    C_SPEEDBRICK* c = poser(GENRE_NORMAL, {0, 0, 1}, 100, 100, 100);
    C_SPEEDBRICK* d = poser(GENRE_NORMAL, {0, 0, 1}, 100, 100, 100);
    const auto avant = monde->getListeSpeedbrick();

    monde->supprimerSpeedbrick(b);
    EXPECT_EQ(avant, (std::vector<C_SPEEDBRICK*>{a, b, c, d}));
    EXPECT_EQ(monde->getListeSpeedbrick(), (std::vector<C_SPEEDBRICK*>{a, c, d}));
    monde->supprimerSpeedbrick(a);
    EXPECT_EQ(monde->getListeSpeedbrick(), (std::vector<C_SPEEDBRICK*>{c, d}));
    monde->supprimerSpeedbrick(d);
    EXPECT_EQ(monde->getListeSpeedbrick(), (std::vector<C_SPEEDBRICK*>{c}));
    monde->supprimerSpeedbrick(c);
    EXPECT_TRUE(monde->getListeSpeedbrick().empty());
    // Removed, not freed: the snapshot can still be read until the dead are reclaimed.
    EXPECT_EQ(avant[1]->getCodeGenetique(), (std::vector<int>{0, 1, 0}));
}

TEST_F(MondeTest, UnDoubleEnregistrementNEstRetireQuUneFoisEtLibereUneFois) {
    C_SPEEDBRICK* a = poser(GENRE_NORMAL, {1, 0, 0}, 100, 100, 100);
    C_SPEEDBRICK* b = poser(GENRE_NORMAL, {0, 1, 0}, 100, 100, 100);
    a->ajouterOrganisme();
    monde->supprimerSpeedbrick(a);
    EXPECT_EQ(monde->getListeSpeedbrick(), (std::vector<C_SPEEDBRICK*>{b, a}));
    C_CUTIT* c = poserCutit(1, 2, 3);
    c->ajouterOrganisme();
    EXPECT_EQ(monde->getListeCutit().size(), 2u);
    // TearDown destroys the world: the sanitizer build checks nothing is freed twice.
}

TEST_F(MondeTest, RetirerUnInconnuNeChangeRien) {
    C_SPEEDBRICK* a = poser(GENRE_NORMAL, {1, 0, 0}, 100, 100, 100);
    monde->supprimerSpeedbrick(a);
    monde->supprimerSpeedbrick(a);
    EXPECT_TRUE(monde->getListeSpeedbrick().empty());
}

TEST_F(MondeTest, LesIdentifiantsSuiventLeCompteur) {
    C_CUTIT* premier = poserCutit(0, 0, 0);
    C_CUTIT* second = poserCutit(0, 0, 0);
    EXPECT_EQ(premier->getId(), 1);
    EXPECT_EQ(second->getId(), 2);
    EXPECT_EQ(monde->getCompteurOrganisme(), 2);
}

class Peuplement : public MondeTest {};

TEST_F(Peuplement, VingtFondateursEtSixBancs) {
    console.vider();
    monde->initialiserPopulation(20, 6);
    const auto speedbricks = monde->getListeSpeedbrick();
    const auto cutits = monde->getListeCutit();
    ASSERT_EQ(speedbricks.size(), 20u);
    ASSERT_EQ(cutits.size(), 48u);
    EXPECT_EQ(monde->getTailleGenome(), 20);
    EXPECT_EQ(monde->getCompteurOrganisme(), 68);
    for (int i = 0; i < 20; ++i) {
        const C_SPEEDBRICK* s = speedbricks[static_cast<size_t>(i)];
        EXPECT_EQ(s->getId(), i + 1);
        std::vector<int> genome(20, 0);
        genome[static_cast<size_t>(i)] = 1;
        EXPECT_EQ(s->getCodeGenetique(), genome);
        EXPECT_EQ(s->getGenre(), GENRE_NORMAL);
    }
    for (int banc = 0; banc < 6; ++banc) {
        const C_CUTIT* premier = cutits[static_cast<size_t>(banc * 8)];
        float minX = premier->getPosX(), minY = premier->getPosY(), minZ = premier->getPosZ();
        for (int k = 0; k < 8; ++k) {
            const C_CUTIT* c = cutits[static_cast<size_t>(banc * 8 + k)];
            EXPECT_EQ(c->getId(), 21 + banc * 8 + k);
            EXPECT_EQ(c->getVelX(), premier->getVelX());
            EXPECT_EQ(c->getVelY(), 0.0f);
            EXPECT_EQ(c->getVelZ(), premier->getVelZ());
            minX = std::min(minX, c->getPosX());
            minY = std::min(minY, c->getPosY());
            minZ = std::min(minZ, c->getPosZ());
        }
        for (float v : {premier->getVelX(), premier->getVelZ()}) {
            EXPECT_TRUE(v == -1.5f || v == -0.5f || v == 0.5f || v == 1.5f) << v;
        }
        for (int k = 0; k < 8; ++k) {
            const C_CUTIT* c = cutits[static_cast<size_t>(banc * 8 + k)];
            EXPECT_LE(c->getPosX() - minX, 59.0f);
            EXPECT_LE(c->getPosY() - minY, 59.0f);
            EXPECT_LE(c->getPosZ() - minZ, 59.0f);
            EXPECT_GE(c->getPosY(), 100.0f);
            EXPECT_LE(c->getPosY(), 558.0f);
        }
    }
    EXPECT_EQ(console.texte(), lignesDesFondateurs(20) + "6 bancs de 8 cutits cr\xe9\xe9s.\n");
}

TEST_F(Peuplement, PetitsPeuplements) {
    console.vider();
    monde->initialiserPopulation(3, 0);
    EXPECT_EQ(console.texte(), lignesDesFondateurs(3) + "0 bancs de 8 cutits cr\xe9\xe9s.\n");

    // A second seeding appends, restarts the identifiers and sets its own genome length.
    console.vider();
    monde->initialiserPopulation(0, 2);
    EXPECT_EQ(console.texte(), "2 bancs de 8 cutits cr\xe9\xe9s.\n");
    EXPECT_EQ(monde->getTailleGenome(), 0);
    EXPECT_EQ(monde->getListeSpeedbrick().size(), 3u);
    const auto cutits = monde->getListeCutit();
    ASSERT_EQ(cutits.size(), 16u);
    EXPECT_EQ(cutits.front()->getId(), 1);
    EXPECT_EQ(cutits.back()->getId(), 16);
}

TEST_F(Peuplement, UnBancVideTireQuandMemeSonOrigine) {
    monde->setNbCutitParBanc(0);
    console.vider();
    EXPECT_EQ(tiragesConsommes(7, [&] { monde->initialiserPopulation(0, 6); }), 30);
    EXPECT_EQ(console.texte(), "6 bancs de 0 cutits cr\xe9\xe9s.\n");
    EXPECT_TRUE(monde->getListeCutit().empty());
}
