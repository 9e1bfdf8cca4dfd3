#include "C_SPHERE.h"

#include "Apparence.h"
#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "SphereSolide.h"

#include <GL/gl.h>

namespace {

constexpr GLint kDecoupage = 15;

// The three radii drawn, in the order of their display lists.
enum Forme { TETE, ANNEAU, CUTIT, NOMBRE_FORMES };

const SphereSolide G_formes[NOMBRE_FORMES] = {
    SphereSolide(RAYON_TETE, kDecoupage, kDecoupage),
    SphereSolide(RAYON_ANNEAU, kDecoupage, kDecoupage),
    SphereSolide(RAYON_CUTIT, kDecoupage, kDecoupage),
};
/// The first of the three lists, 0 before any is made.
GLuint G_listes = 0;
bool G_parListes = true;

// Lists belong to the context that made them: those of the window's context are no lists in an
// offscreen one, which makes its own. All three are made together, so that in every context
// where nothing else makes lists they get the same names, in the same order.
void preparerListes() {
    if (G_listes != 0 && glIsList(G_listes)) return;
    G_listes = glGenLists(NOMBRE_FORMES);
    for (int f = 0; f < NOMBRE_FORMES; ++f) {
        glNewList(G_listes + f, GL_COMPILE);
        G_formes[f].tracer();
        glEndList();
    }
}

void tracer(Forme forme) {
    if (!G_parListes) {
        G_formes[forme].tracer();
        return;
    }
    preparerListes();
    glCallList(G_listes + forme);
}

// Neither the kind nor the head colour shows: the three kinds look alike.
const GLfloat* couleurDeTete(T_Sexe sexe) {
    switch (sexe) {
    case INDETERMINE:
        return kCouleurJeune;
    case MALE:
        return kCouleurMale;
    case FEMELLE:
        return kCouleurFemelle;
    }
    return kCouleurJeune;
}

// The tilt turns the sphere about its own centre: it moves the facets, never the sphere.
void dessinerSphere(const GLfloat couleur[4], float x, float y, float z, Forme forme) {
    glPushMatrix();
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, couleur);
    glTranslatef(x, y, z);
    glRotatef(12.5f, 4.0f, 7.0f, -3.0f);
    tracer(forme);
    glPopMatrix();
}

} // namespace

void C_SPHERE::afficheToi(C_SPEEDBRICK* s) {
    dessinerSphere(couleurDeTete(s->getSexe()), s->getPosX(), s->getPosY(), s->getPosZ(), TETE);
}

void C_SPHERE::afficheToi(C_ANNEAU* anneau) {
    dessinerSphere(kCouleurAnneau, anneau->getPosX(), anneau->getPosY(), anneau->getPosZ(), ANNEAU);
}

void C_SPHERE::afficheToi(C_CUTIT* c) {
    dessinerSphere(kCouleurCutit, c->getPosX(), c->getPosY(), c->getPosZ(), CUTIT);
}

void dessinerSpheresParListes(bool oui) { G_parListes = oui; }
