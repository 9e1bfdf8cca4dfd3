#include "C_AQUARIUM.h"
#include "Console.h"
#include "Scenario.h"

#include <gtest/gtest.h>

TEST(Monde, DemarreEtTourne) {
    Console console;
    demarrerMonde(1);
    for (int t = 0; t < 100; ++t) avancerTick();
    EXPECT_EQ(C_AQUARIUM::getAquarium()->getTempsEcoule(), 100);
    detruireMonde();
    EXPECT_EQ(C_AQUARIUM::getAquarium(), nullptr);
}
