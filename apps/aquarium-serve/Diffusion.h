#pragma once

#include "Image.h"
#include "Sortie.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class Pilotage;
class Serveur;

/// The live run as an output of the run loop: each tick's census goes to the population chart
/// and to the statistics kept in memory, and a picture of the world to the pages at most
/// kImagesParSeconde times a second (and always the last tick and a paused one), so that the
/// simulation never waits for them. With a pace, each tick lasts at least its share of the
/// second, as the window's do; a late tick is not made up. Between two ticks the run waits as
/// long as the pages keep it paused.
class SortieDiffusion : public Sortie {
public:
    /// `lignee`: the run's pedigree, which the inspected creatures' parents come from; null
    /// when the run keeps none.
    SortieDiffusion(Serveur& serveur, Pilotage& pilotage, const fiches::Lignee* lignee);

    const char* option() const override { return "--listen"; }
    bool ouvrir() override { return true; }
    /// Starts serving once the run's checkpoint and outputs are accepted, and lets the stop
    /// through again after the world before.
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
    void publier(const Instant& instant, Horloge::time_point maintenant);
    /// Until the next tick may be made; publishes the tick if the run pauses on it.
    void attendre(const Instant& instant, bool publie);

    Serveur& serveur_;
    Pilotage& pilotage_;
    const fiches::Lignee* lignee_;
    int monde_ = 0;
    Horloge::time_point prochainTick_{};
    Horloge::time_point dernierePublication_{};
    Image image_;
    std::vector<std::int32_t> historique_;
    std::string statistiques_;
    bool enteteEcrit_ = false;
    /// The ticks made since the start of the measure, and the last rate measured.
    Horloge::time_point debutMesure_{};
    int ticksMesures_ = -1;
    float ticksParSeconde_ = 0.0f;
};
