#include "C_AQUARIUM.h"
#include "Console.h"
#include "Fenetre.h"
#include "Main.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <cstdint>

// The idle callback is one tick, the very tick that runs without a window. A crowded tank, so
// that births and splits happen from the first tick.

namespace {

using Tick = TestFenetre;

std::uint64_t apresTroisTicks(void (*tick)()) {
    const Console silence;
    construireMondeSynthetique(200, 19, 5);
    for (int t = 0; t < 3; ++t)
        tick();
    EXPECT_EQ(C_AQUARIUM::getAquarium()->getTempsEcoule(), 3);
    const std::uint64_t empreinte = empreinteMonde();
    detruireMonde();
    return empreinte;
}

} // namespace

TEST_F(Tick, AnimerSceneFaitLeTickSansFenetre) {
    EXPECT_EQ(apresTroisTicks(animerScene), apresTroisTicks(avancerTick));
}
