#pragma once

#include "C_AQUARIUM.h"

#include <cstdint>

// The worlds that the window, the batch runner, the tests and the benchmarks start from.

/// The side of the program's tank.
constexpr int TAILLE_AQUARIUM = 600;
/// The program's first population: founder speedbricks, and shoals of cutits.
constexpr int NOMBRE_FONDATEURS = 20;
constexpr int NOMBRE_BANCS = 6;

/// What a world may be given between its Creation and its seeding; by default, the program's.
struct ReglagesMonde {
    int tailleX = TAILLE_AQUARIUM;
    int tailleY = TAILLE_AQUARIUM;
    int tailleZ = TAILLE_AQUARIUM;
    /// In time units.
    int dureeVie = C_AQUARIUM::kDureeVieInitiale;
    /// Ticks per time unit.
    int uniteTemps = C_AQUARIUM::kUniteTempsInitiale;
    /// In ticks.
    int dureeSterilite = C_AQUARIUM::kDureeSteriliteInitiale;
    int cutitsParBanc = C_AQUARIUM::kCutitsParBancInitial;
};

/// Seeds the generator, then a fresh world (600 units a side unless told otherwise; shoals need
/// more than 200), then the seeding (which writes its report).
C_AQUARIUM* demarrerMonde(unsigned graine, int fondateurs = NOMBRE_FONDATEURS,
                          int bancs = NOMBRE_BANCS, int taille = TAILLE_AQUARIUM);
/// The same with other settings. The default ones give the very run of the program.
C_AQUARIUM* demarrerMonde(unsigned graine, int fondateurs, int bancs,
                          const ReglagesMonde& reglages);

/// A crowded world for stress and speed: n adult speedbricks of mixed kinds and sexes, each
/// with `anneaux` rings laid out behind its head, spread over the tank from seed `graine`,
/// plus the default 6 shoals of 8 cutits. A smaller tank (more than 200 units) crowds them
/// more. Writes the shoal line like the seeding.
C_AQUARIUM* construireMondeSynthetique(int n, int anneaux, unsigned graine,
                                       int taille = TAILLE_AQUARIUM);

/// A 64-bit fingerprint of everything the simulation holds (clock, counter, every field of
/// every creature, in registry order), for determinism checks.
std::uint64_t empreinteMonde();
