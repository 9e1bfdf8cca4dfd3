#pragma once

#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"
#include "Console.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class C_CUTIT;

/// A fresh empty 600-unit world with 3-gene genomes and the console captured; freed after.
class MondeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// A registered speedbrick of the given kind at (x, y, z): adult-free, vulnerable and
    /// fertile, with `anneaux` rings grown behind the head.
    C_SPEEDBRICK* poser(T_Genre genre, std::vector<int> genome, float x, float y, float z,
                        T_Sexe sexe = INDETERMINE, int anneaux = 0);
    /// A registered cutit at (x, y, z), at rest.
    C_CUTIT* poserCutit(float x, float y, float z);

    C_AQUARIUM* monde = nullptr;
    Console console;
};

/// How many rand() draws `action` takes, found by replaying the sequence from `graine`.
int tiragesConsommes(unsigned graine, const std::function<void()>& action);

/// A speedbrick that records what the tick asks of it, and its own destruction.
class Espion : public C_SPEEDBRICK {
public:
    Espion(std::string nom, std::vector<std::string>& journal);
    ~Espion() override;

    void mourir() override;
    void seDeplacer() override;
    void seScinder(int k) override;
    T_Genre getGenre() const override { return GENRE_NORMAL; }

    bool* detruit = nullptr;

private:
    std::string nom_;
    std::vector<std::string>& journal_;
};
