#pragma once

#include <cstdint>
#include <string>

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

/// The first line of the statistics file.
inline constexpr char kEnteteStats[] =
    "tick,speedbricks,normal,gentil,aga,male,female,undecided,rings,cutits,births,splits,deaths\n";

/// The statistics row of one tick: the census after it, and the events since the census
/// before it.
std::string ligneStats(int tick, const Recensement& apres, const Recensement& avant);
