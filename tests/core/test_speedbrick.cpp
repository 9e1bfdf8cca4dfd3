// The speedbrick's body and life cycle, and how each kind moves.
#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_SPEEDBRICK_NORMAL.h"
#include "Monde.h"

#include <cmath>

class Corps : public MondeTest {};

TEST_F(Corps, UnFondateurNaitAvecSonGeneEtSAnnonce) {
    monde->setTailleGenome(5);
    console.vider();
    semerAleatoire(3);
    aleatoire(), aleatoire(), aleatoire();
    const float vz = static_cast<float>((aleatoire() % 6 + 1) - 3.5);
    const float vy = static_cast<float>((aleatoire() % 6 + 1) - 3.5);
    const float vx = static_cast<float>((aleatoire() % 6 + 1) - 3.5);
    const float x = static_cast<float>(aleatoire() % 500 + 50);
    const float y = static_cast<float>(aleatoire() % 500 + 50);
    const float z = static_cast<float>(aleatoire() % 500 + 50);
    semerAleatoire(3);
    C_SPEEDBRICK_NORMAL fondateur(2);

    EXPECT_EQ(fondateur.getCodeGenetique(), (std::vector<int>{0, 0, 1, 0, 0}));
    EXPECT_EQ(fondateur.getNombreAnneaux(), 0);
    EXPECT_EQ(fondateur.getSexe(), INDETERMINE);
    EXPECT_EQ(fondateur.getAge(), 0);
    EXPECT_EQ(fondateur.getDureeInvincible(), 150);
    EXPECT_EQ(fondateur.getDureeSteriliteRestante(), 0);
    EXPECT_EQ(fondateur.getCouleurTete(), 0);
    EXPECT_EQ(fondateur.getId(), 1);
    EXPECT_EQ(fondateur.getVelX(), vx);
    EXPECT_EQ(fondateur.getVelY(), vy);
    EXPECT_EQ(fondateur.getVelZ(), vz);
    EXPECT_EQ(fondateur.getPosX(), x);
    EXPECT_EQ(fondateur.getPosY(), y);
    EXPECT_EQ(fondateur.getPosZ(), z);
    EXPECT_EQ(console.texte(), "Nouveau Speedbrick avec le g\xe9nome suivant : 00100\n");
}

TEST_F(Corps, GrandirDonneUnAnneauParUniteDeTempsEtLeSexeALaPremiere) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300);
    s->setAge(149);
    s->setDureeInvincible(5);
    s->setDureeSteriliteRestante(2);
    semerAleatoire(9);
    const T_Sexe attendu = (aleatoire() % 2 == 0) ? MALE : FEMELLE;
    semerAleatoire(9);
    s->grandir();
    EXPECT_EQ(s->getAge(), 150);
    ASSERT_EQ(s->getNombreAnneaux(), 1);
    EXPECT_EQ(s->getAnneauADeplacer(), 0);
    EXPECT_EQ(s->getSexe(), attendu);
    EXPECT_EQ(s->getDureeInvincible(), 4);
    EXPECT_EQ(s->getDureeSteriliteRestante(), 1);

    s->setAge(299);
    const T_Sexe avant = s->getSexe();
    EXPECT_EQ(tiragesConsommes(4, [&] { s->grandir(); }), 0);
    EXPECT_EQ(s->getNombreAnneaux(), 2);
    EXPECT_EQ(s->getSexe(), avant);

    s->setDureeInvincible(0);
    s->setDureeSteriliteRestante(0);
    s->grandir();
    EXPECT_EQ(s->getDureeInvincible(), 0);
    EXPECT_EQ(s->getDureeSteriliteRestante(), 0);
}

TEST_F(Corps, AuBoutDeSaVieUnNormalQuitteLeMondeSansDecompter) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300);
    s->setAge(2999);
    s->setDureeInvincible(5);
    s->grandir();
    EXPECT_EQ(s->getAge(), 3000);
    EXPECT_EQ(s->getDureeInvincible(), 5);
    EXPECT_TRUE(monde->getListeSpeedbrick().empty());
}

TEST_F(Corps, GentilEtAgaNeMeurentJamaisEtSeFigent) {
    for (T_Genre genre : {GENRE_GENTIL, GENRE_AGA}) {
        C_SPEEDBRICK* s = poser(genre, {1, 0, 0}, 300, 300, 300, MALE, 2);
        s->setAge(2999);
        s->setDureeInvincible(5);
        for (int tick = 0; tick < 400; ++tick)
            s->grandir();
        EXPECT_EQ(s->getAge(), 3399);
        EXPECT_EQ(s->getNombreAnneaux(), 2);
        EXPECT_EQ(s->getDureeInvincible(), 5);
    }
    EXPECT_EQ(monde->getListeSpeedbrick().size(), 2u);
}

TEST_F(Corps, UnAnneauNeufSePlaceDerriereLaTete) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 4);
    s->setVelocite(1.5f, -0.5f, 2.5f);
    s->setAnneauADeplacer(2);
    s->ajouterAnneau();
    const auto anneaux = s->getListeAnneaux();
    ASSERT_EQ(anneaux.size(), 5u);
    const C_ANNEAU* neuf = anneaux.back();
    EXPECT_EQ(neuf->getIdAnneau(), 4);
    EXPECT_EQ(neuf->getMonSpeedbrick(), s);
    EXPECT_EQ(neuf->getPosX(), 300.0f - 4.0f * 1.5f);
    EXPECT_EQ(neuf->getPosY(), 300.0f + 4.0f * 0.5f);
    EXPECT_EQ(neuf->getPosZ(), 300.0f - 4.0f * 2.5f);
    EXPECT_EQ(s->getAnneauADeplacer(), 2);
}

TEST_F(Corps, LesAnneauxSuiventLaTeteChacunASonTour) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300);
    s->deplacerAnneaux();
    EXPECT_EQ(s->getNombreAnneaux(), 0);

    for (int i = 0; i < 3; ++i)
        s->ajouterAnneau();
    s->setVelocite(0.5f, 1.5f, -2.5f);
    s->setAnneauADeplacer(2);
    s->deplacerAnneaux();
    const C_ANNEAU* deplace = s->getListeAnneaux()[2];
    EXPECT_EQ(deplace->getPosX(), 299.5f);
    EXPECT_EQ(deplace->getPosY(), 298.5f);
    EXPECT_EQ(deplace->getPosZ(), 302.5f);
    EXPECT_EQ(s->getAnneauADeplacer(), 0);
}

TEST_F(Corps, LaTeteResteADixUnitesDesMurs) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 5, 300, 595);
    s->corrigerPosition();
    EXPECT_EQ(s->getPosX(), 10.0f);
    EXPECT_EQ(s->getPosY(), 300.0f);
    EXPECT_EQ(s->getPosZ(), 590.0f);
    s->setPosition(10, 590, 300);
    s->corrigerPosition();
    EXPECT_EQ(s->getPosX(), 10.0f);
    EXPECT_EQ(s->getPosY(), 590.0f);
}

TEST_F(Corps, SeulUneFemelleFeconde) {
    C_SPEEDBRICK* male = poser(GENRE_NORMAL, {1, 0, 0}, 0, 0, 0, MALE);
    C_SPEEDBRICK* indecis = poser(GENRE_NORMAL, {1, 0, 0}, 0, 0, 0, INDETERMINE);
    C_SPEEDBRICK* sterile = poser(GENRE_NORMAL, {1, 0, 0}, 0, 0, 0, FEMELLE);
    sterile->setDureeSteriliteRestante(3);
    C_SPEEDBRICK* feconde = poser(GENRE_NORMAL, {1, 0, 0}, 0, 0, 0, FEMELLE);
    EXPECT_FALSE(male->mettreEnReproduction());
    EXPECT_FALSE(indecis->mettreEnReproduction());
    EXPECT_FALSE(sterile->mettreEnReproduction());
    EXPECT_EQ(male->getDureeSteriliteRestante(), 0);
    EXPECT_EQ(sterile->getDureeSteriliteRestante(), 3);
    EXPECT_TRUE(feconde->mettreEnReproduction());
    EXPECT_EQ(feconde->getDureeSteriliteRestante(), 75);
}

class Mouvement : public MondeTest {};

TEST_F(Mouvement, GentilEtAgaTournentDansLePlanYZ) {
    monde->setTempsEcoule(10);
    C_SPEEDBRICK* gentil = poser(GENRE_GENTIL, {1, 0, 0}, 300, 300, 300, MALE, 2);
    C_SPEEDBRICK* aga = poser(GENRE_AGA, {1, 0, 0}, 300, 300, 300, MALE, 2);
    gentil->seDeplacer();
    aga->seDeplacer();
    EXPECT_EQ(gentil->getPosX(), 300.0f);
    EXPECT_EQ(gentil->getPosY(), static_cast<float>(300.0f + 1.0 * std::sin(1.0)));
    EXPECT_EQ(gentil->getPosZ(), static_cast<float>(300.0f + 1.0 * std::cos(1.0)));
    EXPECT_EQ(aga->getPosX(), 300.0f);
    EXPECT_EQ(aga->getPosY(), static_cast<float>(300.0f + 0.2 * std::sin(2.0)));
    EXPECT_EQ(aga->getPosZ(), static_cast<float>(300.0f + 0.2 * std::cos(2.0)));

    C_SPEEDBRICK* immobile = poser(GENRE_GENTIL, {1, 0, 0}, 5, 300, 300, MALE, 0);
    immobile->seDeplacer();
    EXPECT_EQ(immobile->getPosX(), 10.0f);
    EXPECT_EQ(immobile->getPosY(), 300.0f);
    EXPECT_EQ(immobile->getPosZ(), 300.0f);
}

TEST_F(Mouvement, UnNormalSansAnneauAvanceDeSaVitesse) {
    monde->setTempsEcoule(3);
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300);
    s->setVelocite(2.5f, -0.5f, 1.5f);
    s->seDeplacer();
    EXPECT_EQ(s->getPosX(), 302.5f);
    EXPECT_EQ(s->getPosY(), 299.5f);
    EXPECT_EQ(s->getPosZ(), 301.5f);
}

TEST_F(Mouvement, UnNormalAvecAnneauOndule) {
    const int t = 7;
    monde->setTempsEcoule(t);
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, MALE, 1);
    s->setVelocite(2.5f, 0.5f, 0.5f);
    s->seDeplacer();
    const float w = static_cast<float>(std::sin(0.5 * t));
    EXPECT_EQ(s->getPosX(), 302.5f + w * (1.0f / 3.5f));
    EXPECT_EQ(s->getPosY(), 300.5f + w * (3.0f / 3.5f));
    EXPECT_EQ(s->getPosZ(), 300.5f + w * (3.0f / 3.5f));
    // The ring was moved one step behind the head before the head moved.
    EXPECT_EQ(s->getListeAnneaux()[0]->getPosX(), 297.5f);
}
