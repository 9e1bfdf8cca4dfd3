#include "C_ORGANISME.h"

#include "Aleatoire.h"
#include "C_AQUARIUM.h"

#include <cassert>
#include <cstdlib>

namespace {

constexpr float kMargeMur = 25.0f;
constexpr float kPasRetournement = 0.2f;

bool presDUnMur(float position, int taille) {
    return position <= kMargeMur || position >= taille - kMargeMur;
}

// The remainder counts what is left of the swing from v to -v; the step on which it crosses
// zero lands the velocity on v - r, which is -v up to float rounding.
void avancerRetournement(float& restant, bool& enCours, float& vitesse) {
    const float r = restant;
    const float v = vitesse;
    if (r > 0) {
        restant = r - kPasRetournement;
        if (restant < 0) {
            enCours = false;
            vitesse = v - r;
        } else {
            vitesse = v - kPasRetournement;
        }
    } else {
        restant = r + kPasRetournement;
        if (restant > 0) {
            enCours = false;
            vitesse = v - r;
        } else {
            vitesse = v + kPasRetournement;
        }
    }
}

} // namespace

C_ORGANISME::C_ORGANISME() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    // Separate statements: the draws are taken in the order x, y, z.
    const int x = (aleatoire() % monde->tailleX + 1) / 10;
    const int y = (aleatoire() % monde->tailleY + 1) / 10;
    const int z = (aleatoire() % monde->tailleZ + 1) / 10;
    setPosition(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    id = monde->compteurOrganisme;
    monde->compteurOrganisme++;
}

void C_ORGANISME::setPosition(float x, float y, float z) {
    posX = x;
    posY = y;
    posZ = z;
}

void C_ORGANISME::setVelocite(float x, float y, float z) {
    velX = x;
    velY = y;
    velZ = z;
}

void C_ORGANISME::setRetournement(int axe, bool enCours, float restant) {
    assert(axe >= 0 && axe < 3 && "axis other than x, y, z");
    retournementEnCours[axe] = enCours;
    retournementRestant[axe] = restant;
}

void C_ORGANISME::rebondMur() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const float position[3] = {posX, posY, posZ};
    const int taille[3] = {monde->getTailleX(), monde->getTailleY(), monde->getTailleZ()};
    float* vitesse[3] = {&velX, &velY, &velZ};

    for (int axe = 0; axe < 3; ++axe) {
        if (!retournementEnCours[axe] && presDUnMur(position[axe], taille[axe])) {
            retournementEnCours[axe] = true;
            retournementRestant[axe] = 2.0f * *vitesse[axe];
        }
    }
    for (int axe = 0; axe < 3; ++axe) {
        if (retournementEnCours[axe]) {
            avancerRetournement(retournementRestant[axe], retournementEnCours[axe], *vitesse[axe]);
        }
    }
}
