#include "Scene.h"

#include "Apparence.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "C_SPHERE.h"

#include <GL/gl.h>
#include <GL/glu.h>

int G_dimensionAquariumX = 600;
int G_dimensionAquariumY = 600;
int G_dimensionAquariumZ = 600;
float G_focaleCamera = kFocaleInitiale;
bool G_rotationAutomatique = true;
float G_rotation = 0.0f;

namespace {

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

} // namespace

// The camera lives in the projection matrix, so that the model-view holds only the turn and
// the centring of the tank. The aspect is the window's 1000 × 800 whatever the drawing's size.
void initialisationScene() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(static_cast<double>(G_focaleCamera), kProportion, kPlanProche, kPlanLointain);
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
void dessinerScene() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (G_rotationAutomatique) G_rotation = static_cast<float>(G_rotation + kTourParImage);
    glRotatef(G_rotation, 0.0f, 1.0f, 0.0f);
    glTranslatef(static_cast<float>((-G_dimensionAquariumX) / 2), 0.0f,
                 static_cast<float>((-G_dimensionAquariumZ) / 2));
    dessinerOrganismes(monde);
    glDisable(GL_LIGHTING);
    dessinerContour();
    glEnable(GL_LIGHTING);
}
