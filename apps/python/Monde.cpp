// World: the core's world for Python, driven as the batch runner drives it.

#include "Colonnes.h"
#include "Liaisons.h"
#include "MotsCles.h"
#include "Occupation.h"
#include "Recensement.h"
#include "Scenario.h"

#include <pybind11/stl.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// Asked between ticks, the interpreter taken back for the moment: a Ctrl-C since the last tick
// raises KeyboardInterrupt (or whatever a Python handler raises) once the run has stopped.
bool signalRecu() {
    const py::gil_scoped_acquire interpreteur;
    return PyErr_CheckSignals() != 0;
}

FinDeCourse courir(MondePython& monde, int jusqua, long long borne) {
    FinDeCourse fin = FinDeCourse::aucune;
    {
        const py::gil_scoped_release libre;
        fin = monde.courir(jusqua, borne, signalRecu);
    }
    if (fin == FinDeCourse::interruption) throw py::error_already_set();
    return fin;
}

// The statistics' columns and what each counts, from their table.
std::string docRecensement() {
    std::string doc = "The statistics file's row of this tick as a dict, its columns for keys:";
    const char* separateur = " ";
    for (const ColonneStats& c : colonnesStats()) {
        doc += separateur + std::string(c.nom) + " (" + c.sens + ")";
        separateur = ", ";
    }
    return doc + "; the tick's events are None in a loaded world until it has run a tick.";
}

// Another thread's call still working on the world would be left with it freed under it.
void fermer(World& w) {
    if (w.occupe) throw std::runtime_error("this World is busy in another thread");
    if (w.monde) w.monde->fermer();
}

} // namespace

void lierMonde(py::module_& m) {
    py::class_<World>(m, "World",
                      "One world of the core, built from the options of aquarium-batch.\n\n"
                      "The core keeps one world at a time: close a World (close(), a with block, "
                      "or dropping it) before making another.")
        .def(py::init([](const py::object& seed, const py::kwargs& mots) {
                 auto w = std::make_unique<World>();
                 w->monde =
                     std::make_unique<MondePython>(lireOptions(ligneDesMotsCles(seed, mots)));
                 return w;
             }),
             py::arg("seed") = py::none(), aideCreation().c_str())
        .def_static(
            "load",
            [](const py::object& chemin, bool quiet) {
                auto w = std::make_unique<World>();
                w->monde = MondePython::charger(cheminDe(chemin), quiet);
                return w;
            },
            py::arg("path"), py::kw_only(), py::arg("quiet") = false,
            "Takes up a checkpoint file of save() or of aquarium-batch --checkpoint, as --resume "
            "does: the world goes on exactly as the uninterrupted run. A refused file raises "
            "ValueError saying why.")
        .def(
            "step",
            [](World& w, long long n) {
                const Occupation o(w);
                if (n < 0 || n > INT_MAX - o.monde().tick()) {
                    throw py::value_error("n must be from 0 to " +
                                          std::to_string(INT_MAX - o.monde().tick()));
                }
                if (n > 0) courir(o.monde(), o.monde().tick() + static_cast<int>(n), -1);
            },
            py::arg("n") = 1,
            "Runs n more ticks. Ctrl-C stops at the end of the tick under way and raises "
            "KeyboardInterrupt, the world whole and ready to go on.")
        .def(
            "run",
            [](World& w, const py::object& ticks, const py::object& maxSpeedbricks) {
                const Occupation o(w);
                MondePython& monde = o.monde();
                std::vector<std::string> mots;
                if (!ticks.is_none()) mots.insert(mots.end(), {"--ticks", entier(ticks, "ticks")});
                if (!maxSpeedbricks.is_none()) {
                    mots.insert(mots.end(),
                                {"--max-speedbricks", entier(maxSpeedbricks, "max_speedbricks")});
                }
                const OptionsMonde lues = lireOptions(mots);
                const int jusqua = ticks.is_none() ? monde.options().ticks : lues.ticks;
                if (jusqua <= monde.tick()) {
                    throw py::value_error(
                        ticks.is_none() ? "the world is at tick " + std::to_string(monde.tick()) +
                                              ", the end of its run: give ticks"
                                        : "--ticks " + std::to_string(jusqua) +
                                              " does not go beyond the world's tick " +
                                              std::to_string(monde.tick()));
                }
                return nomFin(courir(monde, jusqua, lues.maxSpeedbricks));
            },
            py::arg("ticks") = py::none(), py::arg("max_speedbricks") = py::none(),
            "Runs until the world's tick `ticks`, as --ticks does (None: the run's own, 3000 "
            "unless a checkpoint says otherwise), or until the first tick that leaves more than "
            "max_speedbricks alive, as --max-speedbricks. Returns why it stopped: 'ticks' or "
            "'bound'. Ctrl-C stops at the end of the tick under way and raises "
            "KeyboardInterrupt, the world whole and ready to go on.")
        .def_property_readonly(
            "tick", [](World& w) { return Occupation(w).monde().tick(); },
            "The world's clock: 0 after the seeding.")
        .def_property_readonly(
            "seed", [](World& w) { return Occupation(w).monde().options().graine; },
            "The seed of the random generator.")
        .def_property_readonly(
            "settings", [](World& w) { return reglages(Occupation(w).monde().options()); },
            "The options that build this world again, as World's keywords.")
        .def(
            "census",
            [](World& w) {
                py::dict d;
                for (const auto& [nom, valeur] : Occupation(w).monde().recensement())
                    d[py::str(nom)] = valeur ? py::object(py::int_(*valeur)) : py::none();
                return d;
            },
            docRecensement().c_str())
        .def(
            "speedbricks", [](World& w) { return colonnes(Occupation(w).releve().speedbricks); },
            docColonnes("Every speedbrick in registry order", fiches::tableSpeedbricks()).c_str())
        .def(
            "rings", [](World& w) { return colonnes(Occupation(w).releve().anneaux); },
            docColonnes("Every ring, speedbrick by speedbrick in registry order",
                        fiches::tableAnneaux())
                .c_str())
        .def(
            "cutits", [](World& w) { return colonnes(Occupation(w).releve().cutits); },
            docColonnes("Every cutit in registry order", fiches::tableCutits()).c_str())
        .def(
            "frame",
            [](World& w, const std::string& table) {
                return cadre(rangeesNommees(Occupation(w).releve(), table));
            },
            py::arg("table"),
            "The rows of one table ('speedbricks', 'rings' or 'cutits') as a pandas DataFrame: "
            "its columns, each axis and gene a column of its own (x, y, z for the position), "
            "the tick first.")
        .def(
            "phylogeny",
            [](World& w, bool frame) {
                const fiches::Rangees rangees = Occupation(w).monde().phylogenie();
                return frame ? cadre(rangees) : py::object(colonnes(rangees));
            },
            py::kw_only(), py::arg("frame") = false,
            docColonnes("The pedigree, as --phylogeny writes it: one row per speedbrick that "
                        "lived, the dead first, then the living in registry order (a loaded "
                        "world's speedbricks count as founders); frame=True gives a pandas "
                        "DataFrame",
                        fiches::tablePhylogenie())
                .c_str())
        .def(
            "founder_shares",
            [](World& w) {
                const py::object genomes =
                    colonnes(Occupation(w).releve().speedbricks)["genome"].attr("astype")("float64");
                return genomes / genomes.attr("sum")(py::arg("axis") = 1, py::arg("keepdims") = true);
            },
            "Each living speedbrick's share of each founder, in registry order: its genome, "
            "where gene k counts its descents from the founder born with gene k, over their sum; an "
            "array (speedbricks, founders) whose rows sum to 1.")
        .def(
            "take_report",
            [](World& w) { return py::bytes(Occupation(w).monde().prendreRapport()); },
            "The console report written since the last call, as ISO-8859-1 bytes, and forgets "
            "it; always empty in a quiet world.")
        .def(
            "save",
            [](World& w, const py::object& objet) {
                const std::string chemin = cheminDe(objet);
                const Occupation o(w);
                if (o.monde().tick() == 0) {
                    throw std::runtime_error("a world at tick 0 is not saved: every run starts "
                                             "there afresh");
                }
                std::string erreur;
                bool ecrit = false;
                {
                    const py::gil_scoped_release libre;
                    ecrit = o.monde().sauvegarder(chemin, erreur);
                }
                if (!ecrit) {
                    PyErr_SetString(PyExc_OSError, erreur.c_str());
                    throw py::error_already_set();
                }
            },
            py::arg("path"),
            "Saves the whole run as aquarium-batch --checkpoint does, replacing the file "
            "atomically: load() or aquarium-batch --resume takes it up. A failed write raises "
            "OSError saying why, the previous file left whole.")
        .def(
            "state_hash",
            [](World& w) {
                Occupation o(w);
                return empreinteMonde();
            },
            "A 64-bit fingerprint of the whole state, for comparing runs.")
        .def("close", fermer,
             "Frees the world, so that another World can be made. Again, it does nothing.")
        .def_property_readonly(
            "closed", [](const World& w) { return !w.monde || !w.monde->ouvert(); },
            "Whether close() was called.")
        .def(
            "__enter__", [](py::object self) { return self; },
            "A with block closes the world at its end, whatever ends it.")
        .def(
            "__exit__",
            [](World& w, const py::args&) { fermer(w); },
            "Closes the world, as close() does.")
        .def("__repr__", [](const World& w) {
            if (!w.monde || !w.monde->ouvert()) return std::string("<aquarium.World closed>");
            return "<aquarium.World seed=" + std::to_string(w.monde->options().graine) +
                   " tick=" + std::to_string(w.monde->tick()) + ">";
        });
    ;
}
