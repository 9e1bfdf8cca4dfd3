#include "OptionsMonde.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <climits>
#include <ctime>
#include <filesystem>
#include <iostream>

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
    app.add_flag("--quiet", options.silencieux, "No console report on standard output");
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
