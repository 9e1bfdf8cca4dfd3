#pragma once

#include "C_SPEEDBRICK.h"
#include "Fils.h"

#include <cstddef>
#include <vector>

// Passes over a snapshot of speedbricks that fetch each speedbrick ahead of its turn.

/// Speedbricks taken by one task of a pass on every thread: enough that handing it out costs
/// little.
constexpr std::size_t kSpeedbricksParTache = 1024;

/// How far ahead a pass over the registry asks for the speedbricks, then for what they point to:
/// each would otherwise wait on memory in turn, being scattered over it.
constexpr std::size_t kAvance = 16;

/// Calls pas(i) for the speedbricks from debut to fin, each fetched some time before.
template <typename Pas>
void parcourir(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t debut, std::size_t fin,
               Pas pas) {
    for (std::size_t i = debut; i < fin; ++i) {
        if (i + kAvance < fin) speedbricks[i + kAvance]->precharger();
        if (i + kAvance / 2 < fin) speedbricks[i + kAvance / 2]->prechargerAnneauADeplacer();
        pas(i);
    }
}

/// The same, blocks of speedbricks on every thread: for passes in which a speedbrick changes
/// nothing but itself, and draws nothing.
template <typename Pas>
void parcourirSurChaqueFil(const std::vector<C_SPEEDBRICK*>& speedbricks, Pas pas) {
    executerParBlocs(
        speedbricks.size(), kSpeedbricksParTache,
        [&](std::size_t debut, std::size_t fin) { parcourir(speedbricks, debut, fin, pas); });
}
