#pragma once

#include "Fiches.h"
#include "Recensement.h"
#include "Scenario.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class C_AQUARIUM;
namespace fiches {
class Lignee;
}

// One picture of the world as the page receives it: a binary WebSocket message, little-endian,
// every field four bytes so that the page reads it through typed arrays without copying.
//
//   header       kMotsEntete 32-bit words (MotEntete's order below), padded to 8 bytes
//   columns      the statistics' columns of the tick (colonnesStats's order, their names in
//                the page's /columns.json), doubles: NaN for one a replay cannot know
//   centres      x, y, z floats of every sphere, one kind after the other (Forme's order)
//   heads        id and dominant founder integers of every head, in the centres' order
//   history      rows of kColonnesHistorique integers: tick, speedbricks, normal, gentil, aga
//   creature     the fields of the creature the page follows, as JSON text; none if it follows
//                none
//
// The history and the creature are each client's own: the rows of the population chart it has
// not had yet, the creature it picked.

/// The kinds of sphere, each drawn by the page in one call.
enum Forme { TETE_JEUNE, TETE_MALE, TETE_FEMELLE, ANNEAU, CUTIT, NOMBRE_FORMES };
/// The kinds of sphere that are heads: the first ones.
inline constexpr std::size_t kFormesTetes = ANNEAU;
/// The integers of each head in the picture: its id and its dominant founder.
inline constexpr std::size_t kColonnesTetes = 2;

/// Where each field sits in the header, in words.
enum MotEntete : std::size_t {
    MOT_MAGIQUE,
    /// Float: the simulation's ticks per second; negative for a replay.
    MOT_TICKS_PAR_SECONDE,
    MOT_TAILLE_X,
    MOT_TAILLE_Y,
    MOT_TAILLE_Z,
    /// The replayed trace's line shown, and its number of lines; -1 and 0 for a live run.
    MOT_LIGNE,
    MOT_LIGNES,
    /// 1 once the run has ended: the page shows its last tick.
    MOT_FINI,
    /// The world's number: 1 for the command line's, then one more for each a page starts; 0
    /// in a replay.
    MOT_MONDE,
    MOT_SPHERES,
    MOT_LIGNES_HISTORIQUE = MOT_SPHERES + NOMBRE_FORMES,
    MOT_COLONNES,
    kMotsEntete,
};

inline constexpr std::uint32_t kMagiqueImage = 0x32465141; // "AQF2"
/// The columns' doubles are read in place, on their 8-byte boundary.
inline constexpr std::size_t kTailleEntete = (kMotsEntete * 4 + 7) / 8 * 8;
inline constexpr std::size_t kColonnesHistorique = 5;

/// The speedbricks of a picture, which the pages' inspected creatures are read from while other
/// pictures are taken: their rows and, in the same order, their origins when the run keeps its
/// pedigree (none otherwise).
struct Individus {
    fiches::Rangees speedbricks;
    std::vector<fiches::Origine> origines;
};

/// What a picture holds before it is encoded.
struct Image {
    int tick = 0;
    /// MOT_MONDE's.
    int monde = 0;
    Recensement recensement;
    std::array<int, 3> taille{TAILLE_AQUARIUM, TAILLE_AQUARIUM, TAILLE_AQUARIUM};
    /// x, y, z of each sphere, by kind.
    std::array<std::vector<float>, NOMBRE_FORMES> centres;
    /// Id and dominant founder of each head, by kind of head, in the centres' order.
    std::array<std::vector<std::int32_t>, kFormesTetes> tetes;
    std::shared_ptr<const Individus> individus;

    /// Takes the world's spheres, keeping the vectors' memory from one picture to the next, and
    /// the origins of its speedbricks from `lignee` when there is one.
    void prendre(const C_AQUARIUM& monde, const fiches::Lignee* lignee = nullptr);
    /// Takes the spheres of a tick's rows and their head counts; false for a kind or a sex that
    /// is none of the world's.
    bool prendre(const fiches::Releve& releve, const fiches::Lignee* lignee = nullptr);

private:
    /// The world's rows, kept from one picture to the next.
    fiches::Releve releve_;
};

/// The founder with the largest share of a genome that sums its founders' unit vectors: the
/// index of its largest gene, the first of equals.
std::int32_t fondateurDominant(const std::int32_t* genes, std::size_t largeur);

/// Header, columns, centres and heads; the history's row count is left 0 for each client to set. The
/// columns of the tick's events come from the census before it; without it (a replay's),
/// they are unknown.
std::string encoderImage(const Image& image, const Recensement* avant, float ticksParSeconde,
                         int ligne, int lignes, bool fini);

/// The fields of speedbrick `id`, as the page's inspector shows them: a JSON object of its
/// integer, named and gene fields and its parents' ids ("none", or "unknown" without origins);
/// only its id when it is not there.
std::string ficheDe(const Individus& individus, std::int32_t id);

/// The columns' names, as the page gets them: a JSON array.
const std::string& nomsDesColonnes();

/// What the page draws with, as it gets them (/constants.json): the picture's layout (magic,
/// header words, sizes), each kind of sphere's radius and colour in Forme's order, the default
/// tank, and the window's camera and pace.
const std::string& constantesDeLaPage();

/// The history row of one tick.
void ajouterHistorique(std::vector<std::int32_t>& historique, int tick,
                       const Recensement& recensement);
