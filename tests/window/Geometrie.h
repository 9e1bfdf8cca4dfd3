#pragma once

#include <array>

// The camera and view arithmetic worked out independently of GL and GLU, to say where the
// drawing should put things.

/// A 4 × 4 matrix in OpenGL's column-major order.
using Matrice = std::array<double, 16>;

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

/// A position in window pixels, origin at the bottom left as glReadPixels has it.
struct PointEcran {
    double x = 0.0;
    double y = 0.0;
};

Matrice identite();
Matrice produit(const Matrice& a, const Matrice& b);
/// The perspective of a vertical field of view in degrees.
Matrice perspective(double champ, double aspect, double proche, double loin);
Matrice regarder(Point3 oeil, Point3 centre, Point3 haut);
/// A turn of angle degrees about the vertical axis.
Matrice rotationY(double angle);
Matrice translation(double x, double y, double z);

/// The program's camera for a field of view, with the 600-unit tank.
Matrice cameraAttendue(double champ);
/// The program's view of the 600-unit tank turned by angle degrees, centred on the y axis.
Matrice vueAttendue(double angle);

/// Where a point lands in the 1000 × 800 window under projection × model-view.
PointEcran projeter(const Matrice& projection, const Matrice& modeleVue, Point3 p);

/// The current GL matrix of that kind (GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX).
Matrice lireMatrice(unsigned int quoi);

/// Whether each entry is within tolerance × the scale of its column (at least 1) of the
/// expected one: float rounding grows with the largest entry it was summed with.
bool prochesParColonne(const Matrice& obtenue, const Matrice& attendue, double tolerance);
