#pragma once

#include "SortieFichier.h"

#include <string>

/// The state trace: JSON Lines, tick 0, every `periode`-th tick (0: none) and the last tick.
class SortieTrace : public SortieFichier {
public:
    SortieTrace(std::string chemin, int periode)
        : SortieFichier("--state", std::move(chemin)), periode_(periode) {}
    bool ecrire(const Instant& instant) override;

private:
    int periode_ = 0;
    /// Reused from one dump to the next: a line runs to hundreds of kilobytes in a crowded
    /// tank.
    std::string ligne_;
};

/// The statistics: CSV, a header, then one row per tick.
class SortieStats : public SortieFichier {
public:
    explicit SortieStats(std::string chemin) : SortieFichier("--stats", std::move(chemin)) {}
    bool ecrire(const Instant& instant) override;
};
