#include "Aleatoire.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

// The owned generator must give, seed for seed, the very numbers of the C library's
// srand()/rand(): every recorded run depends on it.
TEST(Aleatoire, SuitLaBibliothequeCDeGraineEnGraine) {
    for (const unsigned graine : {0u, 1u, 2u, 42u, 1765432109u, 2147483647u, 2147483648u,
                                  3000000000u, UINT_MAX}) {
        std::srand(graine);
        semerAleatoire(graine);
        for (int tirage = 0; tirage < 2'000'000; ++tirage) {
            const int attendu = std::rand();
            const int obtenu = aleatoire();
            if (obtenu != attendu) {
                FAIL() << "seed " << graine << ", draw " << tirage << ": " << obtenu
                       << " instead of " << attendu;
            }
        }
    }
}
