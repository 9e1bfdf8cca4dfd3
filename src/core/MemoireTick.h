#pragma once

#include "PhaseLarge.h"
#include "Rencontres.h"

#include <vector>

/// What the tick's passes keep from one tick to the next, held by the world: their buffers are
/// then reused, not paged in afresh every tick.
struct MemoireTick {
    /// Which speedbricks of the growth pass wait to grow in registry order.
    std::vector<char> enAttente;
    PhaseLarge phaseLarge;
    Rencontres rencontres;
};
