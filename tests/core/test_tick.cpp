// One tick: the order of the passes, the snapshots, contacts and what each contact calls.
#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "Monde.h"
#include "Contact.h"
#include "Tick.h"

#include <cmath>

class Passes : public MondeTest {
protected:
    Espion* espion(const std::string& nom) {
        Espion* e = new Espion(nom, journal);
        e->setDureeInvincible(0);
        e->ajouterOrganisme();
        return e;
    }
    std::vector<std::string> journal;
};

TEST_F(Passes, ToutGranditPuisToutBougePuisLesCutits) {
    for (const char* nom : {"A", "B", "C"})
        espion(nom)->setAge(2999);
    C_CUTIT* c = poserCutit(100, 100, 100);
    c->setVelocite(1.5f, 0, 0);
    passerTemps();
    animerOrganismes();
    // Each one dies in the growth pass and still makes its move.
    EXPECT_EQ(journal, (std::vector<std::string>{"A.mourir", "B.mourir", "C.mourir", "A.seDeplacer",
                                                 "B.seDeplacer", "C.seDeplacer"}));
    EXPECT_EQ(c->getPosX(), 101.5f);
    EXPECT_TRUE(monde->getListeSpeedbrick().empty());
    EXPECT_EQ(monde->getTempsEcoule(), 1);
}

TEST_F(Passes, UnMortEstLibereALaFinDuTickPasAvant) {
    Espion* e = espion("A");
    bool detruit = false;
    e->detruit = &detruit;
    e->setAge(2999);
    passerTemps();
    animerOrganismes();
    EXPECT_FALSE(detruit);
    gererCollisions();
    EXPECT_TRUE(detruit);
}

TEST_F(Passes, RegistresVidesRienNeSePasse) {
    passerTemps();
    animerOrganismes();
    gererCollisions();
    EXPECT_EQ(console.texte(), "");
    EXPECT_EQ(monde->getTempsEcoule(), 1);
}

TEST_F(Passes, LesPairesSontTesteesDansLOrdreDuRegistre) {
    C_SPEEDBRICK* a = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE);
    poser(GENRE_NORMAL, {0, 1, 0}, 301, 300, 300, FEMELLE);
    poser(GENRE_NORMAL, {0, 0, 1}, 302, 300, 300, FEMELLE);
    console.vider();
    gererCollisions();
    // (A, B) then (A, C): two births, each at A's place; (B, C) are both female.
    EXPECT_EQ(console.texte(), "B\xe9"
                               "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : 110\n"
                               "B\xe9"
                               "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : 101\n");
    const auto registre = monde->getListeSpeedbrick();
    ASSERT_EQ(registre.size(), 5u);
    for (size_t i = 3; i < 5; ++i)
        EXPECT_EQ(registre[i]->getPosX(), a->getPosX());
}

TEST_F(Passes, UnNeDeScissionRencontreLesAutresDansLeMemeTick) {
    // The male's rings 2 and 3 go to the newcomer; only ring 3 touches the female.
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 4);
    const auto anneaux = male->getListeAnneaux();
    for (int i = 0; i < 4; ++i)
        anneaux[static_cast<size_t>(i)]->setPosition(280.0f - 20.0f * i, 300, 300);
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {0, 1, 0}, 220, 300, 310, FEMELLE);
    poserCutit(300, 300, 300);
    console.vider();
    gererCollisions();
    EXPECT_EQ(console.texte(), "Nouveau speedbrick normal n\xe9 d'une scission.\n"
                               "B\xe9"
                               "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : 110\n");
    const auto registre = monde->getListeSpeedbrick();
    ASSERT_EQ(registre.size(), 4u);
    // The birth came from (female, newcomer): the child stands at the female's place.
    EXPECT_EQ(registre[3]->getPosX(), femelle->getPosX());
}

TEST_F(Passes, UnNeDeRencontreAttendLeTickSuivant) {
    poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE);
    poser(GENRE_NORMAL, {0, 1, 0}, 300, 300, 300, FEMELLE);
    passerTemps();
    animerOrganismes();
    gererCollisions();
    const auto registre = monde->getListeSpeedbrick();
    ASSERT_EQ(registre.size(), 3u);
    C_SPEEDBRICK* enfant = registre[2];
    const float x = enfant->getPosX();
    EXPECT_EQ(enfant->getAge(), 0);
    passerTemps();
    animerOrganismes();
    EXPECT_EQ(enfant->getAge(), 1);
    EXPECT_NE(enfant->getPosX(), x);
}

class Contact : public MondeTest {};

TEST_F(Contact, LesDistancesDeContactSontInclusives) {
    struct Cas {
        float r1, r2, distance;
    };
    for (Cas c : {Cas{8, 8, 16}, Cas{8, 6, 14}, Cas{8, 3, 11}, Cas{6, 3, 9}}) {
        EXPECT_TRUE(enContact(100, 200, 300, c.r1, 100 + c.distance, 200, 300, c.r2));
        EXPECT_TRUE(enContact(100, 200, 300, c.r1, 100, 200, 300 - c.distance, c.r2));
        const float juste = std::nextafter(100 + c.distance, 1000.0f);
        EXPECT_FALSE(enContact(100, 200, 300, c.r1, juste, 200, 300, c.r2)) << c.distance;
    }
    EXPECT_FALSE(enContact(0, 0, 0, 8, 16.5f, 0, 0, 8));
}

TEST_F(Contact, LaRacineSePrendEnSimplePrecision) {
    // 16² + 0.004² rounds to the float just above 256, whose square root is exactly 16:
    // contact, though the true distance exceeds 16.
    EXPECT_TRUE(enContact(0, 0, 0, 8, 16.0f, 0.004f, 0, 8));
    EXPECT_GT(std::sqrt(256.0 + 0.004 * 0.004), 16.0);
}

TEST_F(Contact, ChaqueContactDUnePaireAppelleLaRencontre) {
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, FEMELLE);
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {0, 1, 0}, 310, 300, 300, MALE, 3);
    const auto anneaux = male->getListeAnneaux();
    anneaux[0]->setPosition(300, 310, 300);
    anneaux[1]->setPosition(300, 200, 300);
    anneaux[2]->setPosition(300, 300, 290);
    // Head to head and two rings: three calls; the first breeds (12 draws), the next two
    // only redraw both velocities (6 draws each).
    EXPECT_EQ(tiragesConsommes(4, [&] { testCollision(femelle, male); }), 24);
    EXPECT_EQ(monde->getListeSpeedbrick().size(), 3u);
    // The second's head against the first's rings counts the same way.
    EXPECT_EQ(tiragesConsommes(4, [&] { testCollision(male, femelle); }), 18);
}

TEST_F(Contact, SansAnneauUnSpeedbrickRencontreLesAutresMaisPasLesCutits) {
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, FEMELLE);
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {0, 1, 0}, 300, 300, 300, MALE);
    std::vector<std::string> journal;
    Espion* e = new Espion("E", journal);
    e->ajouterOrganisme();
    C_CUTIT* c = poserCutit(300, 300, 300);
    testCollision(e, c);
    EXPECT_TRUE(journal.empty());
    testCollision(femelle, male);
    EXPECT_EQ(monde->getListeSpeedbrick().size(), 4u);
}

class Cutits : public Passes {
protected:
    // A spy at (300, 300, 300) with n rings strung out along x, 20 units apart.
    Espion* avecAnneaux(int n) {
        Espion* e = espion("S");
        for (int i = 0; i < n; ++i)
            e->ajouterAnneau();
        for (C_ANNEAU* a : e->getListeAnneaux())
            a->setPosition(320.0f + 20.0f * a->getIdAnneau(), 300, 300);
        return e;
    }
};

TEST_F(Cutits, ToucherLaTeteScindeAuMilieu) {
    C_CUTIT* c = poserCutit(300, 300, 300);
    testCollision(avecAnneaux(5), c);
    testCollision(avecAnneaux(1), c);
    EXPECT_EQ(journal, (std::vector<std::string>{"S.seScinder(2)", "S.seScinder(0)"}));
}

TEST_F(Cutits, ToucherUnAnneauScindeASonIndex) {
    Espion* e = avecAnneaux(5);
    const C_ANNEAU* troisieme = e->getListeAnneaux()[3];
    C_CUTIT* c =
        poserCutit(troisieme->getPosX(), troisieme->getPosY() + 9.0f, troisieme->getPosZ());
    testCollision(e, c);
    EXPECT_EQ(journal, (std::vector<std::string>{"S.seScinder(3)"}));

    // The index is the ring's own, not its place in the list.
    journal.clear();
    C_SPEEDBRICK* vrai = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 5);
    const auto anneaux = vrai->getListeAnneaux();
    for (int i = 0; i < 5; ++i)
        anneaux[static_cast<size_t>(i)]->setPosition(100.0f + 30.0f * i, 100, 100);
    vrai->seScinder(2);
    C_SPEEDBRICK* nouveau = monde->getListeSpeedbrick().back();
    nouveau->setDureeInvincible(0);
    console.vider();
    // Ring 3 stands at place 1 of the newcomer's three: the split at 3 keeps them all and
    // sends off a head alone; a split at place 1 would have kept one.
    testCollision(nouveau, poserCutit(190, 100, 100));
    EXPECT_EQ(nouveau->getNombreAnneaux(), 3);
    EXPECT_EQ(monde->getListeSpeedbrick().back()->getNombreAnneaux(), 0);
    EXPECT_EQ(console.texte(), "Nouveau speedbrick normal n\xe9 d'une scission.\n");
}

TEST_F(Cutits, TeteEtAnneauxTouchesNeDonnentQuUneScission) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 4);
    for (C_ANNEAU* a : s->getListeAnneaux())
        a->setPosition(300, 305, 300);
    console.vider();
    testCollision(s, poserCutit(300, 302, 300));
    EXPECT_EQ(console.texte(), "Nouveau speedbrick normal n\xe9 d'une scission.\n");
    EXPECT_EQ(s->getNombreAnneaux(), 2);
}

TEST_F(Cutits, LesAnneauxDUnInvincibleNeSontPasMesures) {
    Espion* e = avecAnneaux(5);
    e->setDureeInvincible(3);
    const C_ANNEAU* anneau = e->getListeAnneaux()[2];
    testCollision(e, poserCutit(anneau->getPosX(), anneau->getPosY(), anneau->getPosZ()));
    // The head is still measured; the gate refuses. The rings are skipped.
    testCollision(e, poserCutit(e->getPosX(), e->getPosY(), e->getPosZ()));
    EXPECT_TRUE(journal.empty());
}

TEST_F(Cutits, UnCutitNeChangeJamaisDUneRencontre) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 4);
    C_CUTIT* c = poserCutit(300, 300, 300);
    c->setVelocite(0.5f, 0, -1.5f);
    for (int i = 0; i < 3; ++i) {
        s->setDureeInvincible(0);
        testCollision(s, c);
    }
    EXPECT_EQ(c->getPosX(), 300.0f);
    EXPECT_EQ(c->getVelX(), 0.5f);
    EXPECT_EQ(c->getVelZ(), -1.5f);
    EXPECT_EQ(monde->getListeCutit().size(), 1u);
}
