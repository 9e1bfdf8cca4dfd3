#pragma once

#include <chrono>
#include <functional>
#include <string>

struct Recensement;

/// The progress line of a run, on standard error when that is a terminal: redrawn in place a
/// few times a second, wiped before the summary. Inactive, it writes nothing.
class Progression {
public:
    Progression(int ticks, bool active) : ticks_(ticks), active_(active) {}

    /// Called after every tick; redraws at most four times a second, ending the line with what
    /// `suite` says then.
    void signaler(int tick, int speedbricks, const std::function<std::string()>& suite);
    void effacer();

private:
    using Horloge = std::chrono::steady_clock;

    int ticks_ = 0;
    bool active_ = false;
    bool affichee_ = false;
    Horloge::time_point dernierAffichage_ = Horloge::now();
    int dernierTick_ = 0;
};

/// The one-line summary of a finished run.
std::string resumer(int ticks, const Recensement& fin, double secondes);
