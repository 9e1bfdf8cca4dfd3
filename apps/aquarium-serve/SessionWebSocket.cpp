#include "SessionWebSocket.h"

#include "EtatServeur.h"
#include "Image.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/stream_traits.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;

namespace {

/// A page sends one or two 32-bit integers.
constexpr std::size_t kMessageMax = 64;
/// How long a picture may wait in the socket's buffers before its reader counts as gone.
constexpr std::chrono::seconds kDelaiEcriture{10};

} // namespace

SessionWebSocket::SessionWebSocket(EtatServeur& etat, asio::ip::tcp::socket socket)
    : etat_(etat), nom_(nomDuPair(socket)), flux_(std::move(socket)), echeance_(etat.contexte) {}

void SessionWebSocket::accueillir(http::request<http::string_body> requete) {
    flux_.set_option(
        websocket::stream_base::timeout{kDelaiRequete, websocket::stream_base::none(), false});
    flux_.read_message_max(kMessageMax);
    flux_.binary(true);
    flux_.auto_fragment(false);
    flux_.async_accept(requete, [self = shared_from_this()](beast::error_code ec) {
        if (ec) return self->quitter("refused: WebSocket handshake: " + ec.message());
        self->lire();
    });
}

void SessionWebSocket::servir() {
    if (ecriture_ || !enAttente_ || ferme_) return;
    const Envoi envoi = etat_.source->envoi(demande_, imageEue_);
    if (!envoi.fin.empty()) return quitter(envoi.fin);
    if (!envoi.image) return;
    const std::shared_ptr<const std::string>& image = envoi.image;
    if (envoi.monde != monde_) historiqueEnvoye_ = 0;
    monde_ = envoi.monde;
    // The history grows while the write runs: the rows it sends are copied first.
    const std::vector<std::int32_t>& h = etat_.source->historique();
    historiqueEnCours_.assign(h.begin() + static_cast<std::ptrdiff_t>(historiqueEnvoye_), h.end());
    historiqueEnvoye_ = h.size();
    entete_.assign(image->data(), kTailleEntete);
    const auto lignes = static_cast<std::int32_t>(historiqueEnCours_.size() / kColonnesHistorique);
    std::memcpy(&entete_[MOT_LIGNES_HISTORIQUE * 4], &lignes, 4);
    fiche_.clear();
    if (suivi_ >= 0) fiche_ = ficheDe(*envoi.individus, suivi_);
    const std::array<asio::const_buffer, 4> morceaux{
        asio::buffer(entete_),
        asio::buffer(image->data() + kTailleEntete, image->size() - kTailleEntete),
        asio::buffer(historiqueEnCours_), asio::buffer(fiche_)};
    enAttente_ = false;
    ecriture_ = true;
    echeance_.expires_after(kDelaiEcriture);
    echeance_.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (!ec && self->ecriture_) self->quitter("dropped: not reading what it asked for");
    });
    flux_.async_write(morceaux,
                      [self = shared_from_this(), image](beast::error_code ec, std::size_t) {
                          self->ecriture_ = false;
                          self->echeance_.cancel();
                          if (ec) return self->quitter("");
                          self->servir();
                      });
}

void SessionWebSocket::lire() {
    flux_.async_read(lecture_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        if (ec == websocket::error::closed || ec == asio::error::eof ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted) {
            return self->quitter("");
        }
        if (ec) return self->quitter("refused: " + ec.message());
        self->recevoir();
    });
}

// A live page may only ask for the latest picture; a replaying one for a line of the trace.
// Either may follow a creature, or none, from its next picture on.
void SessionWebSocket::recevoir() {
    const bool texte = flux_.got_text();
    const std::size_t taille = lecture_.size();
    std::array<std::int32_t, 2> valeurs{};
    if (!texte && taille <= 8) asio::buffer_copy(asio::buffer(valeurs), lecture_.data());
    lecture_.consume(taille);
    if (!texte && taille == 8 && valeurs[0] == kSuivre && valeurs[1] >= -1) {
        suivi_ = valeurs[1];
        // The picture it has is sent again, with the creature's fields.
        imageEue_ = 0;
        servir();
        return lire();
    }
    if (texte || taille != 4 || !etat_.source->accepte(valeurs[0])) {
        return quitter("refused: a message that is no request for a picture");
    }
    demande_ = valeurs[0];
    enAttente_ = true;
    servir();
    lire();
}

void SessionWebSocket::quitter(const std::string& raison) {
    if (ferme_) return;
    if (!raison.empty()) etat_.signaler(nom_ + ": " + raison);
    ferme_ = true;
    beast::error_code ignoree;
    beast::get_lowest_layer(flux_).socket().close(ignoree);
    etat_.clients.erase(shared_from_this());
}
