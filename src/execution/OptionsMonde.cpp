#include "OptionsMonde.h"

#include <CLI/CLI.hpp>

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

void declarerTank(CLI::App& app, ReglagesMonde& reglages) {
    const CLI::Validator tank(
        [](std::string& texte) -> std::string {
            if (lireTank(texte)) return {};
            return "expects X,Y,Z: " + kCotesAttendus + ", not '" + texte + "'";
        },
        kCotesAttendus);
    app.add_option_function<std::string>(
           "--tank",
           [&reglages](const std::string& texte) {
               const std::array<int, 3> cotes = *lireTank(texte);
               reglages.tailleX = cotes[0];
               reglages.tailleY = cotes[1];
               reglages.tailleZ = cotes[2];
           },
           "Size of the tank along x, y (up) and z")
        ->check(tank)
        ->type_name("X,Y,Z")
        ->default_str(std::to_string(reglages.tailleX) + "," + std::to_string(reglages.tailleY) +
                      "," + std::to_string(reglages.tailleZ));
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

void declarerReglages(CLI::App& app, ReglagesMonde& reglages) {
    declarerTank(app, reglages);
    app.add_option("--lifespan", reglages.dureeVie, "Lifespan of a speedbrick, in time units")
        ->check(entierEntre(1, INT_MAX))
        ->capture_default_str();
    app.add_option("--time-unit", reglages.uniteTemps,
                   "Ticks per time unit: a ring, invincibility after birth or a split")
        ->check(entierEntre(1, INT_MAX))
        ->capture_default_str();
    app.add_option("--sterility", reglages.dureeSterilite,
                   "Ticks a female stays sterile after breeding, and a newborn after birth")
        ->check(entierEntre(0, INT_MAX))
        ->capture_default_str();
    app.add_option("--shoal-size", reglages.cutitsParBanc, "Cutits in each shoal")
        ->check(entierEntre(0, INT_MAX))
        ->capture_default_str();
}

} // namespace

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
    app.add_option("--seed", options.graine,
                   "Seed of the random generator (default: the calendar time); always reported "
                   "on standard error")
        ->check(entierEntre(0, UINT_MAX));
    app.add_option("--ticks", options.ticks, "Ticks to run")
        ->check(entierEntre(1, INT_MAX))
        ->capture_default_str();
    app.add_option("--founders", options.fondateurs, "Founder speedbricks")
        ->check(entierEntre(0, INT_MAX))
        ->capture_default_str();
    app.add_option("--shoals", options.bancs, "Shoals of cutits")
        ->check(entierEntre(0, INT_MAX))
        ->capture_default_str();
    declarerReglages(app, options.reglages);
    app.add_flag("--quiet", options.silencieux, "No console report on standard output");
    app.final_callback([&options] { verifierEnsemble(options); });
    declarerOptionsReprise(app, options);
}

void declarerOptionsReprise(CLI::App& app, OptionsMonde& options) {
    CLI::Option* point =
        app.add_option("--checkpoint", options.pointDeReprise,
                       "Save the whole run to FILE when it ends, is stopped or reaches its bound, "
                       "replacing the file atomically")
            ->type_name("FILE");
    app.add_option("--checkpoint-every", options.periodeReprise, "Also save the run every K ticks")
        ->check(entierEntre(1, INT_MAX))
        ->type_name("K")
        ->needs(point);
    app.add_option("--resume", options.reprendreDe,
                   "Take up the run saved in FILE, to --ticks (counted from tick 0; by default the "
                   "saved run's)")
        ->type_name("FILE");
    app.add_option("--max-speedbricks", options.maxSpeedbricks,
                   "End the run with the first tick that leaves more than N speedbricks alive")
        ->check(entierEntre(0, LLONG_MAX))
        ->type_name("N");
    // A resumed run must tell a value given from a default one.
    app.parse_complete_callback([&app, &options] {
        for (const CLI::Option* option : app.get_options()) {
            if (option->count() > 0) options.imposees.push_back(option->get_name());
        }
    });
}

std::string ligneDeCommande(const OptionsMonde& options) {
    const ReglagesMonde& r = options.reglages;
    return "--seed " + std::to_string(options.graine) + " --founders " +
           std::to_string(options.fondateurs) + " --shoals " + std::to_string(options.bancs) +
           " --tank " + std::to_string(r.tailleX) + "," + std::to_string(r.tailleY) + "," +
           std::to_string(r.tailleZ) + " --lifespan " + std::to_string(r.dureeVie) +
           " --time-unit " + std::to_string(r.uniteTemps) + " --sterility " +
           std::to_string(r.dureeSterilite) + " --shoal-size " + std::to_string(r.cutitsParBanc);
}

std::optional<int> analyserLigne(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        std::cerr << app.get_name() << ": " << e.what() << " (see --help)" << std::endl;
        return 2;
    }
    return std::nullopt;
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
