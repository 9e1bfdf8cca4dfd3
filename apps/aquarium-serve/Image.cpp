#include "Image.h"

#include "Apparence.h"
#include "SourceImages.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Phylogenie.h"
#include "Traces.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

void ajouterCentre(std::vector<float>& centres, const fiches::Rangees& r, std::size_t i,
                   const fiches::Colonne& position) {
    const auto p = r.lire<std::array<float, 3>>(i, position);
    centres.insert(centres.end(), p.begin(), p.end());
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

void Image::prendre(const C_AQUARIUM& monde, const fiches::Lignee* lignee) {
    fiches::relever(monde, releve_);
    prendre(releve_, lignee);
    taille = {monde.getTailleX(), monde.getTailleY(), monde.getTailleZ()};
}

std::int32_t fondateurDominant(const std::int32_t* genes, std::size_t largeur) {
    return static_cast<std::int32_t>(std::max_element(genes, genes + largeur) - genes);
}

bool Image::prendre(const fiches::Releve& releve, const fiches::Lignee* lignee) {
    for (std::vector<float>& c : centres)
        c.clear();
    for (std::vector<std::int32_t>& t : tetes)
        t.clear();
    tick = releve.tick;
    recensement = {};
    if (!fiches::recenser(releve, recensement)) return false;
    const fiches::Rangees& s = releve.speedbricks;
    const fiches::Colonne& sexe = s.table->colonne("sex");
    const fiches::Colonne& tete = s.table->colonne("position");
    const fiches::Colonne& id = s.table->colonne("id");
    auto pris = std::make_shared<Individus>(Individus{s, {}});
    if (lignee != nullptr) pris->origines.resize(s.nombre);
    for (std::size_t i = 0; i < s.nombre; ++i) {
        const Forme forme = formeDeTete(static_cast<T_Sexe>(s.entier(i, sexe)));
        ajouterCentre(centres[forme], s, i, tete);
        tetes[forme].insert(tetes[forme].end(),
                            {s.entier(i, id), fondateurDominant(&s.genes[i * s.largeurGenes],
                                                                s.largeurGenes)});
        if (lignee == nullptr) continue;
        if (const fiches::Origine* o = lignee->origine(s.entier(i, id))) pris->origines[i] = *o;
    }
    individus = std::move(pris);
    for (const auto& [forme, rangees] :
         {std::pair{ANNEAU, &releve.anneaux}, {CUTIT, &releve.cutits}}) {
        const fiches::Colonne& centre = rangees->table->colonne("position");
        for (std::size_t i = 0; i < rangees->nombre; ++i)
            ajouterCentre(centres[forme], *rangees, i, centre);
    }
    return true;
}

std::string encoderImage(const Image& image, const Recensement* avant, float ticksParSeconde,
                         int ligne, int lignes, bool fini) {
    const std::vector<ColonneStats>& colonnes = colonnesStats();
    std::size_t valeurs = 0;
    for (const std::vector<float>& c : image.centres)
        valeurs += c.size();
    for (const std::vector<std::int32_t>& t : image.tetes)
        valeurs += t.size();
    std::string octets(kTailleEntete + colonnes.size() * 8 + valeurs * 4, '\0');
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
    poser(octets, MOT_MONDE, image.monde);
    std::size_t position = kTailleEntete + colonnes.size() * 8;
    for (std::size_t f = 0; f < NOMBRE_FORMES; ++f) {
        const std::vector<float>& c = image.centres[f];
        poser(octets, MOT_SPHERES + f, static_cast<std::int32_t>(c.size() / 3));
        if (c.empty()) continue;
        std::memcpy(&octets[position], c.data(), c.size() * 4);
        position += c.size() * 4;
    }
    for (const std::vector<std::int32_t>& t : image.tetes) {
        if (t.empty()) continue;
        std::memcpy(&octets[position], t.data(), t.size() * 4);
        position += t.size() * 4;
    }
    return octets;
}

std::string ficheDe(const Individus& individus, std::int32_t id) {
    using fiches::Sorte;
    const fiches::Rangees& speedbricks = individus.speedbricks;
    nlohmann::json fiche = {{"id", id}};
    const fiches::Colonne& colonneId = speedbricks.table->colonne("id");
    std::size_t i = 0;
    while (i < speedbricks.nombre && speedbricks.entier(i, colonneId) != id)
        ++i;
    if (i == speedbricks.nombre) return fiche.dump();
    for (const fiches::Colonne& c : speedbricks.table->colonnes) {
        if (c.sorte == Sorte::entier) fiche[c.nom] = speedbricks.entier(i, c);
        if (c.sorte == Sorte::nom) fiche[c.nom] = c.noms[speedbricks.entier(i, c)].nom;
        if (c.sorte != Sorte::genes) continue;
        const auto debut = speedbricks.genes.begin() +
                           static_cast<std::ptrdiff_t>(i * speedbricks.largeurGenes);
        fiche[c.nom] = std::vector<std::int32_t>(
            debut, debut + static_cast<std::ptrdiff_t>(speedbricks.largeurGenes));
    }
    fiche["mother"] = fiche["father"] = "unknown";
    if (individus.origines.empty()) return fiche.dump();
    const fiches::Origine& o = individus.origines[i];
    for (const auto& [cle, parent] : {std::pair{"mother", o.mere}, {"father", o.pere}})
        fiche[cle] = parent < 0 ? nlohmann::json("none") : nlohmann::json(parent);
    return fiche.dump();
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

const std::string& constantesDeLaPage() {
    static const std::string constantes = [] {
        using nlohmann::json;
        const auto couleur = [](const float* c) { return json::array({c[0], c[1], c[2]}); };
        const json formes = json::array({
            {{"radius", RAYON_TETE}, {"colour", couleur(kCouleurJeune)}},
            {{"radius", RAYON_TETE}, {"colour", couleur(kCouleurMale)}},
            {{"radius", RAYON_TETE}, {"colour", couleur(kCouleurFemelle)}},
            {{"radius", RAYON_ANNEAU}, {"colour", couleur(kCouleurAnneau)}},
            {{"radius", RAYON_CUTIT}, {"colour", couleur(kCouleurCutit)}},
        });
        static_assert(NOMBRE_FORMES == 5, "a colour and a radius for each kind of sphere");
        const json image = {
            {"magic", kMagiqueImage},
            {"words",
             {{"magic", MOT_MAGIQUE},
              {"ticksPerSecond", MOT_TICKS_PAR_SECONDE},
              {"tank", MOT_TAILLE_X},
              {"line", MOT_LIGNE},
              {"lines", MOT_LIGNES},
              {"ended", MOT_FINI},
              {"world", MOT_MONDE},
              {"spheres", MOT_SPHERES},
              {"history", MOT_LIGNES_HISTORIQUE},
              {"columns", MOT_COLONNES},
              {"follow", kSuivre},
              {"total", kMotsEntete}}},
            {"headerBytes", kTailleEntete},
            {"heads", kFormesTetes},
            {"headColumns", kColonnesTetes},
            {"historyColumns", kColonnesHistorique},
        };
        const json fenetre = {
            {"width", kLargeurFenetre},
            {"aspect", kProportion},
            {"focal", kFocaleInitiale},
            {"focalStep", kPasFocale},
            {"focalMax", kFocaleMax},
            {"near", kPlanProche},
            {"far", kPlanLointain},
            {"ticksPerSecond", 1000.0 / kDureeTick},
            {"degreesPerFrame", kTourParImage},
        };
        return json{{"picture", image},
                    {"shapes", formes},
                    {"tank", {TAILLE_AQUARIUM, TAILLE_AQUARIUM, TAILLE_AQUARIUM}},
                    {"window", fenetre}}
            .dump();
    }();
    return constantes;
}
