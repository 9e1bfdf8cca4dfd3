#pragma once

#include "Course.h"
#include "Phylogenie.h"
#include "OptionsMonde.h"
#include "Recensement.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class C_AQUARIUM;

/// Reads options as the command line reads them, from their words ("--founders", "20"):
/// whatever the command line refuses throws std::invalid_argument with its one-line reason.
OptionsMonde lireOptions(const std::vector<std::string>& mots);

/// The one world of the core as a Python object holds it: the run loop of the batch runner,
/// tick by tick, with the console report kept in memory until taken. The core keeps one world
/// at a time, so at most one MondePython lives; the constructors refuse a second.
class MondePython {
public:
    /// Seeds and builds the world as the batch runner does from the same options; the seeding's
    /// report waits in the report. Throws std::runtime_error while another world lives.
    explicit MondePython(const OptionsMonde& options);
    /// Takes up a checkpoint file as --resume does. Throws std::runtime_error while another
    /// world lives, std::invalid_argument with the reason when the file is refused.
    static std::unique_ptr<MondePython> charger(const std::string& chemin, bool silencieux);
    ~MondePython() { fermer(); }
    MondePython(const MondePython&) = delete;
    MondePython& operator=(const MondePython&) = delete;

    /// Frees the world; nothing else may then be asked. Again, it does nothing.
    void fermer();
    bool ouvert() const { return ouvert_; }

    int tick() const { return course_.tick; }
    const OptionsMonde& options() const { return options_; }
    const C_AQUARIUM& monde() const;

    /// Runs ticks until the world's tick `jusqua`, or the first tick that leaves more than
    /// `borne` speedbricks alive (-1: no bound), or the first tick after which `interrompre`
    /// says yes; returns which, in the batch runner's order. The world is whole between ticks.
    FinDeCourse courir(int jusqua, long long borne, const std::function<bool()>& interrompre);

    /// The statistics file's columns and this tick's row. The events of the tick are unknown
    /// (nullopt) in a world taken up from a checkpoint until it has run one.
    std::vector<std::pair<std::string, std::optional<long long>>> recensement() const;

    /// The report written since the last call, ISO-8859-1 bytes; empty in a quiet world.
    std::string prendreRapport();

    /// The pedigree as --phylogeny writes it, the living's rows last; a world taken up from a
    /// checkpoint counts its speedbricks then as founders.
    fiches::Rangees phylogenie() const;

    /// Saves the run as --checkpoint does; false with the reason in `erreur`.
    bool sauvegarder(const std::string& chemin, std::string& erreur) const;

private:
    MondePython(const OptionsMonde& options, int tick, const Historique& historique);
    /// Claims the core's one world; throws std::runtime_error when another object has it.
    static void reserver();

    OptionsMonde options_;
    Course course_;
    /// Whether course_ knows the census a tick before: not until a world taken up from a
    /// checkpoint runs one.
    bool avantConnu_ = true;
    std::string rapport_;
    fiches::Lignee lignee_;
    bool ouvert_ = true;
};
