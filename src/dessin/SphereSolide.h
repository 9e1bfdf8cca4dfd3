#pragma once

#include <GL/gl.h>

#include <vector>

/// The solid sphere that freeglut's glutSolidSphere draws, built here so that drawing needs no
/// window toolkit: the same vertices and normals to the bit, the same strips, the same calls.
/// Centred on the origin, its poles on the z axis.
class SphereSolide {
public:
    SphereSolide(float rayon, int tranches, int etages);

    /// What glutSolidSphere(rayon, tranches, etages) draws, through the same vertex arrays.
    void tracer() const;

private:
    int tranches_ = 0;
    int etages_ = 0;
    /// x, y, z of each vertex: the north pole, each ring of latitude, the south pole.
    std::vector<GLfloat> sommets_;
    std::vector<GLfloat> normales_;
    /// One triangle strip per stack, north to south.
    std::vector<GLushort> indices_;
};
