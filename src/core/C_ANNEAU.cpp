#include "C_ANNEAU.h"

C_ANNEAU::C_ANNEAU(C_SPEEDBRICK* proprietaire, int index)
    : idAnneau(index), monSpeedbrick(proprietaire) {}

void C_ANNEAU::setPosition(float x, float y, float z) {
    posX = x;
    posY = y;
    posZ = z;
}
