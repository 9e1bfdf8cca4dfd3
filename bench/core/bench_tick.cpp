// The cost of the simulation's tick: crowded synthetic worlds, and the default population over
// long runs. Run through scripts/bench; the figures are wall time, on every core unless a
// benchmark's `fils` says how many threads it uses.

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "ConsoleMuette.h"
#include "Fils.h"
#include "PhaseLarge.h"
#include "Scenario.h"
#include "Tick.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <vector>

namespace {

constexpr int kAnneaux = 19;
constexpr unsigned kGraineSynthetique = 42;

// Shows in the output that runs compared with each other ended in the same state.
void noterEtatFinal(benchmark::State& state) {
    char etat[64];
    std::snprintf(etat, sizeof etat, "%zu speedbricks, empreinte %016" PRIx64,
                  C_AQUARIUM::getAquarium()->speedbricks().size(), empreinteMonde());
    state.SetLabel(etat);
}

using Pas = void (*)();

std::size_t octetsAlloues() { return mallinfo2().uordblks; }

// The threads a benchmark asks for (0: one per core), given back to every core at its end.
class FilsDemandes {
public:
    explicit FilsDemandes(std::int64_t nombre) { fixerNombreDeFils(static_cast<unsigned>(nombre)); }
    ~FilsDemandes() { fixerNombreDeFils(0); }
    FilsDemandes(const FilsDemandes&) = delete;
    FilsDemandes& operator=(const FilsDemandes&) = delete;
};

// One tick of a freshly built world: only the tick is timed. The heap the world takes, per
// speedbrick, shows what a speedbrick with its rings costs in memory.
void TickSynthetique(benchmark::State& state, Pas pas) {
    const ConsoleMuette muette;
    const FilsDemandes fils(state.range(1));
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const std::size_t avant = octetsAlloues();
        construireMondeSynthetique(n, kAnneaux, kGraineSynthetique);
        state.counters["octets_par_speedbrick"] = static_cast<double>(octetsAlloues() - avant) / n;
        const auto debut = std::chrono::steady_clock::now();
        pas();
        const auto fin = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(fin - debut).count());
        noterEtatFinal(state);
        detruireMonde();
    }
}

// The pair pass's detection alone, without the encounters it feeds: the work the broad phase
// itself does, against the number of contacts it finds.
void DetectionSynthetique(benchmark::State& state) {
    const ConsoleMuette muette;
    const FilsDemandes fils(state.range(1));
    construireMondeSynthetique(static_cast<int>(state.range(0)), kAnneaux, kGraineSynthetique);
    const std::vector<C_SPEEDBRICK*> speedbricks = C_AQUARIUM::getAquarium()->getListeSpeedbrick();
    PhaseLarge phaseLarge;
    std::size_t contacts = 0;
    for (auto _ : state) {
        phaseLarge.ranger(speedbricks);
        contacts = 0;
        phaseLarge.contactsEntreSpeedbricks([&contacts](const std::vector<ContactSpeedbricks>& cs) {
            for (const ContactSpeedbricks& c : cs)
                contacts += c.nombre;
        });
    }
    state.counters["contacts"] = static_cast<double>(contacts);
    detruireMonde();
}

// The calling thread's CPU time: on a machine shared with other work, wall time counts the
// turns of others too.
double secondesDuFil() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double secondesDepuis(double debut) { return secondesDuFil() - debut; }

// The least a filing reads: every body's centre once, out of its speedbrick and its rings.
double lireChaqueCorps(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    float somme = 0.0f;
    for (const C_SPEEDBRICK* s : speedbricks) {
        somme += s->getPosX() + s->getPosY() + s->getPosZ();
        for (const C_ANNEAU* a : s->anneaux())
            somme += a->getPosX() + a->getPosY() + a->getPosZ();
    }
    benchmark::DoNotOptimize(somme);
    return somme;
}

// The exact test at full speed, per body: one centre against a long packed run of them, the
// squared distances compared with the largest that touches, the bodies kept counted.
double secondesParTest(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> z;
    for (const C_SPEEDBRICK* s : speedbricks) {
        x.push_back(s->getPosX());
        y.push_back(s->getPosY());
        z.push_back(s->getPosZ());
    }
    const float carreMaximal = carreDeContactMaximal(RAYON_TETE, RAYON_TETE);
    std::size_t gardes = 0;
    const std::size_t tetes = std::min<std::size_t>(64, x.size());
    const auto debut = secondesDuFil();
    for (std::size_t t = 0; t < tetes; ++t) {
        for (std::size_t k = 0; k < x.size(); ++k)
            gardes += distanceCarree(x[t], y[t], z[t], x[k], y[k], z[k]) <= carreMaximal ? 1 : 0;
    }
    const double secondes = secondesDepuis(debut);
    benchmark::DoNotOptimize(gardes);
    return secondes / static_cast<double>(tetes * x.size());
}

// The contact search of a crowded tick, seed 1 at tick 9,400 (36,255 speedbricks), on one
// thread, with the encounters' pruning as the run has it: what it does, counted, and its cost in
// the thread's CPU time (the ms_ counters) beside the least any exact method must spend, the
// floor. That reads every body once to file
// it, and tests each pair of bodies in contact once at the exact test's full speed; every other
// pair it may leave unread. Bytes: each candidate's centre and owner read once (16), each
// body's record copied out, filed and split into fields (16 written, then 16 read and written
// twice).
void RechercheEncombree(benchmark::State& state) {
    const ConsoleMuette muette;
    const FilsDemandes fils(1);
    demarrerMonde(1);
    for (int t = 0; t < 9400; ++t)
        avancerTick();
    const std::vector<C_SPEEDBRICK*> speedbricks = C_AQUARIUM::getAquarium()->getListeSpeedbrick();
    std::vector<T_Sexe> sexes;
    for (const C_SPEEDBRICK* s : speedbricks)
        sexes.push_back(s->getSexe());
    PhaseLarge phaseLarge;
    double rangement = 0.0;
    double recherche = 0.0;
    double lecture = 0.0;
    for (auto _ : state) {
        auto debut = secondesDuFil();
        lireChaqueCorps(speedbricks);
        lecture += secondesDepuis(debut);
        debut = secondesDuFil();
        phaseLarge.ranger(speedbricks);
        rangement += secondesDepuis(debut);
        debut = secondesDuFil();
        phaseLarge.contactsEntreSpeedbricks([](const std::vector<ContactSpeedbricks>&) {}, &sexes);
        recherche += secondesDepuis(debut);
    }
    const PhaseLarge::Mesure mesure = phaseLarge.mesurer(&sexes);
    const auto fois = static_cast<double>(state.iterations());
    const double test = secondesParTest(speedbricks);
    const double plancher = lecture / fois + test * static_cast<double>(mesure.contacts);
    const double aujourdhui = (rangement + recherche) / fois;
    state.counters["speedbricks"] = static_cast<double>(speedbricks.size());
    state.counters["corps"] = static_cast<double>(mesure.corps);
    state.counters["tetes"] = static_cast<double>(mesure.tetes);
    state.counters["candidats"] = static_cast<double>(mesure.candidats);
    state.counters["a_portee"] = static_cast<double>(mesure.aPortee);
    state.counters["contacts"] = static_cast<double>(mesure.contacts);
    state.counters["octets"] = 16.0 * static_cast<double>(mesure.candidats + 4 * mesure.corps);
    state.counters["ms_rangement"] = 1e3 * rangement / fois;
    state.counters["ms_recherche"] = 1e3 * recherche / fois;
    state.counters["ms_lecture"] = 1e3 * lecture / fois;
    state.counters["ns_par_test"] = 1e9 * test;
    state.counters["ms_plancher"] = 1e3 * plancher;
    state.counters["x_plancher"] = aujourdhui / plancher;
    detruireMonde();
}

void PopulationParDefaut(benchmark::State& state, Pas pas) {
    const ConsoleMuette muette;
    const unsigned graine = static_cast<unsigned>(state.range(0));
    const int ticks = static_cast<int>(state.range(1));
    for (auto _ : state) {
        demarrerMonde(graine);
        for (int t = 0; t < ticks; ++t)
            pas();
        noterEtatFinal(state);
        detruireMonde();
    }
}

} // namespace

// Each size on every core, and the largest on one thread too: the ratio is what the threads
// bring. The pair-by-pair reference is measured in the same run, for the ratios; it stops at
// N = 2,000, where one of its ticks already takes a good part of a second.
BENCHMARK_CAPTURE(TickSynthetique, phase_large, &avancerTick)
    ->ArgNames({"n", "fils"})
    ->Args({500, 0})
    ->Args({2000, 0})
    ->Args({5000, 0})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

BENCHMARK_CAPTURE(TickSynthetique, par_paires, &avancerTickParPaires)
    ->ArgNames({"n", "fils"})
    ->Args({500, 1})
    ->Args({2000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

BENCHMARK(DetectionSynthetique)
    ->ArgNames({"n", "fils"})
    ->Args({5000, 0})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

BENCHMARK(RechercheEncombree)->Iterations(10)->Unit(benchmark::kMillisecond);

// Seeds 1 to 3 over the founders' lifetime, the same runs for both passes.
void troisGrainesSur3000Ticks(benchmark::internal::Benchmark* b) {
    b->ArgNames({"graine", "ticks"})
        ->Args({1, 3000})
        ->Args({2, 3000})
        ->Args({3, 3000})
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly();
}

BENCHMARK_CAPTURE(PopulationParDefaut, phase_large, &avancerTick)->Apply(troisGrainesSur3000Ticks);

BENCHMARK_CAPTURE(PopulationParDefaut, par_paires, &avancerTickParPaires)
    ->Apply(troisGrainesSur3000Ticks);

// Where the population explodes: some 5,000 speedbricks at tick 8,750, 11,000 at 9,000, 50,000
// at 9,500. The reference takes minutes at 8,750 already.
BENCHMARK_CAPTURE(PopulationParDefaut, phase_large, &avancerTick)
    ->ArgNames({"graine", "ticks"})
    ->Args({1, 8750})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

BENCHMARK_CAPTURE(PopulationParDefaut, phase_large, &avancerTick)
    ->ArgNames({"graine", "ticks"})
    ->Args({1, 9000})
    ->Args({1, 9500})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

BENCHMARK_CAPTURE(PopulationParDefaut, par_paires, &avancerTickParPaires)
    ->ArgNames({"graine", "ticks"})
    ->Args({1, 8750})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

BENCHMARK_MAIN();
