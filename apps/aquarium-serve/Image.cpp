#include "Image.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <limits>

namespace {

void ajouterCentre(std::vector<float>& centres, float x, float y, float z) {
    centres.push_back(x);
    centres.push_back(y);
    centres.push_back(z);
}

Forme formeDeTete(T_Sexe sexe) {
    switch (sexe) {
    case MALE:
        return TETE_MALE;
    case FEMELLE:
        return TETE_FEMELLE;
    case INDETERMINE:
        break;
    }
    return TETE_JEUNE;
}

// The page runs on little-endian machines only (every browser's); so does this program, whose
// build would otherwise need a byte swap here.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the messages are little-endian");

template <typename T> void poser(std::string& octets, std::size_t mot, T valeur) {
    static_assert(sizeof(T) == 4);
    std::memcpy(&octets[mot * 4], &valeur, 4);
}

} // namespace

void Image::prendre(const C_AQUARIUM& monde) {
    for (std::vector<float>& c : centres)
        c.clear();
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        ajouterCentre(centres[formeDeTete(s->getSexe())], s->getPosX(), s->getPosY(), s->getPosZ());
        for (const C_ANNEAU* a : s->anneaux())
            ajouterCentre(centres[ANNEAU], a->getPosX(), a->getPosY(), a->getPosZ());
    }
    for (const C_CUTIT* c : monde.cutits())
        ajouterCentre(centres[CUTIT], c->getPosX(), c->getPosY(), c->getPosZ());
    tick = monde.getTempsEcoule();
    taille = {monde.getTailleX(), monde.getTailleY(), monde.getTailleZ()};
}

void Image::vider(int tickLu) {
    for (std::vector<float>& c : centres)
        c.clear();
    tick = tickLu;
    recensement = {};
}

bool Image::ajouterSpeedbrick(int genre, int sexe, const float* pos) {
    if (!compterSpeedbrick(recensement, genre, sexe)) return false;
    ajouterCentre(centres[formeDeTete(static_cast<T_Sexe>(sexe))], pos[0], pos[1], pos[2]);
    return true;
}

bool compterSpeedbrick(Recensement& r, int genre, int sexe) {
    static_assert(GENRE_NORMAL == 0 && GENRE_GENTIL == 1 && GENRE_AGA == 2);
    static_assert(INDETERMINE == 0 && MALE == 1 && FEMELLE == 2);
    if (genre < 0 || genre > 2 || sexe < 0 || sexe > 2) return false;
    int* parGenre[] = {&r.normal, &r.gentil, &r.aga};
    int* parSexe[] = {&r.indetermine, &r.male, &r.femelle};
    ++*parGenre[genre];
    ++*parSexe[sexe];
    ++r.speedbricks;
    return true;
}

std::string encoderImage(const Image& image, const Recensement* avant, float ticksParSeconde,
                         int ligne, int lignes, bool fini) {
    const std::vector<ColonneStats>& colonnes = colonnesStats();
    std::size_t flottants = 0;
    for (const std::vector<float>& c : image.centres)
        flottants += c.size();
    std::string octets(kTailleEntete + colonnes.size() * 8 + flottants * 4, '\0');
    poser(octets, MOT_MAGIQUE, kMagiqueImage);
    poser(octets, MOT_COLONNES, static_cast<std::int32_t>(colonnes.size()));
    for (std::size_t i = 0; i < colonnes.size(); ++i) {
        const ColonneStats& c = colonnes[i];
        // Doubles hold every count exactly, and NaN says what is not known.
        const double valeur =
            avant == nullptr && c.evenement
                ? std::numeric_limits<double>::quiet_NaN()
                : static_cast<double>(c.valeur(image.tick, image.recensement,
                                               avant != nullptr ? *avant : image.recensement));
        std::memcpy(&octets[kTailleEntete + i * 8], &valeur, 8);
    }
    poser(octets, MOT_TICKS_PAR_SECONDE, ticksParSeconde);
    for (std::size_t i = 0; i < 3; ++i)
        poser(octets, MOT_TAILLE_X + i, image.taille[i]);
    poser(octets, MOT_LIGNE, ligne);
    poser(octets, MOT_LIGNES, lignes);
    poser(octets, MOT_FINI, fini ? 1 : 0);
    std::size_t position = kTailleEntete + colonnes.size() * 8;
    for (std::size_t f = 0; f < NOMBRE_FORMES; ++f) {
        const std::vector<float>& c = image.centres[f];
        poser(octets, MOT_SPHERES + f, static_cast<std::int32_t>(c.size() / 3));
        if (c.empty()) continue;
        std::memcpy(&octets[position], c.data(), c.size() * 4);
        position += c.size() * 4;
    }
    return octets;
}

const std::string& nomsDesColonnes() {
    static const std::string noms = [] {
        nlohmann::json liste = nlohmann::json::array();
        for (const ColonneStats& c : colonnesStats())
            liste.push_back(c.nom);
        return liste.dump();
    }();
    return noms;
}

void ajouterHistorique(std::vector<std::int32_t>& historique, int tick,
                       const Recensement& recensement) {
    historique.insert(historique.end(), {tick, recensement.speedbricks, recensement.normal,
                                         recensement.gentil, recensement.aga});
}
