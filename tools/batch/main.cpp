#include "Execution.h"
#include "OptionsMonde.h"
#include "SortiesLot.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char kProgramme[] = "aquarium-batch";

/// The files asked for on the command line.
struct OptionsSorties {
    /// Empty: no state trace.
    std::string fichierEtat;
    /// 0: the state trace holds only the first and the last tick.
    int periodeEtat = 0;
    /// Empty: no statistics.
    std::string fichierStats;
};

void declarerSorties(CLI::App& app, OptionsSorties& options) {
    CLI::Option* etat = app.add_option(
        "--state", options.fichierEtat,
        "Write the state trace to FILE (JSON Lines: tick 0, every K-th tick, the last tick)");
    etat->type_name("FILE");
    app.add_option("--state-every", options.periodeEtat, "Dump the state every K ticks")
        ->check(entierEntre(1, INT_MAX))
        ->type_name("K")
        ->needs(etat);
    app.add_option("--stats", options.fichierStats,
                   "Write population statistics to FILE (CSV, one row per tick)")
        ->type_name("FILE");
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the aquarium without a window: the console report on standard output, "
                 "an optional state trace and statistics.",
                 kProgramme);
    OptionsMonde monde;
    OptionsSorties sorties;
    declarerOptionsMonde(app, monde);
    declarerSorties(app, sorties);
    app.set_version_flag("--version", std::string(kProgramme) + " " + AQUARIUM_VERSION);
    if (const std::optional<int> statut = analyserLigne(app, argc, argv)) return *statut;
    // Two names for one file would interleave the trace and the statistics.
    if (memeFichier(sorties.fichierEtat, sorties.fichierStats)) {
        std::cerr << kProgramme << ": --state and --stats name the same file" << std::endl;
        return kStatutRefus;
    }

    std::vector<std::unique_ptr<Sortie>> fichiers;
    if (!sorties.fichierEtat.empty()) {
        fichiers.push_back(std::make_unique<SortieTrace>(sorties.fichierEtat, sorties.periodeEtat));
    }
    if (!sorties.fichierStats.empty()) {
        fichiers.push_back(std::make_unique<SortieStats>(sorties.fichierStats));
    }
    std::vector<Sortie*> liste;
    for (const auto& f : fichiers)
        liste.push_back(f.get());
    return executer(kProgramme, monde, liste);
}
