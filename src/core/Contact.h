#pragma once

#include <cmath>

// The contact test shared by the pair-by-pair pass and the broad phase: both must decide every
// contact exactly alike.

/// Two spheres touch when the distance between their centres, in single precision, is at most
/// the sum of their radii. The square root is taken: comparing squared distances is not the
/// same test in single precision (the float just above 256 has a square root of exactly 16).
inline bool enContact(float ax, float ay, float az, float rayonA, float bx, float by, float bz,
                      float rayonB) {
    const float dx = ax - bx;
    const float dy = ay - by;
    const float dz = az - bz;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    return distance - rayonA - rayonB <= 0.0f;
}
