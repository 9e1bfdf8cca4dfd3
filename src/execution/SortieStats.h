#pragma once

#include "Recensement.h"
#include "SortieFichier.h"

#include <string>

/// Appends the statistics' line of `tick`: at tick 0 the header, the columns' names; then the
/// columns of the tick, from the census after it and the one before.
void ajouterLigneStats(std::string& texte, int tick, const Recensement& apres,
                       const Recensement& avant);

/// The statistics: plain CSV, the header then one row per tick.
class SortieStats : public SortieFichier {
public:
    explicit SortieStats(std::string chemin) : SortieFichier("--stats", std::move(chemin)) {}
    bool ecrire(const Instant& instant) override;

private:
    std::string ligne_;
};
