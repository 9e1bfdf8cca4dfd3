// The cost of the simulation's tick: crowded synthetic worlds, and the default population over
// long runs. Run through scripts/bench; the figures are wall time on one core.

#include "C_AQUARIUM.h"
#include "Scenario.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <iostream>
#include <streambuf>

namespace {

constexpr int kAnneaux = 19;
constexpr unsigned kGraineSynthetique = 42;

// The simulation reports every birth and split; a terminal would make the figures its own.
class ConsoleMuette {
public:
    ConsoleMuette() : ancien_(std::cout.rdbuf(&poubelle_)) {}
    ~ConsoleMuette() { std::cout.rdbuf(ancien_); }
    ConsoleMuette(const ConsoleMuette&) = delete;
    ConsoleMuette& operator=(const ConsoleMuette&) = delete;

private:
    class Poubelle : public std::streambuf {
    protected:
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };
    Poubelle poubelle_;
    std::streambuf* ancien_;
};

// Shows in the output that runs compared with each other ended in the same state.
void noterEtatFinal(benchmark::State& state) {
    char etat[64];
    std::snprintf(etat, sizeof etat, "%zu speedbricks, empreinte %016" PRIx64,
                  C_AQUARIUM::getAquarium()->speedbricks().size(), empreinteMonde());
    state.SetLabel(etat);
}

// One tick of a freshly built world: only the tick is timed.
void TickSynthetique(benchmark::State& state) {
    const ConsoleMuette muette;
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        construireMondeSynthetique(n, kAnneaux, kGraineSynthetique);
        const auto debut = std::chrono::steady_clock::now();
        avancerTick();
        const auto fin = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(fin - debut).count());
        noterEtatFinal(state);
        detruireMonde();
    }
}

void PopulationParDefaut(benchmark::State& state) {
    const ConsoleMuette muette;
    const unsigned graine = static_cast<unsigned>(state.range(0));
    const int ticks = static_cast<int>(state.range(1));
    for (auto _ : state) {
        demarrerMonde(graine);
        for (int t = 0; t < ticks; ++t)
            avancerTick();
        noterEtatFinal(state);
        detruireMonde();
    }
}

} // namespace

BENCHMARK(TickSynthetique)
    ->ArgName("n")
    ->Arg(500)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(20000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

BENCHMARK(PopulationParDefaut)
    ->ArgNames({"graine", "ticks"})
    ->Args({1, 3000})
    ->Args({2, 3000})
    ->Args({3, 3000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

BENCHMARK(PopulationParDefaut)
    ->ArgNames({"graine", "ticks"})
    ->Args({1, 8750})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

BENCHMARK_MAIN();
