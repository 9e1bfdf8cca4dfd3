#include "Rapport.h"

#include <sstream>

std::vector<std::string> lignes(const std::string& texte) {
    std::vector<std::string> resultat;
    std::istringstream flux(texte);
    for (std::string ligne; std::getline(flux, ligne);)
        resultat.push_back(ligne);
    return resultat;
}

std::size_t compterLignes(const std::string& texte, const std::string& morceau) {
    std::size_t n = 0;
    for (const std::string& ligne : lignes(texte))
        n += ligne.find(morceau) != std::string::npos ? 1 : 0;
    return n;
}

std::string lignesDesFondateurs(int nombre) {
    std::string texte;
    for (int i = 0; i < nombre; ++i) {
        std::string genome(static_cast<std::size_t>(nombre), '0');
        genome[static_cast<std::size_t>(i)] = '1';
        texte += "Nouveau Speedbrick avec le g\xe9nome suivant : " + genome + "\n";
    }
    return texte;
}
