#include "Diffusion.h"

#include "Pilotage.h"
#include "Serveur.h"
#include "Signaux.h"
#include "SortieStats.h"
#include "SourceImages.h"

#include <memory>
#include <utility>

namespace {

/// More would only wait in the server: no screen refreshes faster.
constexpr int kImagesParSeconde = 60;
/// The simulation's rate shown on the page is measured over this much time.
constexpr std::chrono::milliseconds kDureeMesure{500};

} // namespace

SortieDiffusion::SortieDiffusion(Serveur& serveur, Pilotage& pilotage, const fiches::Lignee* lignee)
    : serveur_(serveur), pilotage_(pilotage), lignee_(lignee) {}

bool SortieDiffusion::preparer() {
    monde_ = pilotage_.monde();
    serveur_.demarrer();
    retenirSignaux(false);
    return true;
}

// A resumed run starts past tick 0: its statistics start with the header all the same.
bool SortieDiffusion::ecrire(const Instant& instant) {
    const Horloge::time_point maintenant = Horloge::now();
    mesurer(maintenant);
    ajouterHistorique(historique_, instant.tick, instant.apres);
    if (!enteteEcrit_ && instant.tick != 0) {
        ajouterLigneStats(statistiques_, 0, instant.apres, instant.avant);
    }
    enteteEcrit_ = true;
    ajouterLigneStats(statistiques_, instant.tick, instant.apres, instant.avant);
    const bool publie = instant.dernier() || maintenant - dernierePublication_ >=
                                                 std::chrono::seconds(1) / kImagesParSeconde;
    if (publie) publier(instant, maintenant);
    if (!instant.dernier()) attendre(instant, publie);
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

void SortieDiffusion::publier(const Instant& instant, Horloge::time_point maintenant) {
    image_.prendre(instant.monde, lignee_);
    image_.recensement = instant.apres;
    image_.monde = monde_;
    Publication publication;
    publication.image = std::make_shared<const std::string>(
        encoderImage(image_, &instant.avant, ticksParSeconde_, -1, 0, instant.dernier()));
    publication.individus = image_.individus;
    publication.historique = std::move(historique_);
    publication.statistiques = std::move(statistiques_);
    publication.monde = monde_;
    publication.tick = instant.tick;
    serveur_.publier(std::move(publication));
    historique_.clear();
    statistiques_.clear();
    dernierePublication_ = maintenant;
}

// The pace counts from the tick before, and starts again after a pause: the ticks a pause held
// back are not made up either.
void SortieDiffusion::attendre(const Instant& instant, bool publie) {
    const Horloge::time_point maintenant = Horloge::now();
    if (prochainTick_ == Horloge::time_point{}) prochainTick_ = maintenant;
    prochainTick_ += pilotage_.periode();
    if (prochainTick_ < maintenant) prochainTick_ = maintenant;
    bool enPause = false;
    while (!pilotage_.attendre(instant.tick, prochainTick_, publie)) {
        publier(instant, Horloge::now());
        publie = enPause = true;
    }
    if (!enPause) return;
    prochainTick_ = Horloge::now();
    ticksMesures_ = -1;
}
