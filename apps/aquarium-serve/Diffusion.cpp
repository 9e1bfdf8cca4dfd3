#include "Diffusion.h"

#include "Serveur.h"
#include "Signaux.h"

#include <thread>
#include <utility>

namespace {

/// More would only wait in the server: no screen refreshes faster.
constexpr int kImagesParSeconde = 60;
/// The simulation's rate shown on the page is measured over this much time.
constexpr std::chrono::milliseconds kDureeMesure{500};

} // namespace

SortieDiffusion::SortieDiffusion(Serveur& serveur, int ticksParSeconde,
                                 const fiches::Lignee* lignee)
    : serveur_(serveur), lignee_(lignee) {
    if (ticksParSeconde > 0) {
        periode_ = std::chrono::duration_cast<Horloge::duration>(
            std::chrono::duration<double>(1.0 / ticksParSeconde));
    }
}

bool SortieDiffusion::preparer() {
    serveur_.demarrer();
    return true;
}

bool SortieDiffusion::ecrire(const Instant& instant) {
    const Horloge::time_point maintenant = Horloge::now();
    mesurer(maintenant);
    ajouterHistorique(historique_, instant.tick, instant.apres);
    if (instant.dernier() ||
        maintenant - dernierePublication_ >= std::chrono::seconds(1) / kImagesParSeconde) {
        image_.prendre(instant.monde, lignee_);
        image_.recensement = instant.apres;
        serveur_.publier(
            encoderImage(image_, &instant.avant, ticksParSeconde_, -1, 0, instant.dernier()),
            image_.individus, std::move(historique_));
        historique_.clear();
        dernierePublication_ = maintenant;
    }
    cadencer();
    return true;
}

bool SortieDiffusion::fermer() {
    retenirSignaux(true);
    return true;
}

void SortieDiffusion::mesurer(Horloge::time_point maintenant) {
    ++ticksMesures_;
    const std::chrono::duration<double> duree = maintenant - debutMesure_;
    if (ticksMesures_ == 0) debutMesure_ = maintenant;
    if (duree < kDureeMesure) return;
    ticksParSeconde_ = static_cast<float>(ticksMesures_ / duree.count());
    ticksMesures_ = 0;
    debutMesure_ = maintenant;
}

void SortieDiffusion::cadencer() {
    if (periode_ == Horloge::duration::zero()) return;
    const Horloge::time_point maintenant = Horloge::now();
    if (prochainTick_ == Horloge::time_point{}) prochainTick_ = maintenant;
    prochainTick_ += periode_;
    if (prochainTick_ < maintenant) prochainTick_ = maintenant;
    std::this_thread::sleep_until(prochainTick_);
}
