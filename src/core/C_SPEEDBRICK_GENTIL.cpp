#include "C_SPEEDBRICK_GENTIL.h"

#include "C_AQUARIUM.h"

void C_SPEEDBRICK_GENTIL::seDeplacer() {
    deplacerAnneaux();
    const int t = C_AQUARIUM::getAquarium()->getTempsEcoule();
    const int n = getNombreAnneaux();
    tournerEnCercle(n * 0.5, t * 0.1);
    corrigerPosition();
}

void C_SPEEDBRICK_GENTIL::seScinder(int k) {
    scinder(k, "Nouveau speedbrick gentil n\xe9 d'une scission.");
}
