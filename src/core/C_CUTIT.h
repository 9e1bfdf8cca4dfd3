#pragma once

#include "C_ORGANISME.h"

/// Radius of a cutit, for contacts and drawing.
constexpr float RAYON_CUTIT = 3.0f;

/// The tank's small creature: swims in a horizontal straight line, turns back near the walls,
/// never ages, breeds or dies.
class C_CUTIT : public C_ORGANISME {
public:
    C_CUTIT();

    /// One tick: advance along x and z (never y), then the wall turn.
    void seDeplacer();
    /// Appends this cutit to the world's registry (no duplicate check).
    void ajouterOrganisme();
};
