#include "Course.h"

#include "C_AQUARIUM.h"
#include "Tick.h"

#include <cassert>

const char* nomFin(FinDeCourse fin) {
    for (const NomFin& n : kNomsFins) {
        if (n.fin == fin) return n.nom;
    }
    assert(false && "a run that goes on has no reason to end");
    return "";
}

void Historique::noter(int tick, int speedbricks) {
    if (speedbricks > populationMax) {
        populationMax = speedbricks;
        tickPopulationMax = tick;
    }
    if (premierTickMille < 0 && speedbricks >= 1000) premierTickMille = tick;
}

void Course::demarrer(const C_AQUARIUM& monde) {
    tick = 0;
    apres = recenser(monde);
    avant = apres;
    historique = Historique{};
    historique.noter(0, apres.speedbricks);
}

void Course::reprendre(const C_AQUARIUM& monde, int tickPris, const Historique& pris) {
    tick = tickPris;
    apres = recenser(monde);
    avant = apres;
    historique = pris;
}

// The core's tick works on its one world: `monde` is that world, counted once the tick is
// made.
void Course::avancerMonde(const C_AQUARIUM& monde) {
    avancerTick();
    ++tick;
    avant = apres;
    if (teteSeulement) {
        apres = Recensement{};
        apres.speedbricks = static_cast<int>(monde.speedbricks().size());
    } else {
        apres = recenser(monde);
    }
    historique.noter(tick, apres.speedbricks);
}
