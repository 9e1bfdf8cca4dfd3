// The module `aquarium`: the core's world for Python, driven as the batch runner drives it.

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "MondePython.h"
#include "OptionsMonde.h"
#include "Scenario.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace py = pybind11;

namespace {

/// A World as Python sees it: the core's world once built, until closed, and whether a call
/// that let go of the interpreter is still working on it.
struct World {
    std::unique_ptr<MondePython> monde;
    bool occupe = false;
};

// The interpreter is let go while ticks run or a file is written: another thread may then call
// the same World, and must not touch the world under way.
class Occupation {
public:
    explicit Occupation(World& w) : w_(w) {
        if (!w.monde || !w.monde->ouvert()) throw std::runtime_error("this World is closed");
        if (w.occupe) throw std::runtime_error("this World is busy in another thread");
        w.occupe = true;
    }
    ~Occupation() { w_.occupe = false; }
    Occupation(const Occupation&) = delete;
    Occupation& operator=(const Occupation&) = delete;

    MondePython& monde() const { return *w_.monde; }

private:
    World& w_;
};

// A keyword as the command line writes its value: a whole number, whatever its size, so that
// the command line says what is wrong with it.
std::string entier(const py::handle& valeur, const char* nom) {
    if (!py::isinstance<py::int_>(valeur) || py::isinstance<py::bool_>(valeur)) {
        throw py::type_error(
            std::string(nom) + " must be an int, not " +
            py::str(py::type::handle_of(valeur).attr("__name__")).cast<std::string>());
    }
    return py::str(valeur);
}

std::string cuve(const py::handle& valeur) {
    if (py::isinstance<py::str>(valeur) || !py::isinstance<py::sequence>(valeur)) {
        throw py::type_error("tank must be a sequence of three ints (x, y, z)");
    }
    std::string texte;
    for (const py::handle cote : valeur) {
        if (!texte.empty()) texte += ",";
        texte += entier(cote, "each side of tank");
    }
    return texte;
}

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

template <typename T> py::array_t<T> colonne(std::size_t n) {
    return py::array_t<T>(static_cast<py::ssize_t>(n));
}

template <typename T> py::array_t<T> matrice(std::size_t n, std::size_t colonnes) {
    return py::array_t<T>({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(colonnes)});
}

void ecrireVecteur(float* vers, float x, float y, float z) {
    vers[0] = x;
    vers[1] = y;
    vers[2] = z;
}

// Filled straight into the arrays: nothing but the arrays is allocated.
py::dict colonnesSpeedbricks(const C_AQUARIUM& monde) {
    const std::vector<C_SPEEDBRICK*>& liste = monde.speedbricks();
    const std::size_t n = liste.size();
    const std::size_t genes = static_cast<std::size_t>(monde.getTailleGenome());
    auto id = colonne<std::int32_t>(n);
    auto genre = colonne<std::int8_t>(n);
    auto sexe = colonne<std::int8_t>(n);
    auto age = colonne<std::int32_t>(n);
    auto sterilite = colonne<std::int32_t>(n);
    auto invincible = colonne<std::int32_t>(n);
    auto anneaux = colonne<std::int32_t>(n);
    auto genome = matrice<std::int32_t>(n, genes);
    auto position = matrice<float>(n, 3);
    auto vitesse = matrice<float>(n, 3);
    std::int32_t* const ids = id.mutable_data();
    std::int8_t* const genres = genre.mutable_data();
    std::int8_t* const sexes = sexe.mutable_data();
    std::int32_t* const ages = age.mutable_data();
    std::int32_t* const sterilites = sterilite.mutable_data();
    std::int32_t* const invincibles = invincible.mutable_data();
    std::int32_t* const nombresAnneaux = anneaux.mutable_data();
    std::int32_t* const g = genome.mutable_data();
    float* const p = position.mutable_data();
    float* const v = vitesse.mutable_data();
    for (std::size_t i = 0; i < n; ++i) {
        const C_SPEEDBRICK& s = *liste[i];
        ids[i] = s.getId();
        genres[i] = static_cast<std::int8_t>(s.getGenre());
        sexes[i] = static_cast<std::int8_t>(s.getSexe());
        ages[i] = s.getAge();
        sterilites[i] = s.getDureeSteriliteRestante();
        invincibles[i] = s.getDureeInvincible();
        nombresAnneaux[i] = s.getNombreAnneaux();
        const std::vector<int>& code = s.genome();
        assert(code.size() == genes && "every genome has the world's length");
        std::copy(code.begin(), code.end(), g + i * genes);
        ecrireVecteur(p + 3 * i, s.getPosX(), s.getPosY(), s.getPosZ());
        ecrireVecteur(v + 3 * i, s.getVelX(), s.getVelY(), s.getVelZ());
    }
    py::dict d;
    d["id"] = id;
    d["kind"] = genre;
    d["sex"] = sexe;
    d["age"] = age;
    d["sterility"] = sterilite;
    d["invincibility"] = invincible;
    d["rings"] = anneaux;
    d["genome"] = genome;
    d["position"] = position;
    d["velocity"] = vitesse;
    return d;
}

py::dict colonnesAnneaux(const C_AQUARIUM& monde) {
    std::size_t n = 0;
    for (const C_SPEEDBRICK* s : monde.speedbricks())
        n += s->anneaux().size();
    auto proprietaire = colonne<std::int32_t>(n);
    auto index = colonne<std::int32_t>(n);
    auto position = matrice<float>(n, 3);
    std::int32_t* o = proprietaire.mutable_data();
    std::int32_t* k = index.mutable_data();
    float* p = position.mutable_data();
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        for (const C_ANNEAU* a : s->anneaux()) {
            *o++ = s->getId();
            *k++ = a->getIdAnneau();
            ecrireVecteur(p, a->getPosX(), a->getPosY(), a->getPosZ());
            p += 3;
        }
    }
    py::dict d;
    d["owner"] = proprietaire;
    d["index"] = index;
    d["position"] = position;
    return d;
}

py::dict colonnesCutits(const C_AQUARIUM& monde) {
    const std::vector<C_CUTIT*>& liste = monde.cutits();
    const std::size_t n = liste.size();
    auto id = colonne<std::int32_t>(n);
    auto position = matrice<float>(n, 3);
    auto vitesse = matrice<float>(n, 3);
    std::int32_t* const ids = id.mutable_data();
    float* const p = position.mutable_data();
    float* const v = vitesse.mutable_data();
    for (std::size_t i = 0; i < n; ++i) {
        const C_CUTIT& c = *liste[i];
        ids[i] = c.getId();
        ecrireVecteur(p + 3 * i, c.getPosX(), c.getPosY(), c.getPosZ());
        ecrireVecteur(v + 3 * i, c.getVelX(), c.getVelY(), c.getVelZ());
    }
    py::dict d;
    d["id"] = id;
    d["position"] = position;
    d["velocity"] = vitesse;
    return d;
}

// A World takes the options that make the world, and --quiet, by their names in Python's
// spelling ("--time-unit": time_unit).
bool motCleDuMonde(const DefinitionOption& d) {
    return d.repris() || std::string_view(d.nom) == "--quiet";
}

std::string motCle(const DefinitionOption& d) {
    std::string mot = d.nom + 2;
    std::replace(mot.begin(), mot.end(), '-', '_');
    return mot;
}

py::object valeurPython(const DefinitionOption& d, const OptionsMonde& o) {
    if (std::holds_alternative<CuveMonde>(d.champ)) {
        const ReglagesMonde& r = o.reglages;
        return py::make_tuple(r.tailleX, r.tailleY, r.tailleZ);
    }
    if (const auto* drapeau = std::get_if<bool OptionsMonde::*>(&d.champ)) {
        return py::bool_(o.**drapeau);
    }
    return py::int_(std::stoll(texteOption(d, o)));
}

py::dict reglages(const OptionsMonde& o) {
    py::dict d;
    for (const DefinitionOption& option : optionsCommunes()) {
        if (option.repris()) d[motCle(option).c_str()] = valeurPython(option, o);
    }
    return d;
}

const DefinitionOption* optionDuMotCle(const std::string& mot) {
    for (const DefinitionOption& d : optionsCommunes()) {
        if (motCleDuMonde(d) && d.role != RoleOption::graine && motCle(d) == mot) return &d;
    }
    return nullptr;
}

// The keywords become the command line's words, which the options' own parser then reads.
std::unique_ptr<World> creer(const py::object& seed, const py::kwargs& mots) {
    std::vector<std::string> ligne;
    if (!seed.is_none()) ligne.insert(ligne.end(), {"--seed", entier(seed, "seed")});
    for (const auto& [nom, valeur] : mots) {
        const std::string mot = py::str(nom);
        const DefinitionOption* d = optionDuMotCle(mot);
        if (d == nullptr) {
            throw py::type_error("World() got an unexpected keyword argument '" + mot + "'");
        }
        if (std::holds_alternative<bool OptionsMonde::*>(d->champ)) {
            if (py::cast<bool>(valeur)) ligne.emplace_back(d->nom);
        } else if (std::holds_alternative<CuveMonde>(d->champ)) {
            ligne.insert(ligne.end(), {d->nom, cuve(valeur)});
        } else {
            ligne.insert(ligne.end(), {d->nom, entier(valeur, mot.c_str())});
        }
    }
    auto w = std::make_unique<World>();
    w->monde = std::make_unique<MondePython>(lireOptions(ligne));
    return w;
}

// The keywords, their defaults and what they do, from the options' table.
std::string aideCreation() {
    const OptionsMonde defaut;
    std::string aide = "Seeds and builds the world that aquarium-batch builds from the same "
                       "options, each keyword being an option in Python's spelling:\n\n"
                       "seed=None: the calendar time, as the command line.\n";
    for (const DefinitionOption& d : optionsCommunes()) {
        if (!motCleDuMonde(d) || d.role == RoleOption::graine) continue;
        aide += motCle(d) + "=" + py::repr(valeurPython(d, defaut)).cast<std::string>() + ": " +
                d.aide + ".\n";
    }
    return aide + "\nA value the command line refuses raises ValueError with its words; a "
                  "second open World raises RuntimeError.";
}

} // namespace

PYBIND11_MODULE(aquarium, m) {
    m.doc() = "The aquarium's world in Python: the very core of aquarium-batch, run for run and "
              "byte for byte, its creatures as numpy arrays.";
    m.attr("KINDS") = py::make_tuple("normal", "gentil", "aga");
    m.attr("SEXES") = py::make_tuple("undecided", "male", "female");
    m.attr("__version__") = AQUARIUM_VERSION;

    py::class_<World>(m, "World",
                      "One world of the core, built from the options of aquarium-batch.\n\n"
                      "The core keeps one world at a time: close a World (close(), a with block, "
                      "or dropping it) before making another.")
        .def(py::init(&creer), py::arg("seed") = py::none(), aideCreation().c_str())
        .def_static(
            "load",
            [](const std::filesystem::path& chemin, bool quiet) {
                auto w = std::make_unique<World>();
                w->monde = MondePython::charger(chemin.string(), quiet);
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
            "The statistics file's row of this tick as a dict, its columns for keys: the census "
            "now, and births, splits and deaths of the tick (None in a loaded world until it "
            "has run a tick).")
        .def(
            "speedbricks",
            [](World& w) { return colonnesSpeedbricks(Occupation(w).monde().monde()); },
            "Every speedbrick in registry order, as numpy arrays: id, kind (index in KINDS), "
            "sex (index in SEXES), age, sterility and invincibility (ticks left), rings (how "
            "many), genome (n, genes), position and velocity (n, 3) float32.")
        .def(
            "rings", [](World& w) { return colonnesAnneaux(Occupation(w).monde().monde()); },
            "Every ring, speedbrick by speedbrick in registry order, as numpy arrays: owner "
            "(the speedbrick's id), index (its index when made) and position (n, 3) float32.")
        .def(
            "cutits", [](World& w) { return colonnesCutits(Occupation(w).monde().monde()); },
            "Every cutit in registry order, as numpy arrays: id, position and velocity (n, 3) "
            "float32.")
        .def(
            "take_report",
            [](World& w) { return py::bytes(Occupation(w).monde().prendreRapport()); },
            "The console report written since the last call, as ISO-8859-1 bytes, and forgets "
            "it; always empty in a quiet world.")
        .def(
            "save",
            [](World& w, const std::filesystem::path& chemin) {
                const Occupation o(w);
                if (o.monde().tick() == 0) {
                    throw std::runtime_error("a world at tick 0 is not saved: every run starts "
                                             "there afresh");
                }
                std::string erreur;
                bool ecrit = false;
                {
                    const py::gil_scoped_release libre;
                    ecrit = o.monde().sauvegarder(chemin.string(), erreur);
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
        .def(
            "close",
            [](World& w) {
                if (w.occupe) throw std::runtime_error("this World is busy in another thread");
                if (w.monde) w.monde->fermer();
            },
            "Frees the world, so that another World can be made. Again, it does nothing.")
        .def_property_readonly(
            "closed", [](const World& w) { return !w.monde || !w.monde->ouvert(); },
            "Whether close() was called.")
        .def(
            "__enter__", [](py::object self) { return self; },
            "A with block closes the world at its end, whatever ends it.")
        .def(
            "__exit__",
            [](World& w, const py::args&) {
                if (w.monde) w.monde->fermer();
            },
            "Closes the world.")
        .def("__repr__", [](const World& w) {
            if (!w.monde || !w.monde->ouvert()) return std::string("<aquarium.World closed>");
            return "<aquarium.World seed=" + std::to_string(w.monde->options().graine) +
                   " tick=" + std::to_string(w.monde->tick()) + ">";
        });
}
