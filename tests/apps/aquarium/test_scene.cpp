// The window in this process, on the virtual X server: what a frame shows, read back from GL,
// after keys and a drag; the idle callback's pacing.
#include "C_ANNEAU.h"
#include "Fenetre.h"
#include "Main.h"
#include "Monde.h"

#include <chrono>
#include <cmath>

namespace {

Image dessiner() {
    afficherScene();
    return image();
}

// The vertical field of view that the projection holds. The camera looks along a horizontal
// line, so the projection's second row is the perspective's cotangent times (0, 1, 0, -300);
// a zero field of view leaves no perspective at all (w stays 1).
double champDeVue() {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    if (m[15] == 1.0) return 0.0;
    return 2.0 * std::atan(1.0 / m[5]) * 180.0 / M_PI;
}

void taper(unsigned char touche, int fois) {
    for (int i = 0; i < fois; ++i)
        gererClavier(touche, 0, 0);
}

// Creatures on the tank's vertical axis, which the turn leaves in place, 60 units apart. With
// the eye at (300, 300, 900) looking at the axis and 60 degrees across 800 pixels, a unit of
// height there is 400 × cot(30°) / |(300, 900)| pixels.
int hauteurA(float y) {
    const double pixelsParUnite = 400.0 * std::sqrt(3.0) / std::hypot(300.0, 900.0);
    return static_cast<int>(std::lround(400.0 + (y - 300.0) * pixelsParUnite));
}

} // namespace

TEST(Fenetre, PixelsEtProjectionApresLesTouchesEtUnGlisser) {
    ASSERT_TRUE(ouvrirLaFenetre()) << "no X display (ctest starts Xvfb for the window tests)";
    initialisationScene();
    mondeVide();
    poser(GENRE_NORMAL, {1, 0, 0}, 300, 300, 300, INDETERMINE);
    C_SPEEDBRICK* male = poser(GENRE_AGA, {1, 0, 0}, 300, 360, 300, MALE, 1);
    placerAnneau(male, 0, 300, 420, 300);
    poser(GENRE_GENTIL, {1, 0, 0}, 300, 240, 300, FEMELLE);
    poserCutit(300, 180, 300);

    // At start the view turns 0.2 degree a frame from 0, through 60 degrees.
    EXPECT_NEAR(champDeVue(), 60.0, 1e-4);
    dessiner();
    EXPECT_EQ(G_rotation, 0.2f);
    taper('r', 1);
    G_rotation = 0.0f;
    const Image depart = dessiner();
    EXPECT_EQ(dessiner(), depart) << "r stops the turn";
    const auto couleur = [&](float y) { return depart.at(500, hauteurA(y)); };
    // Lit: the diffuse colour scaled by the light, plus a faint ambient grey.
    const Pixel vert = couleur(300), bleu = couleur(360), blanc = couleur(420),
                magenta = couleur(240), rouge = couleur(180), vide = couleur(330);
    EXPECT_TRUE(vert.g > 150 && vert.g > 2 * vert.r && std::abs(vert.r - vert.b) < 8);
    EXPECT_TRUE(bleu.b > 150 && bleu.r < 30 && bleu.g < 30);
    EXPECT_TRUE(blanc.r > 150 && blanc.r == blanc.g && blanc.g == blanc.b);
    EXPECT_TRUE(magenta.r > 150 && std::abs(magenta.r - magenta.b) < 8 && magenta.g < 30);
    EXPECT_TRUE(rouge.r > 150 && rouge.g < 30 && rouge.b < 30);
    EXPECT_EQ(vide, Pixel{});
    EXPECT_LT(depart.noirs(), 1000L * 800 - 3000) << "the tank's outline is missing";

    // b widens by 10 degrees up to 180, where everything shrinks to a point; n narrows down to
    // no perspective; back at 60 the frame is the first one again. Capitals do nothing.
    taper('b', 13);
    EXPECT_NEAR(champDeVue(), 180.0, 1e-4);
    EXPECT_GT(dessiner().noirs(), 1000L * 800 - 16);
    taper('n', 19);
    EXPECT_EQ(champDeVue(), 0.0);
    taper('b', 6);
    for (unsigned char touche : {'B', 'N', 'R', 'x'})
        taper(touche, 1);
    EXPECT_NEAR(champDeVue(), 60.0, 1e-4);
    EXPECT_EQ(dessiner(), depart);

    // A drag turns a degree per pixel from the last left press, folded once into 0 to 360;
    // other buttons do not move the start.
    mousePress(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 0);
    mouseMotion(450, 7);
    EXPECT_EQ(G_rotation, 350.0f);
    EXPECT_FALSE(dessiner() == depart);
    mouseMotion(460, 0);
    EXPECT_EQ(G_rotation, 0.0f);
    EXPECT_EQ(dessiner(), depart);
    mousePress(GLUT_RIGHT_BUTTON, GLUT_DOWN, 900, 0);
    mouseMotion(459, 0);
    EXPECT_EQ(G_rotation, 359.0f);

    // r again: the turn goes on from there, never folded by a frame.
    taper('r', 1);
    dessiner();
    EXPECT_EQ(G_rotation, static_cast<float>(359.0f + 0.2));
    detruireMonde();
}

// The idle callback is one tick of the world, paced to one per 25 ms.
TEST(Fenetre, LeTickDeLaFenetreEstRythme) {
    ASSERT_TRUE(ouvrirLaFenetre());
    // GLUT's counter reads whole milliseconds: a tick may seem one longer than it was.
    const C_AQUARIUM* monde = mondeVide();
    const auto debut = std::chrono::steady_clock::now();
    for (int t = 0; t < 4; ++t)
        animerScene();
    EXPECT_GE(std::chrono::steady_clock::now() - debut, 4 * std::chrono::milliseconds(24));
    EXPECT_EQ(monde->getTempsEcoule(), 4);
    detruireMonde();
}

// The pacing's arithmetic, on made-up readings of GLUT's counter: what is left of a tick's
// 25 ms to sleep.
TEST(Fenetre, CeQuiResteDuTickADormir) {
    struct Cas {
        long debut, maintenant;
        unsigned int reste;
    };
    for (Cas c : {Cas{5000, 5000, 25}, Cas{1000, 1010, 15}, Cas{1000, 1024, 1}, Cas{1000, 1025, 0},
                  Cas{1000, 1026, 0}, Cas{1000, 1000 + 3600000, 0},
                  // A tick late by 40 ms gives no credit to the next: it sleeps its own rest.
                  Cas{0, 65, 0}, Cas{65, 75, 15}}) {
        EXPECT_EQ(resteDuTick(c.debut, c.maintenant), c.reste) << c.debut << " " << c.maintenant;
    }
}
