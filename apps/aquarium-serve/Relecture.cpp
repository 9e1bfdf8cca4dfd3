#include "Relecture.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

using nlohmann::json;

constexpr char kSignatureHdf5[] = "\x89HDF\r\n\x1a\n";

float coordonnee(const json& valeur) {
    if (!valeur.is_number())
        throw std::runtime_error("a position holds something else than numbers");
    return valeur.get<float>();
}

std::array<float, 3> position(const json& triplet) {
    if (!triplet.is_array() || triplet.size() != 3) {
        throw std::runtime_error("a position is not three numbers");
    }
    return {coordonnee(triplet[0]), coordonnee(triplet[1]), coordonnee(triplet[2])};
}

const json& membre(const json& objet, const char* nom) {
    const auto it = objet.find(nom);
    if (it == objet.end()) throw std::runtime_error(std::string("no \"") + nom + "\"");
    return *it;
}

const json& tableau(const json& objet, const char* nom) {
    const json& valeur = membre(objet, nom);
    if (!valeur.is_array()) throw std::runtime_error(std::string("\"") + nom + "\" is no array");
    return valeur;
}

int genreDeNom(const json& genre) {
    const char* const noms[] = {"NORMAL", "GENTIL", "AGA"};
    for (int i = 0; i < 3; ++i) {
        if (genre == noms[i]) return i;
    }
    return -1;
}

// One dumped tick: every field the picture needs is checked, the others left alone.
void lireObjet(const json& ligne, Image& image) {
    if (!ligne.is_object()) throw std::runtime_error("not a JSON object");
    const json& tick = membre(ligne, "tick");
    if (!tick.is_number_integer() || tick.get<long long>() < 0) {
        throw std::runtime_error("\"tick\" is no tick");
    }
    image.vider(tick.get<int>());
    Recensement& r = image.recensement;
    for (const json& s : tableau(ligne, "speedbricks")) {
        const json& sexe = membre(s, "sexe");
        const std::array<float, 3> tete = position(membre(s, "pos"));
        if (!sexe.is_number_integer() ||
            !image.ajouterSpeedbrick(genreDeNom(membre(s, "kind")), sexe.get<int>(), tete.data())) {
            throw std::runtime_error("a speedbrick of unknown kind or sex");
        }
        for (const json& anneau : tableau(s, "rings")) {
            if (!anneau.is_array() || anneau.size() != 4) {
                throw std::runtime_error("a ring is not [id, x, y, z]");
            }
            for (std::size_t i = 1; i < 4; ++i)
                image.centres[ANNEAU].push_back(coordonnee(anneau[i]));
            ++r.anneaux;
        }
    }
    for (const json& c : tableau(ligne, "cutits")) {
        const std::array<float, 3> p = position(membre(c, "pos"));
        image.centres[CUTIT].insert(image.centres[CUTIT].end(), p.begin(), p.end());
        ++r.cutits;
    }
    // Only the run's first line names its tank; a resumed run's trace keeps the default one.
    const auto reglages = ligne.find("settings");
    if (reglages != ligne.end() && reglages->is_object()) {
        const json& tank = membre(*reglages, "tank");
        if (!tank.is_array() || tank.size() != 3)
            throw std::runtime_error("a tank that is not X,Y,Z");
        for (std::size_t i = 0; i < 3; ++i)
            image.taille[i] = tank[i].get<int>();
    }
}

// The state trace of aquarium-batch: one JSON object per line.
class TraceJsonLignes : public LecteurTrace {
public:
    bool ouvrir(const std::string& chemin, std::string& erreur) {
        fichier_.open(chemin, std::ios::binary);
        if (!fichier_) {
            erreur = "cannot open it: " + std::string(std::strerror(errno));
            return false;
        }
        std::string texte;
        Image image;
        for (std::size_t numero = 1;; ++numero) {
            const std::streamoff debut = fichier_.tellg();
            if (!std::getline(fichier_, texte)) break;
            if (texte.empty()) continue;
            try {
                lireObjet(json::parse(texte), image);
            } catch (const std::exception& e) {
                erreur = "line " + std::to_string(numero) + ": " + e.what();
                return false;
            }
            if (!debuts_.empty() && image.tick <= dernierTick_) {
                erreur = "line " + std::to_string(numero) + ": tick " + std::to_string(image.tick) +
                         " does not follow tick " + std::to_string(dernierTick_);
                return false;
            }
            dernierTick_ = image.tick;
            taille_ = image.taille;
            debuts_.push_back(debut);
            ajouterHistorique(historique_, image.tick, image.recensement);
        }
        if (fichier_.bad()) {
            erreur = "cannot read it";
            return false;
        }
        if (debuts_.empty()) {
            erreur = "no tick in it";
            return false;
        }
        fichier_.clear();
        return true;
    }

    std::size_t lignes() const override { return debuts_.size(); }
    const std::vector<std::int32_t>& historique() const override { return historique_; }

    bool lire(std::size_t ligne, Image& image, std::string& erreur) override {
        std::string texte;
        fichier_.clear();
        fichier_.seekg(debuts_.at(ligne));
        try {
            if (!std::getline(fichier_, texte)) throw std::runtime_error("cut short");
            lireObjet(json::parse(texte), image);
        } catch (const std::exception& e) {
            erreur = "the trace changed since it was opened: " + std::string(e.what());
            return false;
        }
        image.taille = taille_;
        return true;
    }

private:
    std::ifstream fichier_;
    std::vector<std::streamoff> debuts_;
    std::vector<std::int32_t> historique_;
    int dernierTick_ = 0;
    std::array<int, 3> taille_{600, 600, 600};
};

} // namespace

std::unique_ptr<LecteurTrace> ouvrirTrace(const std::string& chemin, std::string& erreur) {
    std::ifstream essai(chemin, std::ios::binary);
    char debut[sizeof kSignatureHdf5 - 1] = {};
    essai.read(debut, sizeof debut);
    if (essai.gcount() == sizeof debut && std::memcmp(debut, kSignatureHdf5, sizeof debut) == 0) {
        return ouvrirTraceHdf5(chemin, erreur);
    }
    auto trace = std::make_unique<TraceJsonLignes>();
    if (!trace->ouvrir(chemin, erreur)) return nullptr;
    return trace;
}
