#include "MotsCles.h"

#include <algorithm>
#include <string_view>
#include <variant>

namespace py = pybind11;

namespace {

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

const DefinitionOption* optionDuMotCle(const std::string& mot) {
    for (const DefinitionOption& d : optionsCommunes()) {
        if (motCleDuMonde(d) && d.role != RoleOption::graine && motCle(d) == mot) return &d;
    }
    return nullptr;
}

} // namespace

std::string entier(const py::handle& valeur, const char* nom) {
    if (!py::isinstance<py::int_>(valeur) || py::isinstance<py::bool_>(valeur)) {
        throw py::type_error(
            std::string(nom) + " must be an int, not " +
            py::str(py::type::handle_of(valeur).attr("__name__")).cast<std::string>());
    }
    return py::str(valeur);
}

std::string cheminDe(const py::handle& valeur) {
    auto texte = py::reinterpret_steal<py::object>(PyOS_FSPath(valeur.ptr()));
    if (texte && !PyBytes_Check(texte.ptr()))
        texte = py::reinterpret_steal<py::object>(PyUnicode_EncodeFSDefault(texte.ptr()));
    if (!texte) throw py::error_already_set();
    return py::bytes(texte);
}

py::dict reglages(const OptionsMonde& o) {
    py::dict d;
    for (const DefinitionOption& option : optionsCommunes()) {
        if (option.repris()) d[motCle(option).c_str()] = valeurPython(option, o);
    }
    return d;
}

std::vector<std::string> ligneDesMotsCles(const py::object& seed, const py::kwargs& mots) {
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
    return ligne;
}

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
