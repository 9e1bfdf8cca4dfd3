// The module `aquarium`: the core's world for Python, and the traces of its runs read back. Each
// bound type has its file; the columns come from the records' tables.

#include "Colonnes.h"
#include "Fiches.h"
#include "Liaisons.h"

namespace py = pybind11;

namespace {

py::tuple noms(const fiches::Nom (&liste)[fiches::kNoms]) {
    py::list noms;
    for (const fiches::Nom& n : liste)
        noms.append(n.nom);
    return py::tuple(noms);
}

} // namespace

PYBIND11_MODULE(aquarium, m) {
    m.doc() = "The aquarium's world in Python: the very core of aquarium-batch, run for run and "
              "byte for byte, its creatures as numpy arrays, and its traces read back.";
    m.attr("KINDS") = noms(fiches::kGenres);
    m.attr("EVENTS") = noms(fiches::kEvenements);
    m.attr("SEXES") = noms(fiches::kSexes);
    m.attr("TABLES") = nomsDesTables();
    m.attr("__version__") = AQUARIUM_VERSION;
    lierMonde(m);
    lierTrace(m);
}
