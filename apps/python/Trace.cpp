// Trace: a state trace of aquarium-batch read back, JSON Lines or HDF5, its ticks' rows as the
// same columns as World's.

#include "Colonnes.h"
#include "Liaisons.h"
#include "MotsCles.h"
#include "Traces.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <memory>
#include <string>

namespace py = pybind11;

namespace {

struct Trace {
    std::unique_ptr<fiches::LecteurReleves> lecteur;
    fiches::Releve releve;

    /// The rows of dumped tick `tick`; KeyError for a tick the trace does not hold.
    const fiches::Releve& lire(int tick) {
        const std::vector<int>& ticks = lecteur->ticks();
        const auto ligne = std::lower_bound(ticks.begin(), ticks.end(), tick);
        if (ligne == ticks.end() || *ligne != tick) {
            throw py::key_error("tick " + std::to_string(tick) + " is not in the trace");
        }
        std::string erreur;
        if (!lecteur->lire(static_cast<std::size_t>(ligne - ticks.begin()), releve, erreur)) {
            throw std::runtime_error(erreur);
        }
        return releve;
    }

    /// Every dumped tick's rows of one table, one after the other.
    fiches::Rangees toutes(const std::string& table) {
        fiches::Rangees tout(*rangeesNommees(releve, table).table);
        for (int tick : lecteur->ticks()) {
            const fiches::Rangees& r = rangeesNommees(lire(tick), table);
            tout.octets.insert(tout.octets.end(), r.octets.begin(), r.octets.end());
            tout.genes.insert(tout.genes.end(), r.genes.begin(), r.genes.end());
            tout.nombre += r.nombre;
            if (r.nombre > 0) tout.largeurGenes = r.largeurGenes;
        }
        return tout;
    }
};

std::unique_ptr<Trace> ouvrir(const py::object& objet) {
    const std::string chemin = cheminDe(objet);
    auto t = std::make_unique<Trace>();
    std::string erreur;
    t->lecteur = fiches::ouvrirReleves(chemin, erreur);
    if (!t->lecteur) throw py::value_error("'" + chemin + "': " + erreur);
    return t;
}

} // namespace

void lierTrace(py::module_& m) {
    py::class_<Trace>(m, "Trace",
                      "A state trace of aquarium-batch (--state), JSON Lines or HDF5, read back "
                      "one dumped tick at a time.")
        .def_property_readonly(
            "ticks", [](const Trace& t) { return py::array_t<int>(py::cast(t.lecteur->ticks())); },
            "The dumped ticks, increasing.")
        .def_property_readonly(
            "tank",
            [](const Trace& t) {
                const std::array<int, 3>& c = t.lecteur->cuve();
                return py::make_tuple(c[0], c[1], c[2]);
            },
            "The run's tank, x, y, z.")
        .def("__len__", [](const Trace& t) { return t.lecteur->ticks().size(); })
        .def(
            "speedbricks", [](Trace& t, int tick) { return colonnes(t.lire(tick).speedbricks); },
            py::arg("tick"), "The speedbricks of a dumped tick, as World.speedbricks() gives them.")
        .def(
            "rings", [](Trace& t, int tick) { return colonnes(t.lire(tick).anneaux); },
            py::arg("tick"), "The rings of a dumped tick, as World.rings() gives them.")
        .def(
            "cutits", [](Trace& t, int tick) { return colonnes(t.lire(tick).cutits); },
            py::arg("tick"), "The cutits of a dumped tick, as World.cutits() gives them.")
        .def(
            "frame",
            [](Trace& t, const std::string& table, const py::object& tick) {
                if (tick.is_none()) return cadre(t.toutes(table));
                return cadre(rangeesNommees(t.lire(py::cast<int>(tick)), table));
            },
            py::arg("table"), py::arg("tick") = py::none(),
            "The rows of one table ('speedbricks', 'rings' or 'cutits') as a pandas DataFrame, "
            "as World.frame() gives them: of one dumped tick, or of every one (None), the tick "
            "first.");
    m.def("read_trace", &ouvrir, py::arg("path"),
          "Opens a state trace of aquarium-batch, JSON Lines or HDF5, and checks it whole; a "
          "refused file raises ValueError saying why.");
}
