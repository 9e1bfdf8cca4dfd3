#include "FormatHdf5.h"

#include "C_SPEEDBRICK.h"

namespace traceHdf5 {

namespace {

const char* const kAxes[] = {"_x", "_y", "_z"};

/// The type h5py reads as numpy's bool.
hid_t typeBooleen() {
    const hid_t type = H5Tenum_create(H5T_NATIVE_INT8);
    std::int8_t valeur = 0;
    H5Tenum_insert(type, "FALSE", &valeur);
    valeur = 1;
    H5Tenum_insert(type, "TRUE", &valeur);
    return type;
}

void insererCorps(hid_t type, std::size_t base) {
    H5Tinsert(type, "tick", base + offsetof(Corps, tick), H5T_NATIVE_INT32);
    H5Tinsert(type, "id", base + offsetof(Corps, id), H5T_NATIVE_INT32);
    insererTriplet(type, "pos", base + offsetof(Corps, pos), H5T_NATIVE_FLOAT, sizeof(float));
    insererTriplet(type, "vel", base + offsetof(Corps, vel), H5T_NATIVE_FLOAT, sizeof(float));
    const hid_t booleen = typeBooleen();
    insererTriplet(type, "turning", base + offsetof(Corps, turning), booleen, 1);
    H5Tclose(booleen);
    insererTriplet(type, "remaining", base + offsetof(Corps, remaining), H5T_NATIVE_FLOAT,
                   sizeof(float));
}

herr_t noterRaison(unsigned, const H5E_error2_t* erreur, void* raison) {
    auto& texte = *static_cast<std::string*>(raison);
    if (texte.empty() && erreur->desc != nullptr) texte = erreur->desc;
    return 0;
}

} // namespace

hid_t typeGenre() {
    const hid_t type = H5Tenum_create(H5T_NATIVE_INT8);
    const char* noms[] = {"NORMAL", "GENTIL", "AGA"};
    const T_Genre genres[] = {GENRE_NORMAL, GENRE_GENTIL, GENRE_AGA};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto valeur = static_cast<std::int8_t>(genres[i]);
        H5Tenum_insert(type, noms[i], &valeur);
    }
    return type;
}

void insererTriplet(hid_t type, const char* nom, std::size_t decalage, hid_t membre,
                    std::size_t taille) {
    for (std::size_t axe = 0; axe < 3; ++axe) {
        H5Tinsert(type, (std::string(nom) + kAxes[axe]).c_str(), decalage + axe * taille, membre);
    }
}

hid_t typeTick() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(RangeeTick));
    H5Tinsert(t, "tick", offsetof(RangeeTick, tick), H5T_NATIVE_INT32);
    H5Tinsert(t, "compteurOrganisme", offsetof(RangeeTick, compteurOrganisme), H5T_NATIVE_INT32);
    H5Tinsert(t, "speedbrickRow", offsetof(RangeeTick, premiereSpeedbrick), H5T_NATIVE_INT64);
    H5Tinsert(t, "speedbrickCount", offsetof(RangeeTick, speedbricks), H5T_NATIVE_INT32);
    H5Tinsert(t, "ringRow", offsetof(RangeeTick, premierAnneau), H5T_NATIVE_INT64);
    H5Tinsert(t, "ringCount", offsetof(RangeeTick, anneaux), H5T_NATIVE_INT32);
    H5Tinsert(t, "cutitRow", offsetof(RangeeTick, premierCutit), H5T_NATIVE_INT64);
    H5Tinsert(t, "cutitCount", offsetof(RangeeTick, cutits), H5T_NATIVE_INT32);
    return t;
}

hid_t typeSpeedbrick() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(RangeeSpeedbrick));
    insererCorps(t, offsetof(RangeeSpeedbrick, corps));
    const hid_t genre = typeGenre();
    H5Tinsert(t, "kind", offsetof(RangeeSpeedbrick, kind), genre);
    H5Tclose(genre);
    H5Tinsert(t, "age", offsetof(RangeeSpeedbrick, age), H5T_NATIVE_INT32);
    H5Tinsert(t, "sexe", offsetof(RangeeSpeedbrick, sexe), H5T_NATIVE_INT32);
    H5Tinsert(t, "invincible", offsetof(RangeeSpeedbrick, invincible), H5T_NATIVE_INT32);
    H5Tinsert(t, "sterile", offsetof(RangeeSpeedbrick, sterile), H5T_NATIVE_INT32);
    H5Tinsert(t, "nextRing", offsetof(RangeeSpeedbrick, nextRing), H5T_NATIVE_INT32);
    H5Tinsert(t, "rings", offsetof(RangeeSpeedbrick, rings), H5T_NATIVE_INT32);
    return t;
}

hid_t typeCutit() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(Corps));
    insererCorps(t, 0);
    return t;
}

hid_t typeAnneau() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(RangeeAnneau));
    H5Tinsert(t, "tick", offsetof(RangeeAnneau, tick), H5T_NATIVE_INT32);
    H5Tinsert(t, "speedbrick", offsetof(RangeeAnneau, speedbrick), H5T_NATIVE_INT32);
    H5Tinsert(t, "id", offsetof(RangeeAnneau, id), H5T_NATIVE_INT32);
    insererTriplet(t, "pos", offsetof(RangeeAnneau, pos), H5T_NATIVE_FLOAT, sizeof(float));
    return t;
}

hid_t accesRecent() {
    const hid_t acces = H5Pcreate(H5P_FILE_ACCESS);
    H5Pset_libver_bounds(acces, H5F_LIBVER_LATEST, H5F_LIBVER_LATEST);
    return acces;
}

std::string raisonHdf5() {
    std::string raison;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, noterRaison, &raison);
    H5Eclear2(H5E_DEFAULT);
    return raison.empty() ? "HDF5 failed" : raison;
}

} // namespace traceHdf5
