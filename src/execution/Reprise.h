#pragma once

#include "OptionsMonde.h"
#include "Sortie.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// The layout of a checkpoint file around the world's bytes, which carry their own
/// (kVersionMonde); a change of it gets a new number. The magic and this number keep their
/// place in every version.
inline constexpr std::uint32_t kVersionReprise = 2;

/// What a checkpoint holds: the run's options, how far it went, what the run loop remembers,
/// and the whole world with the generator's state, as the core saves it.
struct PointDeReprise {
    /// Seed, ticks asked for and the world's settings; the rest of OptionsMonde is the
    /// resumed run's own.
    OptionsMonde options;
    int tick = 0;
    Historique historique;
    /// Where each output that can be taken up stood at that tick.
    std::vector<PositionSortie> sorties;
    std::string monde;
};

/// Reads and checks a whole checkpoint file. Says why in `erreur` (one line, without the path)
/// when it cannot be read, is not a checkpoint, is of another version, truncated or corrupt.
bool lireReprise(const std::string& chemin, PointDeReprise& point, std::string& erreur);
/// The same from the file's bytes.
bool lireOctetsReprise(std::string_view octets, PointDeReprise& point, std::string& erreur);

/// Why a resumed run's command line contradicts its checkpoint, as one line; empty when it
/// does not. Otherwise fills `effectives` with the options the resumed run goes by.
std::string contredireReprise(const OptionsMonde& ligne, const PointDeReprise& point,
                              OptionsMonde& effectives);

/// Saves a run at `tick` (never 0) to `chemin`, with where its outputs stood: written whole to
/// a temporary file beside it (FILE.tmp, whatever a crash left there replaced), flushed to the
/// disk, then renamed over it, so that a crash at any moment leaves the previous file or the
/// new one, whole. False with the reason in `erreur` (one line, naming the path).
bool ecrireReprise(const std::string& chemin, const OptionsMonde& options, int tick,
                   const Historique& historique, const std::vector<PositionSortie>& positions,
                   std::string& erreur);

/// The checkpoint as an output of the run: the whole run every `periode` ticks (0: never) and
/// at the run's last tick, whatever ended it. Each save replaces the file atomically: a crash
/// at any moment leaves the previous checkpoint or the new one, whole, and at most one
/// temporary file (FILE.tmp), which the next run saving FILE takes away.
class SortieReprise : public Sortie {
public:
    SortieReprise(std::string chemin, int periode, const OptionsMonde& options)
        : chemin_(std::move(chemin)), periode_(periode), options_(options) {}

    const char* option() const override { return "--checkpoint"; }
    /// Checks that the file can be replaced; the previous checkpoint stays until then.
    bool ouvrir() override;
    bool preparer() override { return true; }
    void abandonner() override {}
    bool ecrire(const Instant& instant) override;
    bool fermer() override { return true; }
    std::string erreur() const override { return erreur_; }

    /// Whether this instant is saved.
    bool sauvegarde(const Instant& instant) const;
    /// Where the other outputs stand, pushed: given before each save, which records them.
    void noterPositions(std::vector<PositionSortie> positions) {
        positions_ = std::move(positions);
    }

private:
    std::string chemin_;
    int periode_ = 0;
    const OptionsMonde& options_;
    std::vector<PositionSortie> positions_;
    std::string erreur_;
};
