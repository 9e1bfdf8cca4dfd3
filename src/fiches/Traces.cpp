#include "Traces.h"

#include "C_SPEEDBRICK.h"
#include "JsonLignes.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace fiches {

namespace {

constexpr char kSignatureHdf5[] = "\x89HDF\r\n\x1a\n";

// The state trace of aquarium-batch in JSON Lines: every line is read at the opening, and again
// when asked for.
class LectureJsonLignes : public LecteurReleves {
public:
    bool ouvrir(const std::string& chemin, std::string& erreur) {
        fichier_.open(chemin, std::ios::binary);
        if (!fichier_) {
            erreur = "cannot open it: " + std::string(std::strerror(errno));
            return false;
        }
        std::string texte;
        Releve releve;
        for (std::size_t numero = 1;; ++numero) {
            const std::streamoff debut = fichier_.tellg();
            if (!std::getline(fichier_, texte)) break;
            if (texte.empty()) continue;
            try {
                lireLigneEtat(texte, releve, cuve_);
            } catch (const std::exception& e) {
                erreur = "line " + std::to_string(numero) + ": " + e.what();
                return false;
            }
            erreur = noter(releve);
            if (!erreur.empty()) {
                erreur = "line " + std::to_string(numero) + ": " + erreur;
                return false;
            }
            debuts_.push_back(debut);
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

    bool lire(std::size_t ligne, Releve& releve, std::string& erreur) override {
        std::string texte;
        fichier_.clear();
        fichier_.seekg(debuts_.at(ligne));
        std::array<int, 3> cuve = cuve_;
        try {
            if (!std::getline(fichier_, texte)) throw std::runtime_error("cut short");
            lireLigneEtat(texte, releve, cuve);
        } catch (const std::exception& e) {
            erreur = "the trace changed since it was opened: " + std::string(e.what());
            return false;
        }
        return true;
    }

private:
    std::ifstream fichier_;
    std::vector<std::streamoff> debuts_;
};

} // namespace

std::string LecteurReleves::noter(const Releve& releve) {
    if (!ticks_.empty() && releve.tick <= ticks_.back()) {
        return "tick " + std::to_string(releve.tick) + " does not follow tick " +
               std::to_string(ticks_.back());
    }
    Recensement r;
    if (!recenser(releve, r)) return "a speedbrick of unknown kind or sex";
    ticks_.push_back(releve.tick);
    recensements_.push_back(r);
    return {};
}

bool compterSpeedbrick(const Rangees& s, std::size_t i, Recensement& r) {
    static_assert(GENRE_NORMAL == 0 && GENRE_GENTIL == 1 && GENRE_AGA == 2);
    static_assert(INDETERMINE == 0 && MALE == 1 && FEMELLE == 2);
    const std::int32_t genre = s.entier(i, s.table->colonne("kind"));
    const std::int32_t sexe = s.entier(i, s.table->colonne("sex"));
    const std::int32_t anneaux = s.entier(i, s.table->colonne("rings"));
    if (genre < 0 || genre > 2 || sexe < 0 || sexe > 2 || anneaux < 0) return false;
    int* parGenre[] = {&r.normal, &r.gentil, &r.aga};
    int* parSexe[] = {&r.indetermine, &r.male, &r.femelle};
    ++*parGenre[genre];
    ++*parSexe[sexe];
    ++r.speedbricks;
    r.anneaux += anneaux;
    return true;
}

bool recenser(const Releve& releve, Recensement& r) {
    for (std::size_t i = 0; i < releve.speedbricks.nombre; ++i) {
        if (!compterSpeedbrick(releve.speedbricks, i, r)) return false;
    }
    r.cutits = static_cast<int>(releve.cutits.nombre);
    return true;
}

std::unique_ptr<LecteurReleves> ouvrirReleves(const std::string& chemin, std::string& erreur) {
    std::ifstream essai(chemin, std::ios::binary);
    char debut[sizeof kSignatureHdf5 - 1] = {};
    essai.read(debut, sizeof debut);
    if (essai.gcount() == sizeof debut && std::memcmp(debut, kSignatureHdf5, sizeof debut) == 0) {
        return ouvrirRelevesHdf5(chemin, erreur);
    }
    auto trace = std::make_unique<LectureJsonLignes>();
    if (!trace->ouvrir(chemin, erreur)) return nullptr;
    return trace;
}

} // namespace fiches
