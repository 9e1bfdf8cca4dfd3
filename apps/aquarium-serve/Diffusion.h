#pragma once

#include "Image.h"
#include "Sortie.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class Serveur;

/// The live run as an output of the run loop: each tick's census goes to the population chart,
/// and a picture of the world to the pages at most kImagesParSeconde times a second (and always
/// the last tick), so that the simulation never waits for them. With a pace, each tick lasts at
/// least its share of the second, as the window's do; a late tick is not made up.
class SortieDiffusion : public Sortie {
public:
    /// `lignee`: the run's pedigree, which the inspected creatures' parents come from; null
    /// when the run keeps none.
    SortieDiffusion(Serveur& serveur, int ticksParSeconde, const fiches::Lignee* lignee);

    const char* option() const override { return "--listen"; }
    bool ouvrir() override { return true; }
    /// Starts serving once the run's checkpoint and outputs are accepted.
    bool preparer() override;
    void abandonner() override {}
    bool ecrire(const Instant& instant) override;
    /// Holds SIGINT and SIGTERM from the end of the run on: the run loop forgets a stop asked
    /// for once its last tick is made, and the stop of the serving that follows must not be.
    bool fermer() override;
    std::string erreur() const override { return {}; }

private:
    using Horloge = std::chrono::steady_clock;

    void mesurer(Horloge::time_point maintenant);
    void cadencer();

    Serveur& serveur_;
    const fiches::Lignee* lignee_;
    /// Zero: no pace.
    Horloge::duration periode_{};
    Horloge::time_point prochainTick_{};
    Horloge::time_point dernierePublication_{};
    Image image_;
    std::vector<std::int32_t> historique_;
    /// The ticks made since the start of the measure, and the last rate measured.
    Horloge::time_point debutMesure_{};
    int ticksMesures_ = -1;
    float ticksParSeconde_ = 0.0f;
};
