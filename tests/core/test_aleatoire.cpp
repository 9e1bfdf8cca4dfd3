#include "Aleatoire.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>

// The owned generator must give, seed for seed, the very numbers of the C library's
// srand()/rand(): every recorded run depends on it. Draws come one at a time, three at a time
// or passed over in turn, so that each way starts at every place of the table.
TEST(Aleatoire, SuitLaBibliothequeCDeGraineEnGraine) {
    for (const unsigned graine :
         {0u, 1u, 2u, 42u, 1765432109u, 2147483647u, 2147483648u, 3000000000u, UINT_MAX}) {
        std::srand(graine);
        semerAleatoire(graine);
        for (int tirage = 0; tirage < 2'000'000;) {
            if (tirage % 16 == 5) {
                const int passes = tirage % 67;
                G_aleatoire.passer(static_cast<std::size_t>(passes));
                for (int k = 0; k < passes; ++k)
                    std::rand();
                tirage += passes + 1;
                ASSERT_EQ(aleatoire(), std::rand())
                    << "seed " << graine << ", after draw " << tirage;
                continue;
            }
            const bool parTrois = tirage % 8 != 0;
            const std::array<int, 3> obtenus =
                parTrois ? G_aleatoire.tirerTrois() : std::array<int, 3>{aleatoire(), 0, 0};
            const std::size_t nombre = parTrois ? 3 : 1;
            for (std::size_t k = 0; k < nombre; ++k, ++tirage) {
                const int attendu = std::rand();
                if (obtenus[k] != attendu) {
                    FAIL() << "seed " << graine << ", draw " << tirage << ": " << obtenus[k]
                           << " instead of " << attendu;
                }
            }
        }
    }
}
