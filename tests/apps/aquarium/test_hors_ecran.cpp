// Drawn without a display, the scene is the window's to the pixel: our sphere is freeglut's, and
// the recorder's offscreen context renders a frame exactly as the window's context does.

#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "ContexteHorsEcran.h"
#include "Fenetre.h"
#include "Monde.h"
#include "Scenario.h"
#include "SphereSolide.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

class HorsEcran : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ouvrirLaFenetre());
        initialisationScene();
    }
    void TearDown() override { detruireMonde(); }
};

constexpr int kDecoupage = 15;

// Seen from one side, sixty spheres of the three radii over the tank, placed and tilted as the
// creatures are, and one head blown up to fill the middle of the window, so that each facet spans
// many pixels.
void semerSpheres(const std::function<void(float)>& sphere) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-300.0f, 0.0f, -300.0f);
    const float rayons[] = {RAYON_TETE, RAYON_ANNEAU, RAYON_CUTIT};
    for (int i = 0; i < 60; ++i) {
        glPushMatrix();
        glTranslatef(40.0f + (i % 10) * 55.0f, 60.0f + (i / 10) * 90.0f,
                     static_cast<float>((i * 37) % 600));
        glRotatef(12.5f, 4.0f, 7.0f, -3.0f);
        sphere(rayons[i % 3]);
        glPopMatrix();
    }
    glTranslatef(300.0f, 300.0f, 300.0f);
    glRotatef(12.5f, 4.0f, 7.0f, -3.0f);
    glScalef(20.0f, 20.0f, 20.0f);
    sphere(RAYON_TETE);
}

// Every vertex of every triangle, in the order drawn: where it lands in the window, its depth
// and its lit colour, as GL's feedback mode reports them.
std::vector<GLfloat> retour(const std::function<void(float)>& sphere) {
    std::vector<GLfloat> tampon(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(tampon.size()), GL_3D_COLOR, tampon.data());
    glRenderMode(GL_FEEDBACK);
    semerSpheres(sphere);
    const GLint n = glRenderMode(GL_RENDER);
    tampon.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return tampon;
}

void glut(float rayon) { glutSolidSphere(rayon, kDecoupage, kDecoupage); }

void notre(float rayon) { SphereSolide(rayon, kDecoupage, kDecoupage).tracer(); }

// The offscreen image has its top row first, the window's its bottom row.
Image retourner(Image image) {
    const auto ligne = static_cast<std::ptrdiff_t>(image.largeur) * 3;
    for (int y = 0; y < image.hauteur / 2; ++y)
        std::swap_ranges(image.rgb.begin() + y * ligne, image.rgb.begin() + (y + 1) * ligne,
                         image.rgb.end() - (y + 1) * ligne);
    return image;
}

// A thread has one current context: the window's is set aside while the offscreen one draws.
Image imageHorsEcran(float angle) {
    Display* const affichage = glXGetCurrentDisplay();
    const GLXDrawable dessin = glXGetCurrentDrawable();
    const GLXContext contexte = glXGetCurrentContext();
    glXMakeCurrent(affichage, None, nullptr);
    Image image{1000, 800, {}};
    {
        ContexteHorsEcran horsEcran;
        if (horsEcran.ouvrir(image.largeur, image.hauteur)) {
            initialisationScene();
            G_rotation = angle;
            dessinerScene();
            horsEcran.lireImage(image.rgb);
        } else {
            ADD_FAILURE() << horsEcran.erreur();
        }
    }
    glXMakeCurrent(affichage, dessin, contexte);
    return image;
}

} // namespace

TEST_F(HorsEcran, NotreSphereEstCelleDeFreeglut) {
    const std::vector<GLfloat> attendu = retour(glut);
    EXPECT_GT(attendu.size(), 100000u) << "too little drawn to compare";
    // Where each vertex lands, its depth and its lit colour: the same pixels follow.
    EXPECT_TRUE(retour(notre) == attendu) << "the vertices, normals or strips differ";
}

TEST_F(HorsEcran, LImageHorsEcranEstCelleDeLaFenetre) {
    mondeSynthetiqueMuet(300, 19, 11);
    G_rotationAutomatique = true;
    G_rotation = 41.0f;
    afficherScene();
    const Image fenetre = retourner(image());
    const Image horsEcran = imageHorsEcran(41.0f);
    ASSERT_EQ(horsEcran.rgb.size(), fenetre.rgb.size())
        << fenetre.largeur << "x" << fenetre.hauteur;
    EXPECT_LT(fenetre.noirs(), 1000L * 800 - 50000) << "too little drawn to compare";
    EXPECT_EQ(horsEcran.differences(fenetre), 0);
}
