#include "SphereSolide.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

// Every step below repeats freeglut's own arithmetic: single precision where it uses GLfloat,
// the double sin and cos of a float angle, the sign of the slice count that turns the circle
// clockwise. A different rounding moves a vertex by one ulp, and a pixel with it.

namespace {

struct Cercle {
    std::vector<GLfloat> sinus;
    std::vector<GLfloat> cosinus;
};

// n samples from angle 0, plus the closing sample; a negative n runs the other way round.
Cercle tableCercle(int n, bool demiCercle) {
    const int taille = std::abs(n);
    const GLfloat angle =
        (demiCercle ? 1 : 2) * static_cast<GLfloat>(M_PI) / static_cast<GLfloat>(n == 0 ? 1 : n);
    Cercle c{std::vector<GLfloat>(taille + 1), std::vector<GLfloat>(taille + 1)};
    c.sinus[0] = 0.0f;
    c.cosinus[0] = 1.0f;
    for (int i = 1; i < taille; ++i) {
        const GLfloat a = angle * static_cast<GLfloat>(i);
        c.sinus[i] = static_cast<GLfloat>(std::sin(static_cast<double>(a)));
        c.cosinus[i] = static_cast<GLfloat>(std::cos(static_cast<double>(a)));
    }
    c.sinus[taille] = demiCercle ? 0.0f : c.sinus[0];
    c.cosinus[taille] = demiCercle ? -1.0f : c.cosinus[0];
    return c;
}

} // namespace

SphereSolide::SphereSolide(float rayon, int tranches, int etages)
    : tranches_(tranches), etages_(etages) {
    assert(tranches > 0 && etages >= 2 && "a sphere needs slices and two stacks at least");
    const int nombreSommets = tranches * (etages - 1) + 2;
    assert(nombreSommets <= 65535 && "sphere indices are 16-bit");
    const Cercle longitude = tableCercle(-tranches, false);
    const Cercle latitude = tableCercle(etages, true);

    sommets_ = {0.0f, 0.0f, rayon};
    normales_ = {0.0f, 0.0f, 1.0f};
    for (int i = 1; i < etages; ++i) {
        for (int j = 0; j < tranches; ++j) {
            const GLfloat x = longitude.cosinus[j] * latitude.sinus[i];
            const GLfloat y = longitude.sinus[j] * latitude.sinus[i];
            const GLfloat z = latitude.cosinus[i];
            sommets_.insert(sommets_.end(), {x * rayon, y * rayon, z * rayon});
            normales_.insert(normales_.end(), {x, y, z});
        }
    }
    sommets_.insert(sommets_.end(), {0.0f, 0.0f, -rayon});
    normales_.insert(normales_.end(), {0.0f, 0.0f, -1.0f});

    // Each strip zigzags between two rings of latitude (a pole counts as a ring) and comes back
    // to its first slice to close.
    const auto bande = [&](auto sud, auto nord) {
        for (int j = 0; j <= tranches; ++j) {
            const int k = j % tranches;
            indices_.push_back(static_cast<GLushort>(sud(k)));
            indices_.push_back(static_cast<GLushort>(nord(k)));
        }
    };
    const int poleSud = nombreSommets - 1;
    bande([](int j) { return j + 1; }, [](int) { return 0; });
    for (int i = 0; i < etages - 2; ++i) {
        const int debut = 1 + i * tranches;
        bande([&](int j) { return debut + j + tranches; }, [&](int j) { return debut + j; });
    }
    const int dernier = 1 + (etages - 2) * tranches;
    bande([&](int) { return poleSud; }, [&](int j) { return dernier + j; });
}

void SphereSolide::tracer() const {
    const GLsizei parBande = (tranches_ + 1) * 2;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, sommets_.data());
    glNormalPointer(GL_FLOAT, 0, normales_.data());
    for (int i = 0; i < etages_; ++i) {
        glDrawElements(GL_TRIANGLE_STRIP, parBande, GL_UNSIGNED_SHORT,
                       indices_.data() + static_cast<std::size_t>(i) * parBande);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}
