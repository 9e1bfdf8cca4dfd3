#pragma once

#include <string>
#include <string_view>

class C_AQUARIUM;

/// Appends one line of the state trace to `texte`: the whole world at its current tick, as one
/// JSON object, and the newline that ends it. `membres`, if any, go last in the object, each
/// headed by its comma (",\"seed\":1").
void ajouterLigneEtat(std::string& texte, const C_AQUARIUM& monde, std::string_view membres = {});
