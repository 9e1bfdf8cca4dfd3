#include "C_CUTIT.h"

#include "C_AQUARIUM.h"

C_CUTIT::C_CUTIT() { id = C_AQUARIUM::getAquarium()->getCompteurOrganisme(); }

void C_CUTIT::seDeplacer() {
    posX = posX + velX;
    posZ = posZ + velZ;
    rebondMur();
}

void C_CUTIT::ajouterOrganisme() { C_AQUARIUM::getAquarium()->listeCutit.push_back(this); }
