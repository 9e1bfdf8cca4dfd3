#include "Progression.h"

#include "Recensement.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr auto kIntervalle = std::chrono::milliseconds(250);

} // namespace

// Ticks per second are measured since the last redraw: a growing world slows down, and the
// rate should show it.
void Progression::signaler(int tick, int speedbricks, const std::function<std::string()>& suite) {
    if (!active_) return;
    const Horloge::time_point maintenant = Horloge::now();
    const std::chrono::duration<double> ecoule = maintenant - dernierAffichage_;
    if (ecoule < kIntervalle) return;
    const double cadence = (tick - dernierTick_) / ecoule.count();
    std::fprintf(stderr, "\rtick %d/%d, %d speedbricks alive, %.0f ticks/s%s\x1b[K", tick, ticks_,
                 speedbricks, cadence, suite().c_str());
    std::fflush(stderr);
    affichee_ = true;
    dernierAffichage_ = maintenant;
    dernierTick_ = tick;
}

void Progression::effacer() {
    if (!affichee_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    affichee_ = false;
}

std::string resumer(int ticks, const Recensement& fin, double secondes) {
    char ligne[256];
    const int longueur = std::snprintf(
        ligne, sizeof ligne,
        "%d ticks in %.2f s; %d speedbricks alive (normal %d, gentil %d, aga %d); births %" PRId64
        ", splits %" PRId64 ", deaths %" PRId64,
        ticks, secondes, fin.speedbricks, fin.normal, fin.gentil, fin.aga, fin.naissances,
        fin.scissions, fin.morts);
    return std::string(ligne, static_cast<std::size_t>(longueur));
}
