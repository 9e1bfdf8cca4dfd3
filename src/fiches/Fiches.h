#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class C_AQUARIUM;
class C_SPEEDBRICK;

/// What a creature is once out of the core: one table per kind of row, each field declared once
/// with its name, its type, its meaning and, where a stored format keeps an older spelling, that
/// spelling. Every format's writer and reader, the Python columns and the page's picture go
/// through these tables and through the rows they lay out.
namespace fiches {

/// How a field's value is held in a row.
enum class Sorte : std::uint8_t {
    /// A 32-bit integer.
    entier,
    /// An 8-bit index into the field's names (a kind, a sex).
    nom,
    /// Three single-precision floats, one per axis.
    triplet,
    /// Three booleans, one per axis.
    booleens,
    /// The genes: as many 32-bit integers as the world's genome is long, kept beside the rows.
    genes,
};

/// The bytes a field of this Sorte takes in a row; the genes take none there.
constexpr std::size_t tailleDe(Sorte sorte) {
    constexpr std::size_t tailles[] = {4, 1, 12, 3, 0};
    return tailles[static_cast<std::size_t>(sorte)];
}

/// How the JSON Lines trace writes a field, which it must keep byte for byte.
enum class Json : std::uint8_t {
    /// Under its stored spelling, as a number, an array of three, or the genes' array.
    valeur,
    /// Under its stored spelling, as the stored spelling of its name.
    nom,
    /// Under its stored spelling, the owned rows of the ring table nested as arrays (a
    /// speedbrick's rings); the other formats hold their count.
    lignes,
    /// Not written: the nesting says it (a ring's owner).
    absent,
};

/// A name of a kind or a sex, and its spelling in the JSON Lines trace where it differs.
struct Nom {
    std::string_view nom;
    std::string_view stocke;
};

/// A speedbrick's kinds, in T_Genre's order.
inline constexpr Nom kGenres[] = {{"normal", "NORMAL"}, {"gentil", "GENTIL"}, {"aga", "AGA"}};
/// A speedbrick's sexes, in T_Sexe's order.
inline constexpr Nom kSexes[] = {
    {"undecided", "undecided"}, {"male", "male"}, {"female", "female"}};
inline constexpr std::size_t kNoms = 3;

/// One field of a row.
struct Colonne {
    /// Its name in the HDF5 trace, in Python and on the page.
    const char* nom;
    /// Its spelling in the JSON Lines trace.
    const char* stocke;
    Sorte sorte;
    /// Its unit or its meaning.
    const char* sens;
    Json json = Json::valeur;
    /// Its names, for a field of Sorte::nom.
    const Nom* noms = nullptr;
    /// Where it lies in a row; set by the table.
    std::size_t decalage = 0;
    /// Its key in the JSON Lines trace, quoted, with its colon; set by the table.
    std::string cleJson{};
};

/// The name of one axis of a triplet or of one gene, as a flat table spells it: a position's
/// axes are x, y and z, another triplet's NAME_x..., the genes genome_0...
std::string nomAplati(const Colonne& colonne, std::size_t indice);

/// A kind of row: its fields in the JSON Lines trace's order and the layout of a row in memory,
/// every row starting with the tick it belongs to.
struct Table {
    const char* nom;
    /// What one row is.
    const char* sens;
    std::vector<Colonne> colonnes;
    std::size_t taille = 0;

    const Colonne& colonne(const char* nom) const;
};

/// The rows of one table, laid out as the table says, and their genes.
struct Rangees {
    const Table* table = nullptr;
    std::size_t nombre = 0;
    std::vector<unsigned char> octets;
    std::size_t largeurGenes = 0;
    std::vector<std::int32_t> genes;

    explicit Rangees(const Table& t) : table(&t) {}
    /// No rows, the memory kept.
    void vider(std::size_t largeur = 0);
    /// One more row, zeroed, whose tick is `tick`; its bytes.
    unsigned char* ajouter(int tick);
    unsigned char* rangee(std::size_t i) { return octets.data() + i * table->taille; }
    const unsigned char* rangee(std::size_t i) const { return octets.data() + i * table->taille; }

    template <typename T> T lire(std::size_t i, const Colonne& c, std::size_t axe = 0) const {
        T valeur{};
        std::memcpy(&valeur, rangee(i) + c.decalage + axe * sizeof(T), sizeof(T));
        return valeur;
    }
    template <typename T>
    void poser(std::size_t i, const Colonne& c, T valeur, std::size_t axe = 0) {
        std::memcpy(rangee(i) + c.decalage + axe * sizeof(T), &valeur, sizeof(T));
    }
    /// The integer value of a field of Sorte::entier or Sorte::nom.
    std::int32_t entier(std::size_t i, const Colonne& c) const {
        return c.sorte == Sorte::nom ? lire<std::int8_t>(i, c) : lire<std::int32_t>(i, c);
    }
    void poserEntier(std::size_t i, const Colonne& c, std::int32_t valeur);
};

/// The bytes of a row before its fields: the tick it belongs to.
using TickRangee = std::int32_t;

const Table& tableSpeedbricks();
const Table& tableAnneaux();
const Table& tableCutits();
/// Every table of creatures, in the order a tick lists them.
const std::vector<const Table*>& tables();

/// How a speedbrick of the pedigree appeared.
inline constexpr Nom kEvenements[] = {{"founder", "founder"}, {"birth", "birth"}, {"split", "split"}};

/// Where a speedbrick came from: the tick it appeared and its ancestors, -1 for none (a split's
/// parent is its mother).
struct Origine {
    int tick = 0;
    int mere = -1;
    int pere = -1;
};

/// The pedigree: one row per speedbrick that ever lived, each row's tick its origin.
const Table& tablePhylogenie();
/// Appends the pedigree's row of `s`, which died at the tick `fin` (-1: alive). Its genome and
/// kind are those it was born with: neither changes in a life.
void remplirPhylogenie(Rangees& rangees, const C_SPEEDBRICK& s, const Origine& origine, int fin);

/// The whole world at one tick, as rows.
struct Releve {
    int tick = 0;
    /// The organisms made since the world's creation, which the next ids follow.
    int compteurOrganisme = 0;
    Rangees speedbricks{tableSpeedbricks()};
    Rangees anneaux{tableAnneaux()};
    Rangees cutits{tableCutits()};

    /// The tables' rows, in tables()'s order.
    std::array<Rangees*, 3> toutes() { return {&speedbricks, &anneaux, &cutits}; }
    std::array<const Rangees*, 3> toutes() const { return {&speedbricks, &anneaux, &cutits}; }
};

/// Takes the world's rows, keeping the vectors' memory from one call to the next.
void relever(const C_AQUARIUM& monde, Releve& releve);

} // namespace fiches
