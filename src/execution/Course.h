#pragma once

#include "Recensement.h"

class C_AQUARIUM;

/// Why a run ends.
enum class FinDeCourse {
    /// It runs on.
    aucune,
    /// It reached the tick asked for.
    ticks,
    /// More speedbricks were alive than --max-speedbricks allows.
    borne,
    /// SIGINT or SIGTERM asked it to stop.
    interruption,
    /// Another world took its place.
    remplacement,
};

/// A reason a run ends and its name in the summary and in Python.
struct NomFin {
    FinDeCourse fin;
    const char* nom;
};

/// Every reason a run ends, in the order they are asked.
inline constexpr NomFin kNomsFins[] = {
    {FinDeCourse::ticks, "ticks"},
    {FinDeCourse::borne, "bound"},
    {FinDeCourse::interruption, "interrupted"},
    {FinDeCourse::remplacement, "replaced"},
};

/// The name of a reason a run ends ("ticks", "bound", "interrupted", "replaced"); never asked of
/// aucune.
const char* nomFin(FinDeCourse fin);

/// Why a run ends after `tick`, which left `speedbricks` alive: the tick asked for (`dernier`)
/// whatever else happened in it; then more than `borne` alive (-1: no bound); then a stop asked
/// for, whose reason `arret()` tells (aucune: none) and is asked last.
template <typename Arret>
FinDeCourse finDeCourse(int tick, int dernier, long long borne, int speedbricks, Arret arret) {
    if (tick == dernier) return FinDeCourse::ticks;
    if (borne >= 0 && speedbricks > borne) return FinDeCourse::borne;
    return arret();
}

/// What the run loop remembers of the ticks so far. A checkpoint carries it over, so that a
/// resumed run knows what the uninterrupted run would.
struct Historique {
    /// The most speedbricks alive at the end of a tick, tick 0 included, and the first tick
    /// that had that many.
    int populationMax = 0;
    int tickPopulationMax = 0;
    /// The first tick that ended with 1000 speedbricks alive or more; -1 until one does.
    int premierTickMille = -1;

    void noter(int tick, int speedbricks);
};

/// A run between two ticks: its clock, its census after the last tick and the one before,
/// what it remembers. The run loop of the headless programs and the Python module's each take
/// their ticks through avancer().
struct Course {
    int tick = 0;
    Recensement apres;
    /// The census a tick before (the same at the seeding).
    Recensement avant;
    Historique historique;
    /// Each tick counts the speedbricks alone, the rest of the census left at zero: a census
    /// reads every speedbrick, which a run with no output to hand it to need not pay.
    bool teteSeulement = false;

    /// Counts the freshly seeded world as tick 0.
    void demarrer(const C_AQUARIUM& monde);
    /// Counts a world taken up from a checkpoint at `tickPris`, with the record it carried.
    /// Its census before is unknown until it runs a tick: avant is this one meanwhile.
    void reprendre(const C_AQUARIUM& monde, int tickPris, const Historique& pris);
    /// Makes one tick of the world, counts it, and says whether the run ends with it: at
    /// `dernier`, past `borne` speedbricks (-1: no bound), or for the reason `arret()` gives.
    template <typename Arret>
    FinDeCourse avancer(const C_AQUARIUM& monde, int dernier, long long borne, Arret arret) {
        avancerMonde(monde);
        return finDeCourse(tick, dernier, borne, apres.speedbricks, arret);
    }

private:
    void avancerMonde(const C_AQUARIUM& monde);
};
