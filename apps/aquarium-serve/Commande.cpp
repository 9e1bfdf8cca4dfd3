#include "Commande.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

using nlohmann::json;

// A file stays the command line's, and a flag (--quiet) is the server's: neither is the page's.
// An option that needs another (--checkpoint-every) needs a file.
bool dansLeFormulaire(const DefinitionOption& d) {
    if (d.role != RoleOption::course) return true;
    return !std::holds_alternative<std::string OptionsMonde::*>(d.champ) &&
           !std::holds_alternative<bool OptionsMonde::*>(d.champ) && d.requiert == nullptr;
}

const DefinitionOption* optionDuFormulaire(const std::string& nom) {
    for (const DefinitionOption& d : optionsCommunes()) {
        if (d.nom == nom && dansLeFormulaire(d)) return &d;
    }
    return nullptr;
}

bool entier(const DefinitionOption& d) { return !std::holds_alternative<CuveMonde>(d.champ); }

// The field a refusal names first: CLI11 heads most with the option, and a check of several
// names the one it blames first.
std::string optionNommee(const std::string& message) {
    std::string trouvee;
    std::size_t premiere = std::string::npos;
    for (const DefinitionOption& d : optionsCommunes()) {
        const std::string nom = d.nom;
        for (std::size_t i = message.find(nom); i != std::string::npos;
             i = message.find(nom, i + 1)) {
            const std::size_t apres = i + nom.size();
            if (apres < message.size() &&
                (std::isalnum(static_cast<unsigned char>(message[apres])) != 0 ||
                 message[apres] == '-')) {
                continue;
            }
            if (i < premiere && dansLeFormulaire(d)) {
                premiere = i;
                trouvee = nom;
            }
            break;
        }
    }
    return trouvee;
}

// Each value is given as --name=value, so that one starting with a dash stays a value.
std::variant<Commande, RefusCommande> lireMonde(const json& options) {
    if (!options.is_object()) return RefusCommande{"\"options\" must be an object", {}};
    std::vector<std::string> arguments;
    for (const auto& [nom, valeur] : options.items()) {
        if (optionDuFormulaire(nom) == nullptr) {
            return RefusCommande{"'" + nom + "' is not in the form: files stay the command line's",
                                 {}};
        }
        if (!valeur.is_string()) {
            return RefusCommande{"the value of " + nom + " must be a text", nom};
        }
        if (!valeur.get<std::string>().empty()) {
            arguments.push_back(nom + "=" + valeur.get<std::string>());
        }
    }
    Commande commande;
    commande.action = Action::demarrer;
    CLI::App app;
    declarerOptionsMonde(app, commande.options);
    // CLI11 takes a vector of arguments last first.
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        const std::string raison = raisonRefus(e);
        return RefusCommande{raison, optionNommee(raison)};
    }
    return commande;
}

std::variant<Commande, RefusCommande> lireCadence(const json& message) {
    const auto valeur = message.find("ticksPerSecond");
    if (valeur == message.end() || !valeur->is_number_integer() || *valeur < 0 ||
        *valeur > 100000) {
        return RefusCommande{"\"ticksPerSecond\" must be a whole number from 0 to 100000", {}};
    }
    Commande commande;
    commande.action = Action::cadence;
    commande.ticksParSeconde = valeur->get<int>();
    return commande;
}

} // namespace

std::variant<Commande, RefusCommande> lireCommande(std::string_view corps) {
    const json message = json::parse(corps, nullptr, false);
    if (message.is_discarded() || !message.is_object()) {
        return RefusCommande{"the body is no JSON object", {}};
    }
    const auto action = message.find("action");
    if (action == message.end() || !action->is_string()) {
        return RefusCommande{"\"action\" is missing or no text", {}};
    }
    const std::string nom = action->get<std::string>();
    if (nom == "pace") return lireCadence(message);
    if (nom == "start") {
        const auto options = message.find("options");
        return lireMonde(options == message.end() ? json::object() : *options);
    }
    const std::pair<const char*, Action> simples[] = {
        {"pause", Action::pause}, {"play", Action::jouer}, {"step", Action::pas}};
    for (const auto& [texte, simple] : simples) {
        if (nom == texte) return Commande{simple, 0, {}};
    }
    return RefusCommande{"unknown action '" + nom + "'", {}};
}

std::string formulaire(const OptionsMonde& courantes) {
    CLI::App app;
    OptionsMonde defauts;
    declarerOptionsMonde(app, defauts);
    json champs = json::array();
    for (const DefinitionOption& d : optionsCommunes()) {
        if (!dansLeFormulaire(d)) continue;
        json champ = {{"name", d.nom},
                      {"help", d.aide},
                      {"value", texteOption(d, courantes)},
                      {"default", d.defautAffiche ? texteOption(d, defauts) : ""}};
        if (entier(d)) {
            champ["min"] = d.minimum;
            champ["max"] = d.maximum;
            // A value out of range means none (no bound): the form leaves the field empty.
            const std::string valeur = champ["value"];
            if (valeur.front() == '-') champ["value"] = "";
        }
        // CLI11 appends the checks' descriptions after a colon.
        const std::string type = app.get_option(d.nom)->get_type_name();
        champ["type"] = type.substr(0, type.find(':'));
        champs.push_back(std::move(champ));
    }
    return json{{"options", champs}}.dump();
}
