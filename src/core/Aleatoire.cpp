#include "Aleatoire.h"

#include <cassert>

GenerateurAleatoire G_aleatoire;

// The table is filled by the minimal standard generator, 16807 x mod 2^31 - 1, computed with
// Schrage's method on a signed 32-bit start as the C library does (a seed above 2^31 - 1 starts
// negative), then the first 310 numbers are thrown away.
void GenerateurAleatoire::semer(unsigned graine) {
    if (graine == 0) graine = 1;
    std::int32_t mot = static_cast<std::int32_t>(graine);
    etat_.table[0] = static_cast<std::uint32_t>(mot);
    for (std::size_t i = 1; i < kDegre; ++i) {
        const long haut = mot / 127773;
        const long bas = mot % 127773;
        long suivant = 16807 * bas - 2836 * haut;
        if (suivant < 0) suivant += kMaximum;
        mot = static_cast<std::int32_t>(suivant);
        etat_.table[i] = static_cast<std::uint32_t>(mot);
    }
    etat_.avant = kSeparation;
    etat_.arriere = 0;
    for (int i = 0; i < 10 * kDegre; ++i)
        tirer();
}

void GenerateurAleatoire::restaurer(const Etat& etat) {
    assert(etat.avant >= 0 && etat.avant < kDegre && etat.arriere >= 0 &&
           etat.arriere < kDegre && (etat.arriere + kSeparation) % kDegre == etat.avant &&
           "generator taps out of place");
    etat_ = etat;
}
