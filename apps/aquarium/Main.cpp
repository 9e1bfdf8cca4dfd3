#include "Main.h"

#include "Apparence.h"
#include "Scenario.h"
#include "Tick.h"

#include <GL/glut.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <thread>

int G_laFenetrePrincipale = 0;
int G_xold = 0;

namespace {

void installerRappels() {
    glutKeyboardFunc(gererClavier);
    glutMouseFunc(mousePress);
    glutMotionFunc(mouseMotion);
    glutIdleFunc(animerScene);
}

// The name the program was started by, without its folder.
const char* nomDuProgramme(int argc, char** argv) {
    if (argc < 1) return "aquarium";
    const char* barre = std::strrchr(argv[0], '/');
    return barre != nullptr ? barre + 1 : argv[0];
}

void changerFocale(float focale) {
    if (focale > kFocaleMax) focale = kFocaleMax;
    if (focale < 0.0f) focale = 0.0f;
    G_focaleCamera = focale;
    initialisationScene();
    glutPostRedisplay();
}

// The display is checked first, so that a missing one fails before anything is written; the
// world then writes its report before the window exists.
bool demarrer(int argc, char** argv) {
    const VerificationAffichage verification(argc, argv);
    if (!verification.ouvert()) return false;
    initialiserAquarium();
    ouvrirFenetre(argc, argv);
    return true;
}

} // namespace

int lancerAquarium(int argc, char** argv) {
    if (!demarrer(argc, argv)) return EXIT_FAILURE;
    initialisationScene();
    installerRappels();
    glutMainLoop();
    return 0;
}

void ouvrirFenetre(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(200, 200);
    glutInitWindowSize(kLargeurFenetre, kHauteurFenetre);
    G_laFenetrePrincipale = glutCreateWindow("Aquarium");
    // freeglut refuses to enter its loop without a display callback; the tick installs it again.
    glutDisplayFunc(afficherScene);
}

void initialiserAquarium() {
    ReglagesMonde reglages;
    reglages.tailleX = G_dimensionAquariumX;
    reglages.tailleY = G_dimensionAquariumY;
    reglages.tailleZ = G_dimensionAquariumZ;
    demarrerMonde(static_cast<unsigned>(std::time(nullptr)), NOMBRE_FONDATEURS, NOMBRE_BANCS,
                  reglages);
}

void animerScene() {
    const long debut = glutGet(GLUT_ELAPSED_TIME);
    avancerTick();
    glutDisplayFunc(afficherScene);
    attendre(debut);
    glutPostRedisplay();
}

void attendre(long debut) {
    const unsigned int reste = resteDuTick(debut, glutGet(GLUT_ELAPSED_TIME));
    if (reste > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reste));
}

// A late tick is not made up: the next one simply starts its own 25 ms.
unsigned int resteDuTick(long debut, long maintenant) {
    const double ecoule = static_cast<double>(maintenant - debut);
    const double reste = kDureeTick - ecoule;
    if (reste <= 0.0) return 0;
    return static_cast<unsigned int>(reste);
}

void afficherScene() {
    dessinerScene();
    glutSwapBuffers();
}

// Only the lower-case letters act; every key but q ends with a redraw.
void gererClavier(unsigned char touche, int, int) {
    switch (touche) {
    case 'b':
        changerFocale(G_focaleCamera + kPasFocale);
        return;
    case 'n':
        changerFocale(G_focaleCamera - kPasFocale);
        return;
    case 'r':
        G_rotationAutomatique = !G_rotationAutomatique;
        glutPostRedisplay();
        return;
    case 'q':
        glutDestroyWindow(G_laFenetrePrincipale);
        std::exit(0);
    default:
        glutPostRedisplay();
    }
}

void mousePress(int bouton, int etat, int x, int) {
    if (bouton == GLUT_LEFT_BUTTON && etat == GLUT_DOWN) G_xold = x;
}

// Any button drags, measured from the last x stored; the angle is folded once, not looped, so
// a very large move may leave it outside 0 to 360.
void mouseMotion(int x, int) {
    float angle = G_rotation + static_cast<float>(x - G_xold);
    if (angle >= 360.0f) angle -= 360.0f;
    if (angle < 0.0f) angle += 360.0f;
    G_rotation = angle;
    G_xold = x;
    glutPostRedisplay();
}

const char* affichageDemande(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) return argv[i + 1];
    }
    return nullptr;
}

// freeglut would print its own message and exit on its own; this says it once, plainly.
VerificationAffichage::VerificationAffichage(int argc, char** argv) {
    const char* nom = affichageDemande(argc, argv);
    affichage_ = XOpenDisplay(nom);
    if (affichage_ != nullptr) return;
    const char* vise = nom != nullptr ? nom : std::getenv("DISPLAY");
    const char* programme = nomDuProgramme(argc, argv);
    if (vise == nullptr || *vise == '\0') {
        std::cerr << programme << ": no X display to open: DISPLAY is not set" << std::endl;
    } else {
        std::cerr << programme << ": cannot open the X display \"" << vise << "\"" << std::endl;
    }
}

VerificationAffichage::~VerificationAffichage() {
    if (affichage_ != nullptr) XCloseDisplay(affichage_);
}
