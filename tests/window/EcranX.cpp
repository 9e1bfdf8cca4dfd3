#include "EcranX.h"

#include "Processus.h"

#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> lignes(const std::string& texte) {
    std::vector<std::string> resultat;
    std::istringstream flux(texte);
    for (std::string ligne; std::getline(flux, ligne);) {
        if (!ligne.empty()) resultat.push_back(ligne);
    }
    return resultat;
}

} // namespace

std::vector<std::string> fenetresAquarium() {
    return lignes(executer(XDOTOOL " search --name '^Aquarium$' 2>/dev/null").second);
}

std::string titre(const std::string& fenetre) {
    const std::vector<std::string> l = lignes(executer(XDOTOOL " getwindowname " + fenetre).second);
    return l.empty() ? std::string() : l.front();
}

std::optional<Geometrie> geometrie(const std::string& fenetre) {
    const auto [etat, texte] = executer(XDOTOOL " getwindowgeometry --shell " + fenetre);
    if (etat != 0) return std::nullopt;
    Geometrie g;
    for (const std::string& ligne : lignes(texte)) {
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
    if (executer(IMPORT " -window root -crop " + decoupe.str() + " +repage " + chemin).first != 0) {
        return {};
    }
    return Image::depuisPpm(executer(CONVERT " " + chemin + " ppm:-").second);
}

bool taper(const std::string& fenetre, const std::string& touches) {
    if (executer(XDOTOOL " windowfocus --sync " + fenetre).first != 0) return false;
    return executer(XDOTOOL " key --delay 30 " + touches).first == 0;
}
