#include "GrilleUniforme.h"

#include <cassert>
#include <cmath>

GrilleUniforme::GrilleUniforme(float cote, int tailleX, int tailleY, int tailleZ)
    : inverseCote_(1.0f / cote) {
    assert(cote > 0.0f && "grid cells need a positive side");
    const int tailles[3] = {tailleX, tailleY, tailleZ};
    for (int axe = 0; axe < 3; ++axe) {
        const int n = static_cast<int>(std::ceil(static_cast<float>(tailles[axe]) / cote));
        nombre_[axe] = n > 1 ? n : 1;
    }
}
