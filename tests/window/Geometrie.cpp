#include "Geometrie.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLargeur = 1000.0;
constexpr double kHauteur = 800.0;

double& a(Matrice& m, int ligne, int colonne) { return m[colonne * 4 + ligne]; }
double a(const Matrice& m, int ligne, int colonne) { return m[colonne * 4 + ligne]; }

Point3 moins(Point3 u, Point3 v) { return {u.x - v.x, u.y - v.y, u.z - v.z}; }
double scalaire(Point3 u, Point3 v) { return u.x * v.x + u.y * v.y + u.z * v.z; }
Point3 vectoriel(Point3 u, Point3 v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
Point3 normaliser(Point3 u) {
    const double n = std::sqrt(scalaire(u, u));
    return {u.x / n, u.y / n, u.z / n};
}

} // namespace

Matrice identite() {
    Matrice m{};
    for (int i = 0; i < 4; ++i)
        a(m, i, i) = 1.0;
    return m;
}

Matrice produit(const Matrice& g, const Matrice& d) {
    Matrice m{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            for (int k = 0; k < 4; ++k)
                a(m, i, j) += a(g, i, k) * a(d, k, j);
        }
    }
    return m;
}

Matrice perspective(double champ, double aspect, double proche, double loin) {
    const double f = 1.0 / std::tan(champ * kPi / 360.0);
    Matrice m{};
    a(m, 0, 0) = f / aspect;
    a(m, 1, 1) = f;
    a(m, 2, 2) = (loin + proche) / (proche - loin);
    a(m, 2, 3) = 2.0 * loin * proche / (proche - loin);
    a(m, 3, 2) = -1.0;
    return m;
}

Matrice regarder(Point3 oeil, Point3 centre, Point3 haut) {
    const Point3 f = normaliser(moins(centre, oeil));
    const Point3 s = normaliser(vectoriel(f, haut));
    const Point3 u = vectoriel(s, f);
    Matrice m = identite();
    const Point3 lignes[3] = {s, u, {-f.x, -f.y, -f.z}};
    for (int i = 0; i < 3; ++i) {
        a(m, i, 0) = lignes[i].x;
        a(m, i, 1) = lignes[i].y;
        a(m, i, 2) = lignes[i].z;
        a(m, i, 3) = -scalaire(lignes[i], oeil);
    }
    return m;
}

Matrice rotationY(double angle) {
    const double c = std::cos(angle * kPi / 180.0);
    const double s = std::sin(angle * kPi / 180.0);
    Matrice m = identite();
    a(m, 0, 0) = c;
    a(m, 0, 2) = s;
    a(m, 2, 0) = -s;
    a(m, 2, 2) = c;
    return m;
}

Matrice translation(double x, double y, double z) {
    Matrice m = identite();
    a(m, 0, 3) = x;
    a(m, 1, 3) = y;
    a(m, 2, 3) = z;
    return m;
}

Matrice cameraAttendue(double champ) {
    return produit(perspective(champ, 1.25, 1.5, 5000.0),
                   regarder({300.0, 300.0, 900.0}, {0.0, 300.0, 0.0}, {0.0, 1.0, 0.0}));
}

Matrice vueAttendue(double angle) {
    return produit(rotationY(angle), translation(-300.0, 0.0, -300.0));
}

PointEcran projeter(const Matrice& projection, const Matrice& modeleVue, Point3 p) {
    const Matrice m = produit(projection, modeleVue);
    double clip[4];
    for (int i = 0; i < 4; ++i) {
        clip[i] = a(m, i, 0) * p.x + a(m, i, 1) * p.y + a(m, i, 2) * p.z + a(m, i, 3);
    }
    return {(clip[0] / clip[3] + 1.0) * kLargeur / 2.0, (clip[1] / clip[3] + 1.0) * kHauteur / 2.0};
}

Matrice lireMatrice(unsigned int quoi) {
    GLdouble valeurs[16];
    glGetDoublev(quoi, valeurs);
    Matrice m{};
    std::copy(valeurs, valeurs + 16, m.begin());
    return m;
}

bool prochesParColonne(const Matrice& obtenue, const Matrice& attendue, double tolerance) {
    for (int colonne = 0; colonne < 4; ++colonne) {
        double echelle = 1.0;
        for (int ligne = 0; ligne < 4; ++ligne) {
            echelle = std::max(echelle, std::fabs(a(attendue, ligne, colonne)));
        }
        for (int ligne = 0; ligne < 4; ++ligne) {
            const double ecart =
                std::fabs(a(obtenue, ligne, colonne) - a(attendue, ligne, colonne));
            if (ecart > tolerance * echelle) return false;
        }
    }
    return true;
}
