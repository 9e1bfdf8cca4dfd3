#include "Fenetre.h"

#include "C_AQUARIUM.h"
#include "Main.h"
#include "Scenario.h"

#include <GL/freeglut.h>

#include <chrono>

namespace {

bool G_exposee = false;

void noterExposition() { G_exposee = true; }

// Tests draw, as the program does, only once the window is on screen.
bool attendreExposition() {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!G_exposee && std::chrono::steady_clock::now() < limite)
        glutMainLoopEvent();
    return G_exposee;
}

} // namespace

bool ouvrirFenetreDeTest() {
    static bool ouverte = false;
    if (ouverte) return true;
    char nom[] = "window_tests";
    char* argv[] = {nom, nullptr};
    int argc = 1;
    const VerificationAffichage verification(argc, argv);
    if (!verification.ouvert()) {
        ADD_FAILURE() << "no X display for the window tests (ctest starts Xvfb for them)";
        return false;
    }
    ouvrirFenetre(argc, argv);
    glutDisplayFunc(noterExposition);
    ouverte = attendreExposition();
    if (!ouverte) ADD_FAILURE() << "the test window never showed";
    return ouverte;
}

// Mesa's software GLX never fills the front buffer that GL can read, but keeps the back buffer
// through the swap: the frame just shown is read from there.
Image lireImage() {
    const int largeur = glutGet(GLUT_WINDOW_WIDTH);
    const int hauteur = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<unsigned char> rgb(static_cast<size_t>(largeur) * static_cast<size_t>(hauteur) * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, largeur, hauteur, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return Image(largeur, hauteur, std::move(rgb));
}

GlobalesSauvees::GlobalesSauvees()
    : x_(G_dimensionAquariumX), y_(G_dimensionAquariumY), z_(G_dimensionAquariumZ),
      focale_(G_focaleCamera), rotationAutomatique_(G_rotationAutomatique), rotation_(G_rotation),
      xold_(G_xold) {}

GlobalesSauvees::~GlobalesSauvees() {
    G_dimensionAquariumX = x_;
    G_dimensionAquariumY = y_;
    G_dimensionAquariumZ = z_;
    G_focaleCamera = focale_;
    G_rotationAutomatique = rotationAutomatique_;
    G_rotation = rotation_;
    G_xold = xold_;
}

void TestFenetre::SetUp() {
    ASSERT_TRUE(ouvrirFenetreDeTest());
    initialisationScene();
    C_AQUARIUM::Creation(TAILLE_AQUARIUM, TAILLE_AQUARIUM, TAILLE_AQUARIUM);
}

void TestFenetre::TearDown() { detruireMonde(); }
