#include "C_SPHERE.h"

#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"

#include <GL/glut.h>

namespace {

constexpr GLfloat kVertClair[4] = {0.3f, 0.8f, 0.3f, 0.0f};
constexpr GLfloat kBleu[4] = {0.0f, 0.0f, 1.0f, 0.0f};
constexpr GLfloat kMagenta[4] = {1.0f, 0.0f, 1.0f, 0.0f};
constexpr GLfloat kBlanc[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat kRouge[4] = {1.0f, 0.0f, 0.0f, 0.0f};
constexpr GLint kDecoupage = 15;

// One radius of sphere and the display list that draws it, once made.
struct Sphere {
    float rayon = 0.0f;
    GLuint liste = 0;
};

Sphere G_tete{RAYON_TETE};
Sphere G_anneau{RAYON_ANNEAU};
Sphere G_cutit{RAYON_CUTIT};
bool G_parListes = true;

// glutSolidSphere works out every vertex again on each call; a list keeps them, ready to replay.
void tracer(Sphere& sphere) {
    if (!G_parListes) {
        glutSolidSphere(sphere.rayon, kDecoupage, kDecoupage);
        return;
    }
    if (sphere.liste == 0) {
        sphere.liste = glGenLists(1);
        glNewList(sphere.liste, GL_COMPILE);
        glutSolidSphere(sphere.rayon, kDecoupage, kDecoupage);
        glEndList();
    }
    glCallList(sphere.liste);
}

// Neither the kind nor the head colour shows: the three kinds look alike.
const GLfloat* couleurDeTete(T_Sexe sexe) {
    switch (sexe) {
    case INDETERMINE:
        return kVertClair;
    case MALE:
        return kBleu;
    case FEMELLE:
        return kMagenta;
    }
    return kVertClair;
}

// The tilt turns the sphere about its own centre: it moves the facets, never the sphere.
void dessinerSphere(const GLfloat couleur[4], float x, float y, float z, Sphere& sphere) {
    glPushMatrix();
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, couleur);
    glTranslatef(x, y, z);
    glRotatef(12.5f, 4.0f, 7.0f, -3.0f);
    tracer(sphere);
    glPopMatrix();
}

} // namespace

void C_SPHERE::afficheToi(C_SPEEDBRICK* s) {
    dessinerSphere(couleurDeTete(s->getSexe()), s->getPosX(), s->getPosY(), s->getPosZ(), G_tete);
}

void C_SPHERE::afficheToi(C_ANNEAU* anneau) {
    dessinerSphere(kBlanc, anneau->getPosX(), anneau->getPosY(), anneau->getPosZ(), G_anneau);
}

void C_SPHERE::afficheToi(C_CUTIT* c) {
    dessinerSphere(kRouge, c->getPosX(), c->getPosY(), c->getPosZ(), G_cutit);
}

void dessinerSpheresParListes(bool oui) { G_parListes = oui; }
