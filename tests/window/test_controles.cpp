#include "Fenetre.h"
#include "Geometrie.h"
#include "Main.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

namespace {

using Clavier = TestFenetre;
using Souris = TestFenetre;

void taper(unsigned char touche, int fois) {
    for (int i = 0; i < fois; ++i)
        gererClavier(touche, 17, 23);
}

bool projectionPour(double champ) {
    return prochesParColonne(lireMatrice(GL_PROJECTION_MATRIX), cameraAttendue(champ), 1e-6);
}

// A zero field of view gives no perspective: GLU then leaves the camera alone.
bool projectionSansPerspective() {
    const Matrice camera = regarder({300.0, 300.0, 900.0}, {0.0, 300.0, 0.0}, {0.0, 1.0, 0.0});
    return prochesParColonne(lireMatrice(GL_PROJECTION_MATRIX), camera, 1e-6);
}

void glisser(int depuis, int vers) {
    mousePress(GLUT_LEFT_BUTTON, GLUT_DOWN, depuis, 400);
    mouseMotion(vers, 410);
}

} // namespace

TEST_F(Clavier, DouzeBElargissentJusqua180EtPasAuDela) {
    taper('b', 12);
    EXPECT_EQ(G_focaleCamera, 180.0f);
    EXPECT_TRUE(projectionPour(180.0));
    taper('b', 1);
    EXPECT_EQ(G_focaleCamera, 180.0f);
    EXPECT_TRUE(projectionPour(180.0));
}

TEST_F(Clavier, SixNRetrecissentJusqua0EtPasEnDeca) {
    taper('n', 6);
    EXPECT_EQ(G_focaleCamera, 0.0f);
    EXPECT_TRUE(projectionSansPerspective());
    taper('n', 1);
    EXPECT_EQ(G_focaleCamera, 0.0f);
    EXPECT_TRUE(projectionSansPerspective());
}

TEST_F(Clavier, BPuisNRendentLaVueDeDepart) {
    taper('b', 3);
    EXPECT_TRUE(projectionPour(90.0));
    taper('n', 3);
    EXPECT_TRUE(projectionPour(60.0));
}

TEST_F(Clavier, RDeuxFoisRendLaRotationEtGardeLAngleAtteint) {
    G_rotation = 20.0f;
    taper('r', 1);
    EXPECT_FALSE(G_rotationAutomatique);
    afficherScene();
    EXPECT_EQ(G_rotation, 20.0f);
    taper('r', 1);
    EXPECT_TRUE(G_rotationAutomatique);
    EXPECT_EQ(G_rotation, 20.0f);
    afficherScene();
    EXPECT_EQ(G_rotation, static_cast<float>(20.0f + 0.2));
}

TEST_F(Clavier, MajusculesEtAutresTouchesNeChangentRien) {
    for (unsigned char touche : {'B', 'N', 'R', 'Q', 'x', ' ', '1'})
        gererClavier(touche, 0, 0);
    EXPECT_EQ(G_focaleCamera, 60.0f);
    EXPECT_TRUE(G_rotationAutomatique);
    EXPECT_TRUE(projectionPour(60.0));
}

TEST_F(Clavier, QFermeEtSortAvecZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(gererClavier('q', 0, 0), testing::ExitedWithCode(0), "");
}

TEST_F(Souris, UnDegreParPixelEtRetour) {
    G_rotation = 100.0f;
    glisser(100, 130);
    EXPECT_EQ(G_rotation, 130.0f);
    EXPECT_EQ(G_xold, 130);
    mouseMotion(100, 0);
    EXPECT_EQ(G_rotation, 100.0f);
}

TEST_F(Souris, RepliUneSeuleFoisDansZeroTroisCentSoixante) {
    G_rotation = 350.0f;
    glisser(100, 120);
    EXPECT_EQ(G_rotation, 10.0f);
    G_rotation = 5.0f;
    glisser(100, 80);
    EXPECT_EQ(G_rotation, 345.0f);
    G_rotation = 10.0f;
    glisser(0, 800);
    EXPECT_EQ(G_rotation, 450.0f);
}

TEST_F(Souris, LesAutresBoutonsGlissentDepuisLeDernierXRetenu) {
    G_rotation = 0.0f;
    mousePress(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 0);
    mousePress(GLUT_LEFT_BUTTON, GLUT_UP, 250, 0);
    mousePress(GLUT_RIGHT_BUTTON, GLUT_DOWN, 300, 0);
    mousePress(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 320, 0);
    EXPECT_EQ(G_xold, 100);
    mouseMotion(310, 0);
    EXPECT_EQ(G_rotation, 210.0f);
    mouseMotion(300, 0);
    EXPECT_EQ(G_rotation, 200.0f);
}
