#pragma once

#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"
#include "Console.h"
#include "Octets.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

class C_CUTIT;

/// Captures what the simulation writes to std::cout for as long as it lives.
class Console {
public:
    std::string texte() const { return tampon_.str(); }
    /// What was written since the last call, then forgotten.
    std::string prendre() {
        std::string t = tampon_.str();
        tampon_.str("");
        return t;
    }

private:
    std::ostringstream tampon_;
    DetourConsole detour_{tampon_.rdbuf()};
};

/// Frees the world, if any, and makes a fresh empty 600-unit one with 3-gene genomes, the generator
/// seeded with 1.
C_AQUARIUM* mondeVide();

/// A crowded 250-unit tank: n adults with 19 rings (construireMondeSynthetique), within 40
/// ticks of their death.
C_AQUARIUM* mondeSerre(unsigned graine, int n);

/// construireMondeSynthetique() without its shoals' line on the console.
C_AQUARIUM* mondeSynthetiqueMuet(int n, int anneaux, unsigned graine, int taille = TAILLE_AQUARIUM);

/// Each test gets an empty world (mondeVide()) and the console captured; freed after.
class MondeTest : public ::testing::Test {
protected:
    void SetUp() override { monde = mondeVide(); }
    void TearDown() override { detruireMonde(); }

    C_AQUARIUM* monde = nullptr;
    Console console;
};

/// A registered speedbrick of the given kind at (x, y, z), vulnerable and fertile, with
/// `anneaux` rings grown behind the head.
C_SPEEDBRICK* poser(T_Genre genre, std::vector<int> genome, float x, float y, float z,
                    T_Sexe sexe = INDETERMINE, int anneaux = 0);
void placerAnneau(C_SPEEDBRICK* s, int i, float x, float y, float z);
/// A registered cutit at (x, y, z), at rest.
C_CUTIT* poserCutit(float x, float y, float z);

/// The pieces of a text cut at each `fin`, without it.
std::vector<std::string> lignes(const std::string& texte, char fin = '\n');
long compterLignes(const std::string& texte, const std::string& morceau);
/// The whole file, byte for byte; empty if it cannot be read.
std::string lireFichier(const std::string& chemin);
