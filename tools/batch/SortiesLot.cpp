#include "SortiesLot.h"

#include "Recensement.h"
#include "TraceEtat.h"

// Tick 0 and the last tick always; the last once, even on a multiple of the period.
bool SortieTrace::ecrire(const Instant& instant) {
    const bool periodique = periode_ > 0 && instant.tick % periode_ == 0;
    if (instant.tick != 0 && !instant.dernier() && !periodique) return true;
    ligne_.clear();
    ajouterLigneEtat(ligne_, instant.monde);
    return fichier().ecrire(ligne_);
}

bool SortieStats::ecrire(const Instant& instant) {
    if (instant.tick == 0) return fichier().ecrire(kEnteteStats);
    return fichier().ecrire(ligneStats(instant.tick, instant.apres, instant.avant));
}
