#include "Main.h"

#include <gtest/gtest.h>

// The counter readings are made up: the arithmetic is tested, not the clock.

TEST(Cadence, DixMillisecondesDeTravailLaissentQuinzeASommeiller) {
    EXPECT_EQ(resteDuTick(1000, 1010), 15u);
}

TEST(Cadence, UnTickSansTravailDormVingtCinq) { EXPECT_EQ(resteDuTick(5000, 5000), 25u); }

TEST(Cadence, VingtCinqMillisecondesOuPlusNeDormentPas) {
    EXPECT_EQ(resteDuTick(1000, 1024), 1u);
    EXPECT_EQ(resteDuTick(1000, 1025), 0u);
    EXPECT_EQ(resteDuTick(1000, 1026), 0u);
    EXPECT_EQ(resteDuTick(1000, 1000 + 3600000), 0u);
}

TEST(Cadence, LeRetardNEstPasRattrape) {
    // A tick late by 40 ms gives no credit to the next: that one still sleeps its own rest.
    EXPECT_EQ(resteDuTick(0, 65), 0u);
    EXPECT_EQ(resteDuTick(65, 75), 15u);
}
