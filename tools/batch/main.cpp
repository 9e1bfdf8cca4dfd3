#include "Execution.h"
#include "OptionsMonde.h"
#include "SortiesLot.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
    /// Empty: no summary.
    std::string fichierResume;
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
    app.add_option("--summary", options.fichierResume,
                   "Write a summary of the run to FILE (one JSON object) once it has ended")
        ->type_name("FILE");
}

/// The first two options of the list that name one file, if any: two outputs would interleave.
std::optional<std::pair<const char*, const char*>> fichierEnDouble(const OptionsSorties& o) {
    const std::pair<const char*, const std::string*> fichiers[] = {
        {"--state", &o.fichierEtat}, {"--stats", &o.fichierStats}, {"--summary", &o.fichierResume}};
    for (std::size_t i = 0; i < std::size(fichiers); ++i) {
        for (std::size_t j = i + 1; j < std::size(fichiers); ++j) {
            if (memeFichier(*fichiers[i].second, *fichiers[j].second)) {
                return std::make_pair(fichiers[i].first, fichiers[j].first);
            }
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the aquarium without a window: the console report on standard output, "
                 "an optional state trace, statistics and summary.",
                 kProgramme);
    OptionsMonde monde;
    OptionsSorties sorties;
    declarerOptionsMonde(app, monde);
    declarerSorties(app, sorties);
    app.set_version_flag("--version", std::string(kProgramme) + " " + AQUARIUM_VERSION);
    if (const std::optional<int> statut = analyserLigne(app, argc, argv)) return *statut;
    if (const auto double_ = fichierEnDouble(sorties)) {
        std::cerr << kProgramme << ": " << double_->first << " and " << double_->second
                  << " name the same file" << std::endl;
        return kStatutRefus;
    }

    std::vector<std::unique_ptr<Sortie>> fichiers;
    if (!sorties.fichierEtat.empty()) {
        fichiers.push_back(
            std::make_unique<SortieTrace>(sorties.fichierEtat, sorties.periodeEtat, monde));
    }
    if (!sorties.fichierStats.empty()) {
        fichiers.push_back(std::make_unique<SortieStats>(sorties.fichierStats, monde));
    }
    // Last, so that it is written after every other file is complete.
    if (!sorties.fichierResume.empty()) {
        fichiers.push_back(std::make_unique<SortieResume>(sorties.fichierResume, monde));
    }
    std::vector<Sortie*> liste;
    for (const auto& f : fichiers)
        liste.push_back(f.get());
    return executer(kProgramme, monde, liste);
}
