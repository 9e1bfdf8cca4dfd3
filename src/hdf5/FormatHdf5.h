#pragma once

#include <hdf5.h>

#include <cstddef>
#include <cstdint>
#include <string>

/// The layout of the HDF5 state trace, shared by its writer (aquarium-batch --state FILE.h5) and
/// its reader (aquarium-serve --replay): each table's rows as they lie in memory, and the HDF5
/// types that name their columns. The file holds the rows as they are here, padding included.
namespace traceHdf5 {

/// The layout of the file; a change of it gets a new number.
inline constexpr int kFormat = 1;
inline constexpr char kTicks[] = "ticks";
inline constexpr char kSpeedbricks[] = "speedbricks";
inline constexpr char kGenomes[] = "genomes";
inline constexpr char kAnneaux[] = "rings";
inline constexpr char kCutits[] = "cutits";
/// The tables, in the order a checkpoint records their rows.
inline constexpr const char* kTables[] = {kTicks, kSpeedbricks, kGenomes, kAnneaux, kCutits};

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

// What every creature has.
struct Corps {
    std::int32_t tick;
    std::int32_t id;
    float pos[3];
    float vel[3];
    std::int8_t turning[3];
    float remaining[3];
};

struct RangeeSpeedbrick {
    Corps corps;
    std::int8_t kind;
    std::int32_t age;
    std::int32_t sexe;
    std::int32_t invincible;
    std::int32_t sterile;
    std::int32_t nextRing;
    std::int32_t rings;
};

struct RangeeAnneau {
    std::int32_t tick;
    std::int32_t speedbrick;
    std::int32_t id;
    float pos[3];
};

/// The rows' types; the caller closes them.
hid_t typeTick();
hid_t typeSpeedbrick();
hid_t typeCutit();
hid_t typeAnneau();
/// A speedbrick's kind: an enum of 8-bit integers, T_Genre's values under the JSON trace's
/// names.
hid_t typeGenre();
/// Three members NOM_x, NOM_y and NOM_z of type `membre`, `taille` bytes apart from `decalage`.
void insererTriplet(hid_t type, const char* nom, std::size_t decalage, hid_t membre,
                    std::size_t taille);

/// File access in HDF5 1.10's format, which the single-writer mode needs.
hid_t accesRecent();
/// What HDF5 said of its last failure, the innermost reason; the failure is then forgotten.
std::string raisonHdf5();

/// A numeric attribute holding one value; false when it is missing, holds several or cannot be
/// converted to `type`.
template <typename T> bool lireAttributNombre(hid_t objet, const char* nom, hid_t type, T& valeur) {
    if (H5Aexists(objet, nom) <= 0) return false;
    const hid_t attribut = H5Aopen(objet, nom, H5P_DEFAULT);
    if (attribut < 0) return false;
    const hid_t espace = H5Aget_space(attribut);
    const bool lu =
        H5Sget_simple_extent_npoints(espace) == 1 && H5Aread(attribut, type, &valeur) >= 0;
    H5Sclose(espace);
    H5Aclose(attribut);
    return lu;
}

} // namespace traceHdf5
