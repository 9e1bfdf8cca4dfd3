#include "EcritureHdf5.h"
#include "Execution.h"
#include "OptionsMonde.h"
#include "Phylogenie.h"
#include "SortieStats.h"
#include "SortiesLot.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cstddef>
#include <filesystem>
#include <iostream>
#include <iterator>
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
    /// Empty: the console report goes to standard output.
    std::string fichierRapport;
    /// Empty: no pedigree.
    std::string fichierPhylogenie;
};

void declarerSorties(CLI::App& app, OptionsSorties& options) {
    CLI::Option* etat = app.add_option(
        "--state", options.fichierEtat,
        "Write the state trace to FILE (HDF5 if it ends with .h5 or .hdf5, JSON Lines otherwise: "
        "tick 0, every K-th tick, the last tick)");
    etat->type_name("FILE");
    app.add_option("--state-every", options.periodeEtat, "Dump the state every K ticks")
        ->check(entierEntre(1, INT_MAX))
        ->type_name("K")
        ->needs(etat);
    app.add_option("--stats", options.fichierStats,
                   "Write population statistics to FILE (CSV, one row per tick)")
        ->type_name("FILE");
    app.add_option("--report", options.fichierRapport,
                   "Write the console report to FILE instead of standard output")
        ->type_name("FILE")
        ->excludes("--quiet");
    app.add_option("--summary", options.fichierResume,
                   "Write a summary of the run to FILE (one JSON object) once it has ended")
        ->type_name("FILE");
    declarerPhylogenie(app, options.fichierPhylogenie);
}

struct Fichier {
    const char* option;
    const std::string& chemin;
};

// Two names for one file would interleave two outputs, or empty the checkpoint to resume. The
// checkpoint taken up may well be the one the run goes on saving.
std::string fichiersEnConflit(const OptionsMonde& monde, const OptionsSorties& sorties) {
    const Fichier fichiers[] = {
        {"--state", sorties.fichierEtat},       {"--stats", sorties.fichierStats},
        {"--report", sorties.fichierRapport},   {"--summary", sorties.fichierResume},
        {"--phylogeny", sorties.fichierPhylogenie},
        {"--checkpoint", monde.pointDeReprise}, {"--resume", monde.reprendreDe}};
    const std::size_t n = std::size(fichiers);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (i == n - 2 && j == n - 1) continue;
            if (memeFichier(fichiers[i].chemin, fichiers[j].chemin)) {
                return std::string(fichiers[i].option) + " and " + fichiers[j].option;
            }
        }
    }
    return {};
}

bool traceHdf5(const std::string& chemin) {
    const std::string extension = std::filesystem::path(chemin).extension().string();
    return extension == ".h5" || extension == ".hdf5";
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the aquarium without a window: the console report on standard output or "
                 "into a file, an optional state trace, statistics and summary.",
                 kProgramme);
    OptionsMonde monde;
    OptionsSorties sorties;
    declarerOptionsMonde(app, monde);
    declarerSorties(app, sorties);
    if (const std::optional<int> statut = analyserLigne(app, argc, argv)) return *statut;
    if (const std::string conflit = fichiersEnConflit(monde, sorties); !conflit.empty()) {
        std::cerr << kProgramme << ": " << conflit << " name the same file" << std::endl;
        return kStatutRefus;
    }

    std::vector<std::unique_ptr<Sortie>> fichiers;
    if (traceHdf5(sorties.fichierEtat)) {
        fichiers.push_back(
            std::make_unique<SortieTraceHdf5>(sorties.fichierEtat, sorties.periodeEtat));
    } else if (!sorties.fichierEtat.empty()) {
        fichiers.push_back(std::make_unique<SortieTrace>(sorties.fichierEtat, sorties.periodeEtat));
    }
    if (!sorties.fichierStats.empty()) {
        fichiers.push_back(std::make_unique<SortieStats>(sorties.fichierStats));
    }
    if (auto phylogenie = sortiePhylogenie(sorties.fichierPhylogenie)) {
        fichiers.push_back(std::move(phylogenie));
    }
    if (!sorties.fichierRapport.empty()) {
        fichiers.push_back(std::make_unique<SortieRapport>(sorties.fichierRapport));
    }
    // Last, so that it is written after every other file is complete.
    if (!sorties.fichierResume.empty()) {
        fichiers.push_back(std::make_unique<SortieResume>(sorties.fichierResume));
    }
    std::vector<Sortie*> liste;
    for (const auto& f : fichiers)
        liste.push_back(f.get());
    return executer(kProgramme, monde, liste);
}
