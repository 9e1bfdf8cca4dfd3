#include "C_SPEEDBRICK_NORMAL.h"

#include "C_AQUARIUM.h"

#include <cmath>

void C_SPEEDBRICK_NORMAL::seDeplacer() {
    deplacerAnneaux();
    posX = posX + velX;
    posY = posY + velY;
    posZ = posZ + velZ;
    if (getNombreAnneaux() >= 1) onduler();
    rebondMur();
    corrigerPosition();
}

// Single precision throughout: each ratio is a float quotient of float sums, and the three
// ratios add up to 2, so the slow axes swing most.
void C_SPEEDBRICK_NORMAL::onduler() {
    const float w = static_cast<float>(std::sin(0.5 * C_AQUARIUM::getAquarium()->getTempsEcoule()));
    const float ax = std::fabs(velX);
    const float ay = std::fabs(velY);
    const float az = std::fabs(velZ);
    const float somme = (ax + ay) + az;
    const float ratioX = (ay + az) / somme;
    const float ratioY = (ax + az) / somme;
    const float ratioZ = (ax + ay) / somme;
    posX = posX + w * ratioX;
    posY = posY + w * ratioY;
    posZ = posZ + w * ratioZ;
}

void C_SPEEDBRICK_NORMAL::seScinder(int k) {
    scinder(k, "Nouveau speedbrick normal n\xe9 d'une scission.");
}
