#pragma once

#include "Fiches.h"

#include <hdf5.h>

#include <cstdint>
#include <string>
#include <utility>

/// The layout of the HDF5 state trace, shared by its writer and its reader: each table of
/// fiches as a compound type under the fields' names, a row's tick first, the genes in a table
/// of their own; an index from each tick to its rows; the run's settings as attributes. The
/// file holds the rows as they lie in memory, padding included.
namespace fiches::hdf5 {

/// The layout of the file; a change of it gets a new number.
inline constexpr int kFormat = 2;
inline constexpr char kTicks[] = "ticks";
inline constexpr char kGenomes[] = "genomes";

/// One row per dumped tick: where the tick's rows start in each table, and how many.
struct RangeeTick {
    std::int32_t tick;
    std::int32_t compteurOrganisme;
    std::int64_t premiereSpeedbrick;
    std::int32_t speedbricks;
    std::int64_t premierAnneau;
    std::int32_t anneaux;
    std::int64_t premierCutit;
    std::int32_t cutits;
};

/// Where a table's rows of one tick start in the index, and how many; in tables()'s order.
struct PlaceDansIndex {
    std::int64_t RangeeTick::*premiere;
    std::int32_t RangeeTick::*nombre;
};
inline constexpr PlaceDansIndex kPlaces[] = {
    {&RangeeTick::premiereSpeedbrick, &RangeeTick::speedbricks},
    {&RangeeTick::premierAnneau, &RangeeTick::anneaux},
    {&RangeeTick::premierCutit, &RangeeTick::cutits},
};

/// Any HDF5 identifier, released with its owner.
class Poignee {
public:
    Poignee() = default;
    explicit Poignee(hid_t id) : id_(id) {}
    ~Poignee() {
        if (id_ >= 0) H5Idec_ref(id_);
    }
    Poignee(Poignee&& autre) noexcept : id_(std::exchange(autre.id_, -1)) {}
    Poignee& operator=(Poignee&& autre) noexcept {
        std::swap(id_, autre.id_);
        return *this;
    }
    hid_t get() const { return id_; }
    explicit operator bool() const { return id_ >= 0; }

private:
    hid_t id_ = -1;
};

/// The index's type.
Poignee typeTick();
/// A table's rows' type: its tick, then its fields but the genes.
Poignee typeTable(const Table& table);

/// File access in HDF5 1.10's format, which the single-writer mode needs.
Poignee accesRecent();
/// What HDF5 said of its last failure, the innermost reason; the failure is then forgotten.
std::string raisonHdf5();

/// A numeric attribute holding one value; false when it is missing, holds several or cannot be
/// converted to `type`.
template <typename T> bool lireAttributNombre(hid_t objet, const char* nom, hid_t type, T& valeur) {
    if (H5Aexists(objet, nom) <= 0) return false;
    const Poignee attribut(H5Aopen(objet, nom, H5P_DEFAULT));
    if (!attribut) return false;
    const Poignee espace(H5Aget_space(attribut.get()));
    return H5Sget_simple_extent_npoints(espace.get()) == 1 &&
           H5Aread(attribut.get(), type, &valeur) >= 0;
}

template <typename T>
bool ecrireAttributNombre(hid_t objet, const char* nom, hid_t type, T valeur) {
    const Poignee espace(H5Screate(H5S_SCALAR));
    const Poignee attribut(H5Acreate2(objet, nom, type, espace.get(), H5P_DEFAULT, H5P_DEFAULT));
    return attribut && H5Awrite(attribut.get(), type, &valeur) >= 0;
}

bool lireAttributTexte(hid_t objet, const char* nom, std::string& texte);
bool ecrireAttributTexte(hid_t objet, const char* nom, const std::string& valeur);
/// The file's layout, or why it is not one this program reads: one line naming the format
/// found and the one expected.
std::string verifierFormat(hid_t fichier);

/// Rows [premiere, premiere + nombre) of a dataset of one or two dimensions (`largeur` values a
/// row), converted to `type`, into `vers`.
bool lireRangees(hid_t dataset, hid_t type, hsize_t premiere, hsize_t nombre, hsize_t largeur,
                 void* vers);

} // namespace fiches::hdf5
