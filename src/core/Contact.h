#pragma once

#include <cmath>
#include <cstdint>

// The contact test shared by the pair-by-pair pass and the broad phase: both must decide every
// contact exactly alike. Then the contacts the broad phase finds, as the encounters take them.

/// The squared distance between two centres, in single precision, as the contact test forms it.
inline float distanceCarree(float ax, float ay, float az, float bx, float by, float bz) {
    const float dx = ax - bx;
    const float dy = ay - by;
    const float dz = az - bz;
    return dx * dx + dy * dy + dz * dz;
}

/// Whether two spheres whose centres lie at this squared distance touch.
inline bool toucheADistanceCarree(float carre, float rayonA, float rayonB) {
    const float distance = std::sqrt(carre);
    return distance - rayonA - rayonB <= 0.0f;
}

/// Two spheres touch when the distance between their centres, in single precision, is at most
/// the sum of their radii. The square root is taken: comparing squared distances with the
/// square of the sum is not the same test in single precision (the float just above 256 has a
/// square root of exactly 16).
inline bool enContact(float ax, float ay, float az, float rayonA, float bx, float by, float bz,
                      float rayonB) {
    return toucheADistanceCarree(distanceCarree(ax, ay, az, bx, by, bz), rayonA, rayonB);
}

/// The largest squared distance at which toucheADistanceCarree says yes for these radii. Each
/// rounded step of the test (square root, two subtractions) never decreases, so the test says
/// yes exactly up to this float: comparing with it makes the same decision without a square root.
inline float carreDeContactMaximal(float rayonA, float rayonB) {
    const float somme = rayonA + rayonB;
    float carre = somme * somme;
    while (!toucheADistanceCarree(carre, rayonA, rayonB))
        carre = std::nextafter(carre, 0.0f);
    while (toucheADistanceCarree(std::nextafter(carre, INFINITY), rayonA, rayonB))
        carre = std::nextafter(carre, INFINITY);
    return carre;
}

/// A speedbrick and a cutit that may touch, as their places in the pass's snapshots.
struct RencontrePossible {
    std::uint32_t speedbrick = 0;
    std::uint32_t cutit = 0;
};

/// Two speedbricks in contact, as their places in the pair pass's snapshot, the earlier one
/// first, and how many contacts of their bodies the pair-by-pair test would find.
struct ContactSpeedbricks {
    std::uint32_t premier = 0;
    std::uint32_t second = 0;
    std::uint32_t nombre = 0;
};
