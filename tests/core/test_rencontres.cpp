// Encounters: the gates, reproduction and its gap table, and splitting.
#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "Monde.h"

#include <cstdlib>

class Reproduction : public MondeTest {
protected:
    // Breeds a female with genome `a` (first) and a male with genome `b`; returns the new
    // speedbrick, or null when none was born.
    C_SPEEDBRICK* croiser(std::vector<int> a, std::vector<int> b) {
        C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, a, 100, 200, 300, FEMELLE);
        C_SPEEDBRICK* male = poser(GENRE_NORMAL, b, 400, 500, 100, MALE);
        const size_t avant = monde->getListeSpeedbrick().size();
        console.vider();
        femelle->seReproduireAvec(male);
        EXPECT_EQ(femelle->getDureeSteriliteRestante(), 75);
        const auto apres = monde->getListeSpeedbrick();
        return apres.size() > avant ? apres.back() : nullptr;
    }
};

TEST_F(Reproduction, LEcartDuGenomeChoisitLeGenre) {
    struct Cas {
        std::vector<int> a, b;
        T_Genre genre;
        const char* ligne;
    };
    const Cas cas[] = {
        {{1, 0, 0},
         {0, 1, 0},
         GENRE_NORMAL,
         "B\xe9"
         "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : 110\n"},
        {{1, 1, 0},
         {1, 1, 0},
         GENRE_GENTIL,
         "B\xe9"
         "b\xe9 speedbrick gentil n\xe9 avec le g\xe8nome : 220.\n"},
        {{2, 1, 0},
         {1, 0, 0},
         GENRE_GENTIL,
         "B\xe9"
         "b\xe9 speedbrick gentil n\xe9 avec le g\xe8nome : 310.\n"},
        {{2, 0, 0},
         {1, 0, 0},
         GENRE_AGA,
         "B\xe9"
         "b\xe9 speedbrick aga n\xe9 avec le g\xe8nome : 300.\n"},
        {{2, 1, 1},
         {2, 0, 0},
         GENRE_AGA,
         "B\xe9"
         "b\xe9 speedbrick aga n\xe9 avec le g\xe8nome : 411.\n"},
        {{0, 0, 0},
         {0, 0, 0},
         GENRE_NORMAL,
         "B\xe9"
         "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : 000\n"},
    };
    for (const Cas& c : cas) {
        C_SPEEDBRICK* enfant = croiser(c.a, c.b);
        ASSERT_NE(enfant, nullptr);
        EXPECT_EQ(enfant->getGenre(), c.genre);
        EXPECT_EQ(console.texte(), c.ligne);
    }
}

TEST_F(Reproduction, UnEcartDeQuatreInterditLaNaissance) {
    EXPECT_EQ(croiser({2, 0, 0}, {2, 0, 0}), nullptr);
    EXPECT_EQ(console.texte(), "");
    EXPECT_EQ(croiser({5, 1, 0}, {0, 0, 0}), nullptr);
}

TEST_F(Reproduction, LEnfantNaitALaPlaceDuPremierQuIlSoitMaleOuFemelle) {
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {1, 0, 0}, 10, 20, 30, MALE);
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {0, 1, 0}, 40, 50, 60, FEMELLE);
    male->seReproduireAvec(femelle);
    const C_SPEEDBRICK* enfant = monde->getListeSpeedbrick().back();
    EXPECT_EQ(enfant->getPosX(), 10.0f);
    EXPECT_EQ(enfant->getPosY(), 20.0f);
    EXPECT_EQ(enfant->getPosZ(), 30.0f);
    EXPECT_EQ(enfant->getAge(), 0);
    EXPECT_EQ(enfant->getSexe(), INDETERMINE);
    EXPECT_EQ(enfant->getNombreAnneaux(), 0);
    EXPECT_EQ(enfant->getDureeInvincible(), 150);
    EXPECT_EQ(enfant->getDureeSteriliteRestante(), 75);
    EXPECT_EQ(enfant->getId(), monde->getCompteurOrganisme());
}

TEST_F(Reproduction, LesTiragesSuiventLOrdreEnfantPartenairePuisSoi) {
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {1, 0, 0}, 10, 20, 30, FEMELLE);
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {0, 1, 0}, 40, 50, 60, MALE);
    semerAleatoire(5);
    std::vector<float> tirages;
    for (int i = 0; i < 12; ++i) {
        const int r = aleatoire();
        tirages.push_back(static_cast<float>((r % 6 + 1) - 3.5));
    }
    semerAleatoire(5);
    femelle->seReproduireAvec(male);
    const C_SPEEDBRICK* enfant = monde->getListeSpeedbrick().back();
    // Draws 0-2: the child's provisional position; 3-5 its velocity z, y, x; then the
    // partner's, then the first speedbrick's.
    EXPECT_EQ(enfant->getVelZ(), tirages[3]);
    EXPECT_EQ(enfant->getVelX(), tirages[5]);
    EXPECT_EQ(male->getVelZ(), tirages[6]);
    EXPECT_EQ(male->getVelX(), tirages[8]);
    EXPECT_EQ(femelle->getVelZ(), tirages[9]);
    EXPECT_EQ(femelle->getVelY(), tirages[10]);
    EXPECT_EQ(femelle->getVelX(), tirages[11]);
}

TEST_F(Reproduction, UneFemelleSterileNeFaitQueRepartir) {
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {1, 0, 0}, 10, 20, 30, FEMELLE);
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {0, 1, 0}, 40, 50, 60, MALE);
    femelle->setDureeSteriliteRestante(10);
    console.vider();
    EXPECT_EQ(tiragesConsommes(3, [&] { male->seReproduireAvec(femelle); }), 6);
    EXPECT_EQ(femelle->getDureeSteriliteRestante(), 10);
    EXPECT_EQ(monde->getListeSpeedbrick().size(), 2u);
    EXPECT_EQ(console.texte(), "");
}

TEST_F(Reproduction, UnPartenaireQuiTourneAUnMurGardeSaVitesse) {
    C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, {1, 0, 0}, 10, 20, 30, FEMELLE);
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {0, 1, 0}, 40, 50, 60, MALE);
    femelle->setDureeSteriliteRestante(10);
    male->setRetournementEnCours(false, true, false);
    male->setVelocite(0.3f, 0.3f, 0.3f);
    EXPECT_EQ(tiragesConsommes(3, [&] { femelle->seReproduireAvec(male); }), 3);
    EXPECT_EQ(male->getVelX(), 0.3f);
    male->setRetournementEnCours(false, false, false);
    EXPECT_FALSE(male->getRetournementEnCours(1));
}

class Porte : public MondeTest {};

TEST_F(Porte, SeulsUnMaleEtUneFemelleSeReproduisent) {
    const T_Sexe sexes[] = {INDETERMINE, MALE, FEMELLE};
    for (T_Sexe a : sexes) {
        for (T_Sexe b : sexes) {
            C_SPEEDBRICK* premier = poser(GENRE_NORMAL, {1, 0, 0}, 10, 20, 30, a);
            C_SPEEDBRICK* second = poser(GENRE_NORMAL, {0, 1, 0}, 10, 20, 30, b);
            const int tirages = tiragesConsommes(2, [&] { monde->interaction(premier, second); });
            const bool couple = (a == MALE && b == FEMELLE) || (a == FEMELLE && b == MALE);
            // A birth takes 6 draws, each partner's new velocity 3.
            EXPECT_EQ(tirages, couple ? 12 : 0) << a << " " << b;
        }
    }
}

TEST_F(Porte, UnInvincibleNeSeScindePas) {
    std::vector<std::string> journal;
    Espion* s = new Espion("S", journal);
    s->ajouterOrganisme();
    s->setDureeInvincible(1);
    monde->interaction(s, 2);
    EXPECT_TRUE(journal.empty());
    s->setDureeInvincible(0);
    monde->interaction(s, 2);
    EXPECT_EQ(journal, (std::vector<std::string>{"S.seScinder(2)"}));
}

class Scission : public MondeTest {
protected:
    C_SPEEDBRICK* parent(T_Genre genre, int anneaux) {
        C_SPEEDBRICK* s = poser(genre, {0, 2, 1}, 100, 200, 300, FEMELLE, anneaux);
        s->setAge(777);
        s->setDureeSteriliteRestante(4);
        s->setAnneauADeplacer(anneaux > 0 ? anneaux - 1 : 0);
        return s;
    }
    C_SPEEDBRICK* dernier() { return monde->getListeSpeedbrick().back(); }
};

TEST_F(Scission, LesAnneauxDepuisKPartentAvecUnNouveauDuMemeGenre) {
    const char* messages[] = {"Nouveau speedbrick normal n\xe9 d'une scission.\n",
                              "Nouveau speedbrick gentil n\xe9 d'une scission.\n",
                              "Nouveau speedbrick aga n\xe9 d'une scission.\n"};
    for (T_Genre genre : {GENRE_NORMAL, GENRE_GENTIL, GENRE_AGA}) {
        C_SPEEDBRICK* p = parent(genre, 5);
        const auto anneaux = p->getListeAnneaux();
        const int compteur = monde->getCompteurOrganisme();
        console.vider();
        p->seScinder(2);
        C_SPEEDBRICK* e = dernier();
        ASSERT_NE(e, p);
        EXPECT_EQ(console.texte(), messages[genre]);
        EXPECT_EQ(e->getGenre(), genre);
        EXPECT_EQ(monde->getCompteurOrganisme(), compteur + 2);
        EXPECT_EQ(e->getId(), compteur + 1);
        EXPECT_EQ(p->getListeAnneaux(),
                  std::vector<C_ANNEAU*>(anneaux.begin(), anneaux.begin() + 2));
        EXPECT_EQ(e->getListeAnneaux(), std::vector<C_ANNEAU*>(anneaux.begin() + 2, anneaux.end()));
        for (const C_ANNEAU* a : e->getListeAnneaux())
            EXPECT_EQ(a->getMonSpeedbrick(), e);
        EXPECT_EQ(e->getListeAnneaux()[0]->getIdAnneau(), 2);
        EXPECT_EQ(p->getDureeInvincible(), 150);
        EXPECT_EQ(p->getAnneauADeplacer(), 0);
        EXPECT_EQ(p->getDureeSteriliteRestante(), 4);
        EXPECT_EQ(e->getDureeInvincible(), 150);
        EXPECT_EQ(e->getDureeSteriliteRestante(), 150);
        EXPECT_EQ(e->getAge(), 777);
        EXPECT_EQ(e->getSexe(), FEMELLE);
        EXPECT_EQ(e->getCodeGenetique(), (std::vector<int>{0, 2, 1}));
        EXPECT_EQ(e->getPosX(), 100.0f);
        EXPECT_EQ(e->getPosY(), 200.0f);
        EXPECT_EQ(e->getPosZ(), 300.0f);
        EXPECT_EQ(e->getAnneauADeplacer(), 0);
    }
}

TEST_F(Scission, AuxBornes) {
    C_SPEEDBRICK* tout = parent(GENRE_NORMAL, 3);
    tout->seScinder(0);
    EXPECT_EQ(tout->getNombreAnneaux(), 0);
    EXPECT_EQ(dernier()->getNombreAnneaux(), 3);

    C_SPEEDBRICK* rien = parent(GENRE_NORMAL, 3);
    rien->seScinder(3);
    EXPECT_EQ(rien->getNombreAnneaux(), 3);
    EXPECT_NE(dernier(), rien);
    EXPECT_EQ(dernier()->getNombreAnneaux(), 0);
    EXPECT_EQ(rien->getDureeInvincible(), 150);

    C_SPEEDBRICK* trop = parent(GENRE_NORMAL, 3);
    const size_t avant = monde->getListeSpeedbrick().size();
    console.vider();
    EXPECT_EQ(tiragesConsommes(8, [&] { trop->seScinder(4); }), 0);
    EXPECT_EQ(monde->getListeSpeedbrick().size(), avant);
    EXPECT_EQ(trop->getDureeInvincible(), 0);
    EXPECT_EQ(console.texte(), "");

    C_SPEEDBRICK* invincible = parent(GENRE_NORMAL, 3);
    invincible->setDureeInvincible(1);
    invincible->seScinder(1);
    EXPECT_EQ(dernier(), invincible);
    EXPECT_EQ(invincible->getNombreAnneaux(), 3);
    EXPECT_EQ(invincible->getDureeInvincible(), 1);
}

TEST_F(Scission, LEnfantTireSaPositionProvisoirePuisSaVitesse) {
    C_SPEEDBRICK* p = parent(GENRE_NORMAL, 2);
    semerAleatoire(21);
    std::vector<float> tirages;
    for (int i = 0; i < 6; ++i)
        tirages.push_back(static_cast<float>((aleatoire() % 6 + 1) - 3.5));
    semerAleatoire(21);
    p->seScinder(1);
    EXPECT_EQ(dernier()->getVelZ(), tirages[3]);
    EXPECT_EQ(dernier()->getVelY(), tirages[4]);
    EXPECT_EQ(dernier()->getVelX(), tirages[5]);
}
