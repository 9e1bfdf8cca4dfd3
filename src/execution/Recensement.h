#pragma once

#include <cstdint>
#include <vector>

class C_AQUARIUM;

/// Head counts of the world at one moment, and its events since Creation.
struct Recensement {
    int speedbricks = 0;
    int normal = 0;
    int gentil = 0;
    int aga = 0;
    int male = 0;
    int femelle = 0;
    int indetermine = 0;
    /// Rings of all speedbricks together.
    std::int64_t anneaux = 0;
    int cutits = 0;
    std::int64_t naissances = 0;
    std::int64_t scissions = 0;
    std::int64_t morts = 0;
};

/// Counts the world as it stands: one pass over the speedbricks.
Recensement recenser(const C_AQUARIUM& monde);

/// One column of the statistics of a tick: a count after it, or its events. The statistics'
/// table, in the form of the records' tables (src/fiches): a name, a meaning, a reader.
struct ColonneStats {
    const char* nom;
    /// What it counts.
    const char* sens;
    /// From the census after the tick and the one before it.
    std::int64_t (*valeur)(int tick, const Recensement& apres, const Recensement& avant);
    /// The tick's events: known to a run, not to the census of one tick alone (a trace's).
    bool evenement = false;
};

/// The statistics of a tick, in order: tick, speedbricks, normal, gentil, aga, male, female,
/// undecided, rings, cutits, then the tick's births, splits and deaths.
const std::vector<ColonneStats>& colonnesStats();
