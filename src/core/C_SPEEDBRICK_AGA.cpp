#include "C_SPEEDBRICK_AGA.h"

#include "C_AQUARIUM.h"

void C_SPEEDBRICK_AGA::seDeplacer() {
    const int t = C_AQUARIUM::getAquarium()->getTempsEcoule();
    const int n = getNombreAnneaux();
    deplacerAnneaux();
    tournerEnCercle(n * 0.1, t * 0.2);
    corrigerPosition();
}

void C_SPEEDBRICK_AGA::seScinder(int k) {
    scinder(k, "Nouveau speedbrick aga n\xe9 d'une scission.");
}
