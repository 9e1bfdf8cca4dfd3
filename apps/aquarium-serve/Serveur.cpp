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
    etat_->direct = direct.get();
    etat_->source = std::move(direct);
}

Serveur::~Serveur() { arreter(); }

bool Serveur::ecouter(const std::string& hote, unsigned short port, std::string& erreur) {
    if (!ecouteur_->ecouter(hote, port, erreur)) return false;
    etat_->boucleLocale = boucleLocale();
    return true;
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
    etat_->direct = nullptr;
}

void Serveur::piloter(Pilotage& pilotage, std::string jeton) {
    etat_->pilotage = &pilotage;
    etat_->jeton = std::move(jeton);
}

void Serveur::demarrer() {
    if (etat_->fil.joinable()) return;
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

void Serveur::publier(Publication publication) {
    assert(etat_->direct != nullptr && "a replay publishes no picture");
    boost::asio::post(etat_->contexte,
                      [etat = etat_.get(), publication = std::move(publication)]() mutable {
                          etat->direct->publier(std::move(publication));
                          etat->diffuser();
                      });
}

void Serveur::arreter() {
    if (!etat_->fil.joinable()) return;
    etat_->contexte.stop();
    etat_->fil.join();
}
