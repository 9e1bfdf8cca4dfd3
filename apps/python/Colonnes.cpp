#include "Colonnes.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace py = pybind11;
using fiches::Colonne;
using fiches::Rangees;
using fiches::Sorte;

namespace {

/// One value of every row, `largeur` of them in a row if more than one.
template <typename T, typename Lire>
py::array_t<T> remplir(const Rangees& r, std::size_t largeur, bool matrice, Lire lire) {
    const auto n = static_cast<py::ssize_t>(r.nombre);
    py::array_t<T> a =
        matrice ? py::array_t<T>({n, static_cast<py::ssize_t>(largeur)}) : py::array_t<T>(n);
    T* valeurs = a.mutable_data();
    for (std::size_t i = 0; i < r.nombre; ++i) {
        for (std::size_t k = 0; k < largeur; ++k)
            valeurs[i * largeur + k] = lire(i, k);
    }
    return a;
}

py::array colonne(const Rangees& r, const Colonne& c) {
    switch (c.sorte) {
    case Sorte::entier:
        return remplir<std::int32_t>(r, 1, false,
                                     [&](std::size_t i, std::size_t) { return r.entier(i, c); });
    case Sorte::nom:
        return remplir<std::int8_t>(
            r, 1, false, [&](std::size_t i, std::size_t) { return r.lire<std::int8_t>(i, c); });
    case Sorte::triplet:
        return remplir<float>(
            r, 3, true, [&](std::size_t i, std::size_t axe) { return r.lire<float>(i, c, axe); });
    case Sorte::booleens:
        return remplir<bool>(
            r, 3, true, [&](std::size_t i, std::size_t axe) { return r.lire<bool>(i, c, axe); });
    case Sorte::genes:
        break;
    }
    return remplir<std::int32_t>(r, r.largeurGenes, true, [&](std::size_t i, std::size_t k) {
        return r.genes[i * r.largeurGenes + k];
    });
}

} // namespace

py::dict colonnes(const Rangees& r) {
    py::dict d;
    for (const Colonne& c : r.table->colonnes)
        d[c.nom] = colonne(r, c);
    return d;
}

py::object cadre(const Rangees& r) {
    py::dict plat;
    plat["tick"] = remplir<std::int32_t>(r, 1, false, [&](std::size_t i, std::size_t) {
        fiches::TickRangee tick = 0;
        std::memcpy(&tick, r.rangee(i), sizeof tick);
        return tick;
    });
    for (const Colonne& c : r.table->colonnes) {
        const py::array a = colonne(r, c);
        if (a.ndim() == 1) {
            plat[c.nom] = a;
            continue;
        }
        for (py::ssize_t k = 0; k < a.shape(1); ++k) {
            plat[fiches::nomAplati(c, static_cast<std::size_t>(k)).c_str()] =
                a[py::make_tuple(py::slice(py::none(), py::none(), py::none()), k)];
        }
    }
    return py::module_::import("pandas").attr("DataFrame")(plat);
}

const Rangees& rangeesNommees(const fiches::Releve& releve, const std::string& nom) {
    for (const Rangees* r : releve.toutes()) {
        if (nom == r->table->nom) return *r;
    }
    throw py::value_error("no table '" + nom + "': the tables are " +
                          py::str(nomsDesTables()).cast<std::string>());
}

py::tuple nomsDesTables() {
    py::list noms;
    for (const fiches::Table* t : fiches::tables())
        noms.append(t->nom);
    return py::tuple(noms);
}

std::string docColonnes(const char* debut, const fiches::Table& table) {
    const char* const formes[] = {"int32", "int8", "(n, 3) float32", "(n, 3) bool",
                                  "(n, genes) int32"};
    std::string doc = std::string(debut) + ", as numpy arrays:";
    const char* separateur = " ";
    for (const Colonne& c : table.colonnes) {
        doc += separateur + std::string(c.nom) + " (" + formes[static_cast<int>(c.sorte)] + ", " +
               c.sens + ")";
        separateur = ", ";
    }
    return doc + ".";
}
