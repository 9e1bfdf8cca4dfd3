#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The simulation's console report, as the tests read it.

/// The lines of a text, without their newlines.
std::vector<std::string> lignes(const std::string& texte);
/// How many lines of the text hold `morceau`.
std::size_t compterLignes(const std::string& texte, const std::string& morceau);
/// The lines announcing `nombre` founders, each with its one gene set.
std::string lignesDesFondateurs(int nombre);
