#pragma once

#include "OptionsMonde.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

/// What the pages may ask of the live run, and the world it is: owned here, read and changed
/// by the server's thread, obeyed by the run's between two ticks.
class Pilotage {
public:
    using Horloge = std::chrono::steady_clock;

    explicit Pilotage(int ticksParSeconde) : ticksParSeconde_(ticksParSeconde) {}

    // The pages' side.
    void mettreEnPause();
    void jouer();
    /// Pauses, then lets exactly one more tick through.
    void avancerDUnTick();
    /// 0: as fast as the machine goes.
    void cadencer(int ticksParSeconde);
    /// Ends the running world after its tick and runs this one instead.
    void remplacer(OptionsMonde options);
    /// What /run.json says, but the controls.
    nlohmann::json enJson() const;
    /// The running world's options, which the form opens with.
    OptionsMonde options() const;

    // The run's side.
    /// A world starts, playing: the command line's, or one a page asked for.
    void commencer(const OptionsMonde& options, bool dePage);
    int monde() const;
    /// The pause between two ticks, none when there is no pace.
    Horloge::duration periode() const;
    /// A page asked for another world: the running one is to end.
    bool remplacee() const;
    /// After `tick`, waits until the next tick may be made: `echeance` reached (the pace) while
    /// playing, a step asked for while paused, a new world, or a signal. Returns false at once
    /// when the run is paused and `publie` says the tick's picture is not out yet.
    bool attendre(int tick, Horloge::time_point echeance, bool publie);
    /// Once a world has ended: the next one a page asks for, or none when a signal comes.
    std::optional<OptionsMonde> attendreMonde();

private:
    mutable std::mutex verrou_;
    std::condition_variable reveil_;
    int ticksParSeconde_;
    bool enPause_ = false;
    /// Ticks asked for one at a time and not made yet.
    int pas_ = 0;
    /// The tick the run stands still at, paused; -1 while it runs.
    int arreteA_ = -1;
    int monde_ = 0;
    bool dePage_ = false;
    OptionsMonde options_;
    std::optional<OptionsMonde> remplacant_;
};

/// What `aquarium-batch` needs to make this world again, to its last tick but without
/// `--ticks`: the seed, every setting, and the bound when there is one.
std::string commandeDuMonde(const OptionsMonde& options);
