#include "Main.h"

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "C_SPHERE.h"
#include "Tick.h"

#include <GL/glu.h>
#include <GL/glut.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <thread>
#include <vector>

int G_laFenetrePrincipale = 0;
int G_dimensionAquariumX = 600;
int G_dimensionAquariumY = 600;
int G_dimensionAquariumZ = 600;
float G_focaleCamera = 60.0f;
bool G_rotationAutomatique = true;
float G_rotation = 0.0f;
int G_xold = 0;

namespace {

constexpr int kFondateurs = 20;
constexpr int kBancs = 6;
constexpr double kDureeTick = 25.0;
constexpr float kPasFocale = 10.0f;
constexpr float kFocaleMax = 180.0f;

void installerRappels() {
    glutKeyboardFunc(gererClavier);
    glutMouseFunc(mousePress);
    glutMotionFunc(mouseMotion);
    glutIdleFunc(animerScene);
}

// Nothing changes the world while a frame is drawn, so the registries are read in place rather
// than copied for every frame and every speedbrick.
void dessinerOrganismes(const C_AQUARIUM* monde) {
    for (C_SPEEDBRICK* s : monde->speedbricks()) {
        C_SPHERE().afficheToi(s);
        for (C_ANNEAU* anneau : s->anneaux())
            C_SPHERE().afficheToi(anneau);
    }
    for (C_CUTIT* c : monde->cutits())
        C_SPHERE().afficheToi(c);
}

// The back face, the edge joining it to the front, the front face, then the three edges left.
void dessinerContour() {
    const double x = G_dimensionAquariumX;
    const double y = G_dimensionAquariumY;
    const double z = G_dimensionAquariumZ;
    glBegin(GL_LINE_STRIP);
    glColor3d(1.0, 1.0, 1.0);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(0.0, y, 0.0);
    glVertex3d(x, y, 0.0);
    glVertex3d(x, 0.0, 0.0);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(0.0, 0.0, z);
    glVertex3d(0.0, y, z);
    glVertex3d(x, y, z);
    glVertex3d(x, 0.0, z);
    glVertex3d(0.0, 0.0, z);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(0.0, y, 0.0);
    glVertex3d(0.0, y, z);
    glVertex3d(x, y, 0.0);
    glVertex3d(x, y, z);
    glVertex3d(x, 0.0, 0.0);
    glVertex3d(x, 0.0, z);
    glEnd();
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
    semerAleatoire(static_cast<unsigned>(std::time(nullptr)));
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
    glutInitWindowSize(1000, 800);
    G_laFenetrePrincipale = glutCreateWindow("Aquarium");
    // freeglut refuses to enter its loop without a display callback; the tick installs it again.
    glutDisplayFunc(afficherScene);
}

void initialiserAquarium() {
    C_AQUARIUM* monde =
        C_AQUARIUM::Creation(G_dimensionAquariumX, G_dimensionAquariumY, G_dimensionAquariumZ);
    monde->initialiserPopulation(kFondateurs, kBancs);
}

void animerScene() {
    const long debut = glutGet(GLUT_ELAPSED_TIME);
    passerTemps();
    animerOrganismes();
    gererCollisions();
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

// The camera lives in the projection matrix, so that the model-view holds only the turn and
// the centring of the tank.
void initialisationScene() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(static_cast<double>(G_focaleCamera), 1.25, 1.5, 5000.0);
    gluLookAt(G_dimensionAquariumX / 2, G_dimensionAquariumY / 2, G_dimensionAquariumZ * 1.5, 0.0,
              G_dimensionAquariumY / 2, 0.0, 0.0, 1.0, 0.0);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
}

// The angle is never wrapped here: only a mouse drag folds it back.
void afficherScene() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (G_rotationAutomatique) G_rotation = static_cast<float>(G_rotation + 0.2);
    glRotatef(G_rotation, 0.0f, 1.0f, 0.0f);
    glTranslatef(static_cast<float>((-G_dimensionAquariumX) / 2), 0.0f,
                 static_cast<float>((-G_dimensionAquariumZ) / 2));
    dessinerOrganismes(monde);
    glDisable(GL_LIGHTING);
    dessinerContour();
    glEnable(GL_LIGHTING);
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
