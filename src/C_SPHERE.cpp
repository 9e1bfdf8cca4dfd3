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
void dessinerSphere(const GLfloat couleur[4], float x, float y, float z, float rayon) {
    glPushMatrix();
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, couleur);
    glTranslatef(x, y, z);
    glRotatef(12.5f, 4.0f, 7.0f, -3.0f);
    glutSolidSphere(rayon, kDecoupage, kDecoupage);
    glPopMatrix();
}

} // namespace

void C_SPHERE::afficheToi(C_SPEEDBRICK* s) {
    dessinerSphere(couleurDeTete(s->getSexe()), s->getPosX(), s->getPosY(), s->getPosZ(),
                   RAYON_TETE);
}

void C_SPHERE::afficheToi(C_ANNEAU* anneau) {
    dessinerSphere(kBlanc, anneau->getPosX(), anneau->getPosY(), anneau->getPosZ(), RAYON_ANNEAU);
}

void C_SPHERE::afficheToi(C_CUTIT* c) {
    dessinerSphere(kRouge, c->getPosX(), c->getPosY(), c->getPosZ(), RAYON_CUTIT);
}
