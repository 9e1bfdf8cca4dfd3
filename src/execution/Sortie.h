#pragma once

#include "Course.h"

#include <string>

class C_AQUARIUM;
struct OptionsMonde;

/// The world at one moment of a run, as the outputs see it.
struct Instant {
    const C_AQUARIUM& monde;
    /// The world's clock: 0 right after the seeding.
    int tick = 0;
    /// The census now, and at the moment before (the same at tick 0).
    const Recensement& apres;
    const Recensement& avant;
    /// The run ends with this tick, for this reason, or goes on (aucune).
    FinDeCourse fin = FinDeCourse::aucune;
    /// The run so far, this tick included.
    const Historique& historique;
    /// The options in force: a resumed run's come from its checkpoint.
    const OptionsMonde& options;
    /// The program that makes the run ("aquarium-batch"), as its files name it.
    const char* programme = "";
    bool dernier() const { return fin != FinDeCourse::aucune; }
};

/// Something a headless run writes as it goes: a file of the batch runner, the recorder's video.
/// The run opens every output before it empties any, so a refused one leaves the others as they
/// were; after a failure it stops and reports erreur().
class Sortie {
public:
    virtual ~Sortie() = default;
    /// The option that named the output, for messages ("--state").
    virtual const char* option() const = 0;
    /// Opens without destroying anything.
    virtual bool ouvrir() = 0;
    /// Empties what it writes; called once every output has opened.
    virtual bool preparer() = 0;
    /// Undoes ouvrir() after another output was refused: removes what this run created.
    virtual void abandonner() = 0;
    /// Tick 0, and then every tick the run makes. A resumed run starts with the tick after its
    /// checkpoint's: the run that wrote the checkpoint wrote that one.
    virtual bool ecrire(const Instant& instant) = 0;
    /// Hands what waits in buffers to the system: called before a checkpoint records the tick,
    /// so that the files hold every tick up to it should the process die afterwards.
    virtual bool pousser() { return true; }
    /// Flushes and closes.
    virtual bool fermer() = 0;
    /// Why the last failed call failed.
    virtual std::string erreur() const = 0;
    /// What it adds to the progress line ("12 frames, 3.1 frames/s"), empty for nothing.
    virtual std::string avancement() const { return {}; }
    /// Its line of the summary of a run that went well, empty for none.
    virtual std::string bilan() const { return {}; }
    /// Where the output stands once pushed, as one line that a checkpoint records so that a
    /// run resumed from it takes the output up there; empty for an output that is not taken up
    /// (then written afresh by the resumed run).
    virtual std::string position() const { return {}; }
    /// In a resumed run, before ouvrir(): what the checkpoint recorded for this output's
    /// option, empty for nothing. ouvrir() then refuses an output that does not hold what the
    /// checkpoint recorded, and preparer() cuts it back there rather than emptying it.
    virtual void reprendreA(const std::string& /*position*/) {}
};

/// What a checkpoint records of one output: its option ("--stats") and position().
struct PositionSortie {
    std::string option;
    std::string position;
};

/// Statuses of a headless program.
inline constexpr int kStatutEchecEcriture = 1;
inline constexpr int kStatutRefus = 2;
/// Added to the signal's number when SIGINT or SIGTERM stopped the run, as shells report it.
inline constexpr int kStatutSignal = 128;
