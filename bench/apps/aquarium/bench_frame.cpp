#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"
#include "C_SPHERE.h"
#include "ConsoleMuette.h"
#include "Main.h"
#include "Reprise.h"
#include "Sauvegarde.h"
#include "Scenario.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

// The cost of one frame of afficherScene in a crowded tank, drawn by Mesa into a real window.
// Run it on an X server, Xvfb for instance, with the release build.

namespace {

constexpr int kAnneaux = 19;
constexpr unsigned kGraine = 7;

int compterSpheres() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    int n = static_cast<int>(monde->cutits().size());
    for (const C_SPEEDBRICK* s : monde->speedbricks())
        n += 1 + s->getNombreAnneaux();
    return n;
}

void dessinerUneImage() {
    afficherScene();
    glFinish();
}

// A still view, so that every frame draws the same picture. The first frame, untimed, pays
// for Mesa compiling its shaders and for the display lists. The work is the CPU time of the
// whole process, Mesa's rasterising threads included, which other loads on the machine
// disturb less than wall time. listes:0 computes every sphere afresh, listes:1 replays lists.
void BM_Image(benchmark::State& state) {
    dessinerSpheresParListes(state.range(1) != 0);
    {
        const ConsoleMuette muette;
        construireMondeSynthetique(static_cast<int>(state.range(0)), kAnneaux, kGraine);
    }
    G_rotationAutomatique = false;
    G_rotation = 30.0f;
    dessinerUneImage();
    for (auto _ : state)
        dessinerUneImage();
    state.counters["spheres"] = compterSpheres();
    state.counters["spheres/s"] =
        benchmark::Counter(compterSpheres(), benchmark::Counter::kIsIterationInvariantRate);
    detruireMonde();
}

BENCHMARK(BM_Image)
    ->ArgNames({"N", "listes"})
    ->ArgsProduct({{500, 2000}, {0, 1}})
    ->MeasureProcessCPUTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

// The world a checkpoint saved (AQUARIUM_REPRISE names it), so that the window's frame can be set
// beside another drawing of the very same world: the web page's, for instance.
void BM_ImageReprise(benchmark::State& state, const std::string& chemin) {
    PointDeReprise point;
    std::string erreur;
    if (!lireReprise(chemin, point, erreur) || !restaurerMonde(point.monde, erreur)) {
        state.SkipWithError(("AQUARIUM_REPRISE: " + erreur).c_str());
        return;
    }
    G_rotationAutomatique = false;
    G_rotation = 30.0f;
    dessinerUneImage();
    for (auto _ : state)
        dessinerUneImage();
    state.counters["tick"] = point.tick;
    state.counters["speedbricks"] =
        static_cast<double>(C_AQUARIUM::getAquarium()->speedbricks().size());
    state.counters["spheres"] = compterSpheres();
    detruireMonde();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (const char* reprise = std::getenv("AQUARIUM_REPRISE")) {
        benchmark::RegisterBenchmark("BM_ImageReprise", BM_ImageReprise, std::string(reprise))
            ->MeasureProcessCPUTime()
            ->UseRealTime()
            ->MinTime(5.0)
            ->Unit(benchmark::kMillisecond);
    }
    {
        const VerificationAffichage verification(argc, argv);
        if (!verification.ouvert()) {
            std::cerr << "bench_frame: skipped: the frame benchmarks draw into a real window and "
                         "need an X display (for instance xvfb-run -s '-screen 0 1280x1024x24')"
                      << std::endl;
            return 0;
        }
        ouvrirFenetre(argc, argv);
        initialisationScene();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
