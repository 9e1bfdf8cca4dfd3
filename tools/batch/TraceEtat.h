#pragma once

#include <string>

class C_AQUARIUM;

/// Appends one line of the state trace to `texte`: the whole world at its current tick, as one
/// JSON object, and the newline that ends it.
void ajouterLigneEtat(std::string& texte, const C_AQUARIUM& monde);
