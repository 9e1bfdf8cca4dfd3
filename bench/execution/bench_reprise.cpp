#include "C_AQUARIUM.h"
#include "ConsoleMuette.h"
#include "Execution.h"
#include "OptionsMonde.h"
#include "Recensement.h"
#include "Reprise.h"
#include "Sauvegarde.h"
#include "Scenario.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// What a checkpoint costs in a world deep into the explosion: 50,000 speedbricks with 19 rings
// each, about the population of seed 1 at tick 9,500.

namespace {

constexpr int kSpeedbricks = 50000;
constexpr int kAnneaux = 19;

void construire() {
    const ConsoleMuette muette;
    construireMondeSynthetique(kSpeedbricks, kAnneaux, 1);
}

void BM_SauvegarderMonde(benchmark::State& state) {
    construire();
    std::string octets;
    for (auto _ : state) {
        octets.clear();
        sauvegarderMonde(octets);
        benchmark::DoNotOptimize(octets.data());
    }
    state.counters["octets"] = static_cast<double>(octets.size());
    detruireMonde();
}
BENCHMARK(BM_SauvegarderMonde)->Unit(benchmark::kMillisecond);

void BM_RestaurerMonde(benchmark::State& state) {
    construire();
    std::string octets;
    sauvegarderMonde(octets);
    std::string erreur;
    for (auto _ : state)
        benchmark::DoNotOptimize(restaurerMonde(octets, erreur));
    detruireMonde();
}
BENCHMARK(BM_RestaurerMonde)->Unit(benchmark::kMillisecond);

// The whole write, as the run makes it: the file's contents, then a temporary file flushed to
// the disk and renamed, the folder flushed.
void BM_EcrirePointDeReprise(benchmark::State& state) {
    construire();
    std::string modele = (std::filesystem::temp_directory_path() / "reprise-XXXXXX").string();
    const std::filesystem::path dossier = ::mkdtemp(modele.data());
    const std::string chemin = (dossier / "point").string();
    OptionsMonde options;
    options.graine = 1;
    SortieReprise sortie(chemin, 1, options);
    if (!sortie.ouvrir()) state.SkipWithError(sortie.erreur().c_str());
    const C_AQUARIUM& monde = *C_AQUARIUM::getAquarium();
    const Recensement recensement = recenser(monde);
    const Historique historique;
    const Instant instant{monde,      1,       recensement, recensement, FinDeCourse::aucune,
                          historique, options, "bench"};
    for (auto _ : state) {
        if (!sortie.ecrire(instant)) state.SkipWithError(sortie.erreur().c_str());
    }
    state.counters["octets"] = static_cast<double>(std::filesystem::file_size(chemin));
    std::filesystem::remove_all(dossier);
    detruireMonde();
}
BENCHMARK(BM_EcrirePointDeReprise)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
