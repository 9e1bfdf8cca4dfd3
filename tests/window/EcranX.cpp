#include "EcranX.h"

#include "Processus.h"
#include "Rapport.h"

#include <cstdlib>
#include <sstream>

std::vector<std::string> fenetresAquarium(bool visibles) {
    std::vector<std::string> commande = {XDOTOOL, "search"};
    if (visibles) commande.push_back("--onlyvisible");
    commande.insert(commande.end(), {"--name", "^Aquarium$"});
    return lignes(executer(commande).sortie);
}

std::string titre(const std::string& fenetre) {
    const std::vector<std::string> l = lignes(executer({XDOTOOL, "getwindowname", fenetre}).sortie);
    return l.empty() ? std::string() : l.front();
}

std::optional<Geometrie> geometrie(const std::string& fenetre) {
    const Issue issue = executer({XDOTOOL, "getwindowgeometry", "--shell", fenetre});
    if (issue.statut != 0) return std::nullopt;
    Geometrie g;
    for (const std::string& ligne : lignes(issue.sortie)) {
        const size_t egal = ligne.find('=');
        const std::string nom = ligne.substr(0, egal);
        const int valeur = std::atoi(ligne.c_str() + egal + 1);
        if (nom == "X") g.x = valeur;
        if (nom == "Y") g.y = valeur;
        if (nom == "WIDTH") g.largeur = valeur;
        if (nom == "HEIGHT") g.hauteur = valeur;
    }
    return g;
}

Image capturer(const Geometrie& g, const std::string& chemin) {
    std::ostringstream decoupe;
    decoupe << g.largeur << "x" << g.hauteur << "+" << g.x << "+" << g.y;
    if (executer({IMPORT, "-window", "root", "-crop", decoupe.str(), "+repage", chemin}).statut !=
        0) {
        return {};
    }
    return Image::depuisPpm(executer({CONVERT, chemin, "ppm:-"}).sortie);
}

bool taper(const std::string& fenetre, const std::string& touches) {
    if (executer({XDOTOOL, "windowfocus", "--sync", fenetre}).statut != 0) return false;
    std::vector<std::string> commande = {XDOTOOL, "key", "--delay", "30"};
    std::istringstream noms(touches);
    for (std::string nom; noms >> nom;)
        commande.push_back(nom);
    return executer(commande).statut == 0;
}
