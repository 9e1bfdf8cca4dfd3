#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "C_SPEEDBRICK_AGA.h"
#include "C_SPEEDBRICK_NORMAL.h"
#include "C_SPHERE.h"
#include "Fenetre.h"
#include "Geometrie.h"
#include "Main.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using Scene = TestFenetre;
using Dessin = TestFenetre;

C_SPEEDBRICK* poserSpeedbrick(T_Sexe sexe, Point3 p) {
    C_SPEEDBRICK* s = new C_SPEEDBRICK_NORMAL(std::vector<int>{1}, static_cast<float>(p.x),
                                              static_cast<float>(p.y), static_cast<float>(p.z));
    s->setSexe(sexe);
    s->ajouterOrganisme();
    return s;
}

void poserAnneau(C_SPEEDBRICK* s, Point3 p) {
    s->ajouterAnneau();
    s->getListeAnneaux().back()->setPosition(static_cast<float>(p.x), static_cast<float>(p.y),
                                             static_cast<float>(p.z));
}

void poserCutit(Point3 p) {
    C_CUTIT* c = new C_CUTIT();
    c->setPosition(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
    c->ajouterOrganisme();
}

// A still frame: the view neither turns nor moves between two pictures.
Image dessinerImmobile(float angle) {
    G_rotationAutomatique = false;
    G_rotation = angle;
    afficherScene();
    return lireImage();
}

PointEcran ecran(Point3 p) { return projeter(cameraAttendue(60.0), vueAttendue(0.0), p); }

Pixel pixelEn(const Image& image, Point3 p) {
    const PointEcran e = ecran(p);
    return image.at(static_cast<int>(e.x), static_cast<int>(e.y));
}

bool blanc(Pixel p) { return p.r == 255 && p.g == 255 && p.b == 255; }
bool noir(Pixel p) { return p.r == 0 && p.g == 0 && p.b == 0; }

// Lit colours: the diffuse colour scaled by the light's angle, plus a faint ambient grey.
bool vertClair(Pixel p) {
    return p.g > 150 && p.r > 40 && p.r < 130 && std::abs(p.r - p.b) < 8 && p.g > 2 * p.r;
}
bool bleu(Pixel p) { return p.b > 150 && p.r < 30 && p.g < 30; }
bool magenta(Pixel p) { return p.r > 150 && p.b > 150 && std::abs(p.r - p.b) < 8 && p.g < 30; }
bool blancEclaire(Pixel p) {
    return p.r > 150 && std::abs(p.r - p.g) < 8 && std::abs(p.r - p.b) < 8;
}
bool rouge(Pixel p) { return p.r > 150 && p.g < 30 && p.b < 30; }

using Segment = std::pair<Point3, Point3>;

std::vector<Segment> aretesDuBac() {
    const double t = 600.0;
    return {{{0, 0, 0}, {0, t, 0}}, {{0, t, 0}, {t, t, 0}}, {{t, t, 0}, {t, 0, 0}},
            {{t, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, t}}, {{0, 0, t}, {0, t, t}},
            {{0, t, t}, {t, t, t}}, {{t, t, t}, {t, 0, t}}, {{t, 0, t}, {0, 0, t}},
            {{0, t, 0}, {0, t, t}}, {{t, t, 0}, {t, t, t}}, {{t, 0, 0}, {t, 0, t}}};
}

double distanceAuSegment(double x, double y, PointEcran a, PointEcran b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

double distanceAuContour(double x, double y) {
    double d = 1e9;
    for (const Segment& s : aretesDuBac()) {
        d = std::min(d, distanceAuSegment(x, y, ecran(s.first), ecran(s.second)));
    }
    return d;
}

bool blancPres(const Image& image, PointEcran e) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (blanc(image.at(static_cast<int>(e.x) + dx, static_cast<int>(e.y) + dy))) {
                return true;
            }
        }
    }
    return false;
}

int compterBlancs(const Image& image) {
    int n = 0;
    for (int y = 0; y < image.hauteur(); ++y) {
        for (int x = 0; x < image.largeur(); ++x)
            n += blanc(image.at(x, y)) ? 1 : 0;
    }
    return n;
}

bool dansLaFenetre(PointEcran e) { return e.x >= 2 && e.x < 998 && e.y >= 2 && e.y < 798; }

} // namespace

TEST(Globales, ValeursDeDepart) {
    EXPECT_EQ(G_dimensionAquariumX, 600);
    EXPECT_EQ(G_dimensionAquariumY, 600);
    EXPECT_EQ(G_dimensionAquariumZ, 600);
    EXPECT_EQ(G_focaleCamera, 60.0f);
    EXPECT_TRUE(G_rotationAutomatique);
    EXPECT_EQ(G_rotation, 0.0f);
    EXPECT_EQ(G_xold, 0);
}

TEST_F(Scene, LaCameraEstDansLaProjection) {
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_PROJECTION_MATRIX), cameraAttendue(60.0), 1e-6));
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_MODELVIEW_MATRIX), identite(), 0.0));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(Scene, EclaireLisseProfondeurEtFondNoir) {
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint ombrage = 0;
    glGetIntegerv(GL_SHADE_MODEL, &ombrage);
    EXPECT_EQ(ombrage, GL_SMOOTH);
    GLfloat fond[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, fond);
    EXPECT_EQ(std::vector<GLfloat>(fond, fond + 4), std::vector<GLfloat>(4, 0.0f));
    GLfloat profondeur = 0.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &profondeur);
    EXPECT_EQ(profondeur, 1.0f);
}

TEST_F(Scene, UnBacImpairSeCoupeParTroncature) {
    G_dimensionAquariumX = 601;
    G_dimensionAquariumZ = 601;
    initialisationScene();
    const Matrice camera =
        produit(perspective(60.0, 1.25, 1.5, 5000.0),
                regarder({300.0, 300.0, 901.5}, {0.0, 300.0, 0.0}, {0.0, 1.0, 0.0}));
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_PROJECTION_MATRIX), camera, 1e-6));
    dessinerImmobile(0.0f);
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_MODELVIEW_MATRIX), vueAttendue(0.0), 1e-6));
}

TEST_F(Scene, ChaqueImageTourneDe0_2Degre) {
    G_rotation = 10.0f;
    afficherScene();
    EXPECT_EQ(G_rotation, static_cast<float>(10.0f + 0.2));
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_MODELVIEW_MATRIX), vueAttendue(10.2), 1e-6));
    afficherScene();
    EXPECT_EQ(G_rotation, static_cast<float>(static_cast<float>(10.0f + 0.2) + 0.2));
}

TEST_F(Scene, LAngleNEstJamaisRamene) {
    G_rotation = 359.9f;
    afficherScene();
    EXPECT_GT(G_rotation, 360.0f);
}

TEST_F(Scene, SansRotationAutomatiqueLImageNeBougePas) {
    const Image avant = dessinerImmobile(33.0f);
    ASSERT_GT(compterBlancs(avant), 1000);
    afficherScene();
    EXPECT_EQ(G_rotation, 33.0f);
    EXPECT_EQ(lireImage(), avant);
}

TEST_F(Dessin, RegistresVidesSeulLeContourBlancAuxAretesProjetees) {
    const Image image = dessinerImmobile(0.0f);
    image.enregistrerPpm("contour.ppm", true);
    for (int y = 0; y < image.hauteur(); ++y) {
        for (int x = 0; x < image.largeur(); ++x) {
            const Pixel p = image.at(x, y);
            ASSERT_TRUE(noir(p) || blanc(p)) << "pixel " << x << "," << y;
            if (!blanc(p)) continue;
            ASSERT_LT(distanceAuContour(x + 0.5, y + 0.5), 1.5) << "stray pixel " << x << "," << y;
        }
    }
    EXPECT_GT(compterBlancs(image), 3000);
    int aretesVues = 0;
    for (const Segment& s : aretesDuBac()) {
        const PointEcran a = ecran(s.first);
        const PointEcran b = ecran(s.second);
        for (double t = 0.05; t < 1.0; t += 0.1) {
            const PointEcran e{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
            if (!dansLaFenetre(e)) continue;
            EXPECT_TRUE(blancPres(image, e)) << "no outline at " << e.x << "," << e.y;
        }
        if (dansLaFenetre(a) && dansLaFenetre(b)) ++aretesVues;
    }
    EXPECT_EQ(aretesVues, 12);
}

TEST_F(Dessin, TetesParSexeAnneauxBlancsCutitsRouges) {
    poserSpeedbrick(INDETERMINE, {200, 300, 300});
    C_SPEEDBRICK* male = poserSpeedbrick(MALE, {300, 300, 300});
    poserAnneau(male, {300, 250, 300});
    poserAnneau(male, {300, 200, 300});
    poserSpeedbrick(FEMELLE, {450, 300, 300});
    poserCutit({300, 420, 300});
    const Image image = dessinerImmobile(0.0f);
    image.enregistrerPpm("creatures.ppm", true);

    const Pixel indetermine = pixelEn(image, {200, 300, 300});
    const Pixel tete = pixelEn(image, {300, 300, 300});
    const Pixel femelle = pixelEn(image, {450, 300, 300});
    const Pixel anneau1 = pixelEn(image, {300, 250, 300});
    const Pixel anneau2 = pixelEn(image, {300, 200, 300});
    const Pixel cutit = pixelEn(image, {300, 420, 300});
    EXPECT_TRUE(vertClair(indetermine))
        << indetermine.r << " " << indetermine.g << " " << indetermine.b;
    EXPECT_TRUE(bleu(tete)) << tete.r << " " << tete.g << " " << tete.b;
    EXPECT_TRUE(magenta(femelle)) << femelle.r << " " << femelle.g << " " << femelle.b;
    EXPECT_TRUE(blancEclaire(anneau1)) << anneau1.r << " " << anneau1.g << " " << anneau1.b;
    EXPECT_TRUE(blancEclaire(anneau2)) << anneau2.r << " " << anneau2.g << " " << anneau2.b;
    EXPECT_TRUE(rouge(cutit)) << cutit.r << " " << cutit.g << " " << cutit.b;
    EXPECT_TRUE(noir(pixelEn(image, {300, 360, 300})));
}

// Each sphere's size on screen follows its radius: 8 for a head, 6 for a ring, 3 for a cutit.
TEST_F(Dessin, RayonsDesSpheres) {
    const Point3 centre{300, 300, 300};
    const auto largeurVue = [&](double rayon) {
        const PointEcran c = ecran(centre);
        const PointEcran bord = ecran({centre.x, centre.y + rayon, centre.z});
        return std::hypot(bord.x - c.x, bord.y - c.y);
    };
    // The lit run of the pixel column through the centre; the ambient light keeps even the
    // sphere's dark side off black.
    const auto hauteurAllumee = [](const Image& image, PointEcran c) {
        const int x = static_cast<int>(c.x);
        int haut = static_cast<int>(c.y);
        int bas = haut;
        while (!noir(image.at(x, haut + 1)))
            ++haut;
        while (!noir(image.at(x, bas - 1)))
            --bas;
        return haut - bas + 1;
    };
    const PointEcran c = ecran(centre);
    const auto verifier = [&](const Image& image, double rayon) {
        EXPECT_NEAR(hauteurAllumee(image, c), 2.0 * largeurVue(rayon), 1.5) << "radius " << rayon;
    };
    C_SPEEDBRICK* s = poserSpeedbrick(MALE, centre);
    verifier(dessinerImmobile(0.0f), 8.0);
    C_AQUARIUM::getAquarium()->supprimerSpeedbrick(s);
    C_AQUARIUM::getAquarium()->libererMorts();
    C_SPEEDBRICK* porteur = poserSpeedbrick(MALE, {-50, 300, 300});
    poserAnneau(porteur, centre);
    verifier(dessinerImmobile(0.0f), 6.0);
    C_AQUARIUM::getAquarium()->supprimerSpeedbrick(porteur);
    C_AQUARIUM::getAquarium()->libererMorts();
    poserCutit(centre);
    verifier(dessinerImmobile(0.0f), 3.0);
}

TEST_F(Dessin, NiLeGenreNiLaCouleurDeTeteNeSeVoient) {
    C_SPEEDBRICK* normal = poserSpeedbrick(FEMELLE, {300, 300, 300});
    const Image imageNormal = dessinerImmobile(0.0f);
    C_AQUARIUM::getAquarium()->supprimerSpeedbrick(normal);
    C_AQUARIUM::getAquarium()->libererMorts();

    C_SPEEDBRICK* aga = new C_SPEEDBRICK_AGA(std::vector<int>{1}, 300.0f, 300.0f, 300.0f);
    aga->setSexe(FEMELLE);
    aga->setCouleurTete(static_cast<T_Couleur_Tete>(1));
    aga->ajouterOrganisme();
    EXPECT_EQ(dessinerImmobile(0.0f), imageNormal);
}

TEST_F(Dessin, UnOrganismeLaisseLaMatriceModeleVueIntacte) {
    C_SPEEDBRICK* s = poserSpeedbrick(FEMELLE, {100, 200, 300});
    poserAnneau(s, {110, 200, 300});
    poserCutit({50, 60, 70});
    C_CUTIT* c = C_AQUARIUM::getAquarium()->getListeCutit().front();

    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(vueAttendue(42.0).data());
    GLint profondeurAvant = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &profondeurAvant);
    C_SPHERE().afficheToi(s);
    C_SPHERE().afficheToi(s->getListeAnneaux().front());
    C_SPHERE().afficheToi(c);
    GLint profondeurApres = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &profondeurApres);
    EXPECT_EQ(profondeurApres, profondeurAvant);
    EXPECT_TRUE(prochesParColonne(lireMatrice(GL_MODELVIEW_MATRIX), vueAttendue(42.0), 1e-6));
}

TEST_F(Scene, LAffichageOuvertEstReconnu) {
    char nom[] = "window_tests";
    char* argv[] = {nom, nullptr};
    EXPECT_TRUE(VerificationAffichage(1, argv).ouvert());
}
