#pragma once

#include "Fiches.h"

#include <array>
#include <string>
#include <string_view>

class C_AQUARIUM;

/// The JSON Lines state trace: one JSON object per dumped tick, the tables' fields under their
/// stored spellings, byte for byte what earlier versions wrote.
namespace fiches {

/// Appends one line of the trace to `texte`: the tick's rows as one JSON object, and the newline
/// that ends it. `membres`, if any, go last in the object, each headed by its comma
/// (",\"seed\":1").
void ajouterLigneEtat(std::string& texte, const Releve& releve, std::string_view membres = {});
/// The same line, straight from the world.
void ajouterLigneEtat(std::string& texte, const C_AQUARIUM& monde, std::string_view membres = {});

/// Reads one line back into `releve`, and the tank into `cuve` when the line names it (a run's
/// first line); throws std::runtime_error saying what is wrong with it.
void lireLigneEtat(std::string_view ligne, Releve& releve, std::array<int, 3>& cuve);

} // namespace fiches
