// The console report of one speedbrick, byte for byte.
#include "Monde.h"

TEST_F(MondeTest, LaFicheDUnSpeedbrick) {
    monde->setTailleGenome(5);
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {0, 0, 1, 0, 0}, 100.0f, 200.5f, 300.0f, FEMELLE, 1);
    s->setId(3);
    s->setAge(160);
    s->setVelocite(-2.5f, 0.5f, 1.5f);
    console.vider();
    s->afficherEnConsole();
    EXPECT_EQ(console.texte(), "Speedbrick n\xb0"
                               "3\n"
                               "Age : 160\n"
                               "Position : 100 200.5 300\n"
                               "Vecteur : -2.5 0.5 1.5\n"
                               "00100\n"
                               "Invincible pendant 0 jours\n"
                               "St\xe9rile pendant 0 jours\n"
                               "Poss\xe8"
                               "de 1 anneaux\n"
                               "Est un 2 (0 Indetermine, 1 Male, 2 Femelle)\n");
}

TEST_F(MondeTest, LaFicheAuxLimites) {
    monde->setTailleGenome(0);
    C_SPEEDBRICK* s = poser(GENRE_AGA, {}, 549.0f, 123.456789f, 10.0f);
    console.vider();
    s->afficherEnConsole();
    const std::string texte = console.texte();
    EXPECT_NE(texte.find("Position : 549 123.457 10\n"), std::string::npos);
    EXPECT_NE(texte.find("\n\nInvincible pendant 0 jours\n"), std::string::npos);
    EXPECT_NE(texte.find("Poss\xe8"
                         "de 0 anneaux\n"),
              std::string::npos);
    EXPECT_NE(texte.find("Est un 0 (0"), std::string::npos);
}

TEST_F(MondeTest, LesGrandsComptesSEnchainent) {
    C_SPEEDBRICK* s = poser(GENRE_NORMAL, {2, 12, 0}, 0, 0, 0);
    console.vider();
    s->afficherCodeGenetiqueConsole();
    EXPECT_EQ(console.texte(), "2120");
}
