#include "Serveur.h"

#include "Ecouteur.h"
#include "EtatServeur.h"
#include "Relecture.h"
#include "Signaux.h"
#include "SourceImages.h"

#include <boost/asio/post.hpp>

#include <cassert>
#include <pthread.h>
#include <utility>

Serveur::Serveur(std::string programme)
    : etat_(std::make_unique<EtatServeur>(std::move(programme))),
      ecouteur_(std::make_unique<Ecouteur>(*etat_)) {
    auto direct = std::make_unique<ImagesDirectes>();
    direct_ = direct.get();
    etat_->source = std::move(direct);
}

Serveur::~Serveur() { arreter(); }

bool Serveur::ecouter(const std::string& hote, unsigned short port, std::string& erreur) {
    return ecouteur_->ecouter(hote, port, erreur);
}

std::string Serveur::adresse() const {
    const boost::asio::ip::tcp::endpoint point = ecouteur_->point();
    const std::string hote = point.address().is_v6() ? "[" + point.address().to_string() + "]"
                                                     : point.address().to_string();
    return "http://" + hote + ":" + std::to_string(point.port()) + "/";
}

bool Serveur::boucleLocale() const { return ecouteur_->point().address().is_loopback(); }

void Serveur::relire(LecteurTrace& trace) {
    const EtatServeur* etat = etat_.get();
    etat_->source = std::make_unique<ImagesRelues>(
        trace, [etat](const std::string& message) { etat->signaler(message); });
    direct_ = nullptr;
}

void Serveur::demarrer() {
    if (!boucleLocale()) {
        etat_->signaler("warning: listening on " + ecouteur_->point().address().to_string() +
                        ", not on loopback: whoever reaches this machine can watch");
    }
    etat_->signaler("watch at " + adresse());
    ecouteur_->accepter();
    // The stop is the main thread's to see: the server's thread takes no signal.
    retenirSignaux(true);
    etat_->fil = std::thread([this] { etat_->contexte.run(); });
    retenirSignaux(false);
    // Named, so that top -H and /proc tell its time from the simulation's.
    pthread_setname_np(etat_->fil.native_handle(), "serveur-web");
}

void Serveur::publier(std::string image, std::shared_ptr<const Individus> individus,
                      std::vector<std::int32_t> historique) {
    assert(direct_ != nullptr && "a replay publishes no picture");
    boost::asio::post(etat_->contexte,
                      [etat = etat_.get(), direct = direct_,
                       image = std::make_shared<const std::string>(std::move(image)),
                       individus = std::move(individus),
                       historique = std::move(historique)] {
                          direct->publier(image, individus, historique);
                          etat->diffuser();
                      });
}

void Serveur::arreter() {
    if (!etat_->fil.joinable()) return;
    etat_->contexte.stop();
    etat_->fil.join();
}
