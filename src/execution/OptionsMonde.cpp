#include "OptionsMonde.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace {

// The world's own limits on its tank. Along x and z the seeding's shoals reach 0.7 * side + 129
// from 70: below 512 their far corner starts in the far wall's 25-unit zone, where a cutit
// swimming inwards is turned outwards and may never leave it again. Along y they lie from 100 to
// side - 42, clear of the zones, but side - 200 must be positive to draw them. The founders, from
// 50 to side - 51, are clear of the zones in any such tank.
constexpr int kCoteHorizontalMinimal = 512;
constexpr int kHauteurMinimale = 201;
// Positions are single-precision floats: below 16,384 neighbouring values lie at most 1/1024
// unit apart, a hundredth of the smallest steady move (the 0.1-unit circle of a one-ring aga).
// The broad phase sizes its grid by the bodies, not by the tank, so a large tank costs no cells.
constexpr int kCoteMaximal = 16384;

const std::string kCotesAttendus =
    "whole numbers, X and Z from " + std::to_string(kCoteHorizontalMinimal) + " and Y from " +
    std::to_string(kHauteurMinimale) + ", each up to " + std::to_string(kCoteMaximal);

/// Three plain decimal numbers separated by commas, each within the tank's limits.
std::optional<std::array<int, 3>> lireTank(const std::string& texte) {
    std::array<int, 3> cotes = {};
    const char* debut = texte.data();
    const char* fin = texte.data() + texte.size();
    for (std::size_t axe = 0; axe < cotes.size(); ++axe) {
        if (axe > 0) {
            if (debut == fin || *debut != ',') return std::nullopt;
            ++debut;
        }
        const auto [arret, erreur] = std::from_chars(debut, fin, cotes[axe]);
        if (erreur != std::errc() || arret == debut) return std::nullopt;
        debut = arret;
    }
    if (debut != fin) return std::nullopt;
    const int minimum[3] = {kCoteHorizontalMinimal, kHauteurMinimale, kCoteHorizontalMinimal};
    for (std::size_t axe = 0; axe < cotes.size(); ++axe) {
        if (cotes[axe] < minimum[axe] || cotes[axe] > kCoteMaximal) return std::nullopt;
    }
    return cotes;
}

// Each visitor below takes every kind of field: a whole number of the options or of the world's
// settings, the tank, a flag or a file.
template <typename... Cas> struct Visiteur : Cas... { using Cas::operator()...; };
template <typename... Cas> Visiteur(Cas...) -> Visiteur<Cas...>;

std::array<int*, 3> cotes(OptionsMonde& o) {
    return {&o.reglages.tailleX, &o.reglages.tailleY, &o.reglages.tailleZ};
}
std::array<int, 3> cotes(const OptionsMonde& o) {
    return {o.reglages.tailleX, o.reglages.tailleY, o.reglages.tailleZ};
}

CLI::Option* declarerCuve(CLI::App& app, OptionsMonde& options) {
    const CLI::Validator tank(
        [](std::string& texte) -> std::string {
            if (lireTank(texte)) return {};
            return "expects X,Y,Z: " + kCotesAttendus + ", not '" + texte + "'";
        },
        kCotesAttendus);
    return app
        .add_option_function<std::string>(
            "--tank",
            [&options](const std::string& texte) {
                const std::array<int, 3> lus = *lireTank(texte);
                const std::array<int*, 3> champs = cotes(options);
                for (std::size_t axe = 0; axe < lus.size(); ++axe)
                    *champs[axe] = lus[axe];
            },
            "")
        ->check(tank)
        ->type_name("X,Y,Z");
}

CLI::Option* declarer(CLI::App& app, const DefinitionOption& d, OptionsMonde& options) {
    return std::visit(
        Visiteur{
            [&](bool OptionsMonde::*champ) { return app.add_flag(d.nom, options.*champ); },
            [&](std::string OptionsMonde::*champ) { return app.add_option(d.nom, options.*champ); },
            [&](int ReglagesMonde::*champ) {
                return app.add_option(d.nom, options.reglages.*champ)
                    ->check(entierEntre(d.minimum, d.maximum));
            },
            [&](CuveMonde) { return declarerCuve(app, options); },
            [&](auto champ) {
                return app.add_option(d.nom, options.*champ)
                    ->check(entierEntre(d.minimum, d.maximum));
            },
        },
        d.champ);
}

// Ages are taken modulo the time unit and compared with the lifespan in ticks; identifiers
// count every creature of the seeding. Both must fit an int.
void verifierEnsemble(const OptionsMonde& options) {
    const ReglagesMonde& r = options.reglages;
    if (static_cast<long long>(r.dureeVie) * r.uniteTemps > INT_MAX) {
        throw CLI::ValidationError("--lifespan", std::to_string(r.dureeVie) + " time units of " +
                                                     std::to_string(r.uniteTemps) +
                                                     " ticks (--time-unit) exceed " +
                                                     std::to_string(INT_MAX) + " ticks");
    }
    if (options.fondateurs + static_cast<long long>(options.bancs) * r.cutitsParBanc > INT_MAX) {
        throw CLI::ValidationError("--shoal-size",
                                   std::to_string(options.fondateurs) + " founders and " +
                                       std::to_string(options.bancs) + " shoals of " +
                                       std::to_string(r.cutitsParBanc) + " cutits exceed " +
                                       std::to_string(INT_MAX) + " creatures");
    }
}

} // namespace

const std::vector<DefinitionOption>& optionsCommunes() {
    using R = RoleOption;
    using O = OptionsMonde;
    using M = ReglagesMonde;
    // clang-format off
    static const std::vector<DefinitionOption> table = {
        {"--seed", "Seed of the random generator (default: the calendar time); always reported "
         "on standard error", &O::graine, R::graine, "seed", 0, UINT_MAX, nullptr, false},
        {"--ticks", "Ticks to run", &O::ticks, R::course, nullptr, 1, INT_MAX},
        {"--founders", "Founder speedbricks", &O::fondateurs, R::reglage, "founders", 0, INT_MAX},
        {"--shoals", "Shoals of cutits", &O::bancs, R::reglage, "shoals", 0, INT_MAX},
        {"--tank", "Size of the tank along x, y (up) and z", CuveMonde{}, R::reglage, "tank"},
        {"--lifespan", "Lifespan of a speedbrick, in time units", &M::dureeVie, R::reglage,
         "lifespan", 1, INT_MAX},
        {"--time-unit", "Ticks per time unit: a ring, invincibility after birth or a split",
         &M::uniteTemps, R::reglage, "timeUnit", 1, INT_MAX},
        {"--sterility", "Ticks a female stays sterile after breeding, and a newborn after birth",
         &M::dureeSterilite, R::reglage, "sterility", 0, INT_MAX},
        {"--shoal-size", "Cutits in each shoal", &M::cutitsParBanc, R::reglage, "shoalSize", 0,
         INT_MAX},
        {"--quiet", "No console report on standard output", &O::silencieux},
        {"--checkpoint", "Save the whole run to FILE when it ends, is stopped or reaches its "
         "bound, replacing the file atomically", &O::pointDeReprise, R::course, nullptr, 0, 0,
         "FILE", false},
        {"--checkpoint-every", "Also save the run every K ticks", &O::periodeReprise, R::course,
         nullptr, 1, INT_MAX, "K", false, "--checkpoint"},
        {"--resume", "Take up the run saved in FILE, to --ticks (counted from tick 0; by default "
         "the saved run's)", &O::reprendreDe, R::course, nullptr, 0, 0, "FILE", false},
        {"--max-speedbricks", "End the run with the first tick that leaves more than N "
         "speedbricks alive", &O::maxSpeedbricks, R::course, nullptr, 0, LLONG_MAX, "N", false},
    };
    // clang-format on
    return table;
}

std::string texteOption(const DefinitionOption& option, const OptionsMonde& options) {
    return std::visit(
        Visiteur{
            [&](bool OptionsMonde::*champ) { return std::string(options.*champ ? "true" : ""); },
            [&](std::string OptionsMonde::*champ) { return options.*champ; },
            [&](int ReglagesMonde::*champ) { return std::to_string(options.reglages.*champ); },
            [&](CuveMonde) {
                const std::array<int, 3> c = cotes(options);
                return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," +
                       std::to_string(c[2]);
            },
            [&](auto champ) { return std::to_string(options.*champ); },
        },
        option.champ);
}

bool memeValeur(const DefinitionOption& option, const OptionsMonde& a, const OptionsMonde& b) {
    return texteOption(option, a) == texteOption(option, b);
}

void copierValeur(const DefinitionOption& option, OptionsMonde& vers, const OptionsMonde& de) {
    std::visit(Visiteur{
                   [&](int ReglagesMonde::*champ) { vers.reglages.*champ = de.reglages.*champ; },
                   [&](CuveMonde) {
                       const std::array<int, 3> c = cotes(de);
                       const std::array<int*, 3> champs = cotes(vers);
                       for (std::size_t axe = 0; axe < c.size(); ++axe)
                           *champs[axe] = c[axe];
                   },
                   [&](auto champ) { vers.*champ = de.*champ; },
               },
               option.champ);
}

bool OptionsMonde::donnee(const std::string& nom) const {
    return std::find(imposees.begin(), imposees.end(), nom) != imposees.end();
}

// A conversion alone would let "-1" wrap round to a huge unsigned value.
CLI::Validator entierEntre(unsigned long long minimum, unsigned long long maximum) {
    const std::string attendu =
        "a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
    return CLI::Validator(
        [=](std::string& texte) -> std::string {
            unsigned long long valeur = 0;
            const char* fin = texte.data() + texte.size();
            const auto [arret, erreur] = std::from_chars(texte.data(), fin, valeur);
            if (erreur == std::errc() && arret == fin && valeur >= minimum && valeur <= maximum) {
                return {};
            }
            return "expects " + attendu + ", not '" + texte + "'";
        },
        attendu);
}

void declarerOptionsMonde(CLI::App& app, OptionsMonde& options) {
    options.graine = static_cast<unsigned>(std::time(nullptr));
    for (const DefinitionOption& d : optionsCommunes()) {
        CLI::Option* option = declarer(app, d, options)->description(d.aide);
        if (d.typeNom != nullptr) option->type_name(d.typeNom);
        if (d.defautAffiche) option->default_str(texteOption(d, options));
        if (d.requiert != nullptr) option->needs(app.get_option(d.requiert));
    }
    app.final_callback([&options] { verifierEnsemble(options); });
    // A resumed run must tell a value given from a default one.
    app.parse_complete_callback([&app, &options] {
        for (const CLI::Option* option : app.get_options()) {
            if (option->count() > 0) options.imposees.push_back(option->get_name());
        }
    });
}

std::string ligneDeCommande(const OptionsMonde& options) {
    std::string ligne;
    for (const DefinitionOption& d : optionsCommunes()) {
        if (!d.repris()) continue;
        if (!ligne.empty()) ligne += ' ';
        ligne += std::string(d.nom) + " " + texteOption(d, options);
    }
    return ligne;
}

nlohmann::ordered_json reglagesEnJson(const OptionsMonde& options) {
    using Json = nlohmann::ordered_json;
    Json reglages = Json::object();
    for (const DefinitionOption& d : optionsCommunes()) {
        if (d.role != RoleOption::reglage) continue;
        reglages[d.cle] = std::visit(
            Visiteur{
                [&](int ReglagesMonde::*champ) -> Json { return options.reglages.*champ; },
                [&](CuveMonde) -> Json { return cotes(options); },
                [&](auto champ) -> Json { return options.*champ; },
            },
            d.champ);
    }
    return reglages;
}

std::optional<int> analyserLigne(CLI::App& app, int argc, char** argv) {
    app.set_version_flag("--version", app.get_name() + " " + AQUARIUM_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        std::cerr << app.get_name() << ": " << raisonRefus(e) << std::endl;
        return 2;
    }
    return std::nullopt;
}

std::string raisonRefus(const CLI::ParseError& erreur) {
    return std::string(erreur.what()) + " (see --help)";
}

bool memeFichier(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code erreur;
    const std::filesystem::path cheminA =
        std::filesystem::weakly_canonical(std::filesystem::absolute(a, erreur), erreur);
    if (erreur) return a == b;
    const std::filesystem::path cheminB =
        std::filesystem::weakly_canonical(std::filesystem::absolute(b, erreur), erreur);
    if (erreur) return a == b;
    return cheminA == cheminB;
}
