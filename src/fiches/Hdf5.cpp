#include "Hdf5.h"

#include <cstdlib>
#include <cstring>

namespace fiches::hdf5 {

namespace {

/// The type h5py reads as numpy's bool.
Poignee typeBooleen() {
    Poignee type(H5Tenum_create(H5T_NATIVE_INT8));
    for (std::int8_t valeur : {0, 1})
        H5Tenum_insert(type.get(), valeur ? "TRUE" : "FALSE", &valeur);
    return type;
}

/// An enum of 8-bit integers under the field's names.
Poignee typeNom(const Nom* noms) {
    Poignee type(H5Tenum_create(H5T_NATIVE_INT8));
    for (std::size_t i = 0; i < kNoms; ++i) {
        const auto valeur = static_cast<std::int8_t>(i);
        H5Tenum_insert(type.get(), std::string(noms[i].nom).c_str(), &valeur);
    }
    return type;
}

void insererTriplet(hid_t type, const Colonne& c, hid_t membre, std::size_t taille) {
    for (std::size_t axe = 0; axe < 3; ++axe) {
        H5Tinsert(type, nomAplati(c, axe).c_str(), c.decalage + axe * taille, membre);
    }
}

// The file drivers' entry for a failed system call spans lines (time, descriptor, buffer...)
// and carries errno in them: the system's reason alone says it on one line.
herr_t noterRaison(unsigned, const H5E_error2_t* erreur, void* raison) {
    auto& texte = *static_cast<std::string*>(raison);
    if (!texte.empty() || erreur->desc == nullptr) return 0;
    texte = erreur->desc;
    const std::size_t numero = texte.find("errno = ");
    if (numero != std::string::npos) texte = std::strerror(std::atoi(&texte[numero + 8]));
    return 0;
}

Poignee typeTexte() {
    Poignee type(H5Tcopy(H5T_C_S1));
    H5Tset_size(type.get(), H5T_VARIABLE);
    H5Tset_cset(type.get(), H5T_CSET_UTF8);
    return type;
}

} // namespace

Poignee typeTick() {
    Poignee type(H5Tcreate(H5T_COMPOUND, sizeof(RangeeTick)));
    const hid_t t = type.get();
    H5Tinsert(t, "tick", offsetof(RangeeTick, tick), H5T_NATIVE_INT32);
    H5Tinsert(t, "id_counter", offsetof(RangeeTick, compteurOrganisme), H5T_NATIVE_INT32);
    const std::vector<const Table*>& liste = tables();
    for (std::size_t i = 0; i < liste.size(); ++i) {
        const std::string nom = liste[i]->nom;
        RangeeTick r{};
        const auto decalage = [&r](const auto& membre) {
            return static_cast<std::size_t>(reinterpret_cast<const char*>(&membre) -
                                            reinterpret_cast<const char*>(&r));
        };
        H5Tinsert(t, (nom + "_row").c_str(), decalage(r.*kPlaces[i].premiere), H5T_NATIVE_INT64);
        H5Tinsert(t, (nom + "_count").c_str(), decalage(r.*kPlaces[i].nombre), H5T_NATIVE_INT32);
    }
    return type;
}

Poignee typeTable(const Table& table) {
    Poignee type(H5Tcreate(H5T_COMPOUND, table.taille));
    const hid_t t = type.get();
    H5Tinsert(t, "tick", 0, H5T_NATIVE_INT32);
    const Poignee booleen = typeBooleen();
    for (const Colonne& c : table.colonnes) {
        switch (c.sorte) {
        case Sorte::entier:
            H5Tinsert(t, c.nom, c.decalage, H5T_NATIVE_INT32);
            break;
        case Sorte::nom:
            H5Tinsert(t, c.nom, c.decalage, typeNom(c.noms).get());
            break;
        case Sorte::triplet:
            insererTriplet(t, c, H5T_NATIVE_FLOAT, sizeof(float));
            break;
        case Sorte::booleens:
            insererTriplet(t, c, booleen.get(), 1);
            break;
        case Sorte::genes:
            break;
        }
    }
    return type;
}

Poignee accesRecent() {
    Poignee acces(H5Pcreate(H5P_FILE_ACCESS));
    H5Pset_libver_bounds(acces.get(), H5F_LIBVER_LATEST, H5F_LIBVER_LATEST);
    return acces;
}

std::string raisonHdf5() {
    std::string raison;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, noterRaison, &raison);
    H5Eclear2(H5E_DEFAULT);
    return raison.empty() ? "HDF5 failed" : raison;
}

bool lireAttributTexte(hid_t objet, const char* nom, std::string& texte) {
    if (H5Aexists(objet, nom) <= 0) return false;
    const Poignee attribut(H5Aopen(objet, nom, H5P_DEFAULT));
    const Poignee espace(H5Aget_space(attribut.get()));
    const Poignee type = typeTexte();
    char* valeur = nullptr;
    const bool lu = attribut && H5Sget_simple_extent_npoints(espace.get()) == 1 &&
                    H5Aread(attribut.get(), type.get(), &valeur) >= 0 && valeur != nullptr;
    if (lu) texte = valeur;
    H5free_memory(valeur);
    return lu;
}

bool ecrireAttributTexte(hid_t objet, const char* nom, const std::string& valeur) {
    const Poignee type = typeTexte();
    const Poignee espace(H5Screate(H5S_SCALAR));
    const Poignee attribut(
        H5Acreate2(objet, nom, type.get(), espace.get(), H5P_DEFAULT, H5P_DEFAULT));
    const char* texte = valeur.c_str();
    return attribut && H5Awrite(attribut.get(), type.get(), &texte) >= 0;
}

std::string verifierFormat(hid_t fichier) {
    int format = 0;
    if (!lireAttributNombre(fichier, "format", H5T_NATIVE_INT, format)) {
        return "no 'format' attribute: not a state trace of aquarium-batch";
    }
    if (format == kFormat) return {};
    return "a trace of format " + std::to_string(format) + ", not " + std::to_string(kFormat) +
           " as this program reads";
}

bool lireRangees(hid_t dataset, hid_t type, hsize_t premiere, hsize_t nombre, hsize_t largeur,
                 void* vers) {
    if (nombre == 0) return true;
    const int rang = largeur > 0 ? 2 : 1;
    const hsize_t debut[2] = {premiere, 0};
    const hsize_t taille[2] = {nombre, largeur};
    const Poignee fichier(H5Dget_space(dataset));
    const Poignee memoire(H5Screate_simple(rang, taille, nullptr));
    return H5Sselect_hyperslab(fichier.get(), H5S_SELECT_SET, debut, nullptr, taille, nullptr) >=
               0 &&
           H5Dread(dataset, type, memoire.get(), fichier.get(), H5P_DEFAULT, vers) >= 0;
}

} // namespace fiches::hdf5
