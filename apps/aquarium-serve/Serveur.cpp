#include "Serveur.h"

#include "Image.h"
#include "Page.h"
#include "Relecture.h"
#include "Signaux.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <set>
#include <thread>
#include <utility>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

/// A request's line and headers; the page's requests are far shorter.
constexpr std::uint32_t kEnteteHttpMax = 8192;
/// The only message a page sends is one 32-bit integer.
constexpr std::size_t kMessageMax = 64;
/// A request or a handshake that takes longer is dropped, so that slow clients hold nothing.
constexpr std::chrono::seconds kDelaiRequete{10};
/// How long a picture may wait in the socket's buffers before its reader counts as gone.
constexpr std::chrono::seconds kDelaiEcriture{10};
/// A page's request for the latest picture; a replay's is then its first line.
constexpr std::int32_t kDerniereImage = -1;

} // namespace

struct Serveur::Etat {
    explicit Etat(std::string nom) : programme(std::move(nom)) {}

    // One write, so that the run's own lines, written from the other thread, do not cut it.
    void signaler(const std::string& message) const {
        std::cerr << programme + ": " + message + "\n" << std::flush;
    }

    std::string programme;
    asio::io_context contexte;
    tcp::acceptor accepteur{contexte};
    std::thread fil;

    // Everything below belongs to the server's thread.
    class Client;
    std::set<std::shared_ptr<Client>> clients;
    /// The latest live picture, numbered from 1.
    std::shared_ptr<const std::string> image;
    std::uint64_t numeroImage = 0;
    std::vector<std::int32_t> historique;
    LecteurTrace* trace = nullptr;
    /// The replayed line last read, shared by the pages showing it.
    std::optional<std::size_t> ligneLue;
    std::shared_ptr<const std::string> imageLue;
    Image tampon;

    void accepter();
    void diffuser();
    /// The encoded picture of a replayed line; nullptr when the trace can no longer be read.
    std::shared_ptr<const std::string> imageDeLigne(std::size_t ligne);
};

namespace {

std::string nomDuPair(const tcp::socket& socket) {
    beast::error_code ec;
    const tcp::endpoint point = socket.remote_endpoint(ec);
    if (ec) return "a client";
    return point.address().to_string() + ":" + std::to_string(point.port());
}

} // namespace

// One WebSocket connection. At most one picture is on its way to it at a time, and only once it
// has asked for one.
class Serveur::Etat::Client : public std::enable_shared_from_this<Client> {
public:
    Client(Etat& etat, tcp::socket socket)
        : etat_(etat), nom_(nomDuPair(socket)), flux_(std::move(socket)), echeance_(etat.contexte) {
    }

    void accueillir(http::request<http::empty_body> requete) {
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

    /// Sends the latest picture if the page is waiting for one it has not had.
    void servir() {
        if (ecriture_ || !demande_ || ferme_) return;
        std::shared_ptr<const std::string> image;
        if (etat_.trace != nullptr) {
            image = etat_.imageDeLigne(static_cast<std::size_t>(ligneDemandee_));
            if (!image) return quitter("closed: the trace can no longer be read");
        } else {
            if (!etat_.image || numeroEnvoye_ == etat_.numeroImage) return;
            image = etat_.image;
            numeroEnvoye_ = etat_.numeroImage;
        }
        // The history grows while the write runs: the rows it sends are copied first.
        const std::vector<std::int32_t>& h =
            etat_.trace != nullptr ? etat_.trace->historique() : etat_.historique;
        historiqueEnCours_.assign(h.begin() + static_cast<std::ptrdiff_t>(historiqueEnvoye_),
                                  h.end());
        historiqueEnvoye_ = h.size();
        entete_.assign(image->data(), kTailleEntete);
        const auto lignes =
            static_cast<std::int32_t>(historiqueEnCours_.size() / kColonnesHistorique);
        std::memcpy(&entete_[MOT_LIGNES_HISTORIQUE * 4], &lignes, 4);
        const std::array<asio::const_buffer, 3> morceaux{
            asio::buffer(entete_),
            asio::buffer(image->data() + kTailleEntete, image->size() - kTailleEntete),
            asio::buffer(historiqueEnCours_)};
        demande_ = false;
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

    void fermer() {
        ferme_ = true;
        beast::error_code ignoree;
        beast::get_lowest_layer(flux_).socket().close(ignoree);
    }

private:
    void lire() {
        flux_.async_read(lecture_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec == websocket::error::closed || ec == asio::error::eof ||
                ec == asio::error::connection_reset || ec == asio::error::operation_aborted) {
                return self->quitter("");
            }
            if (ec) return self->quitter("refused: " + ec.message());
            self->recevoir();
        });
    }

    // A live page may only ask for the latest picture; a replaying one for a line of the trace,
    // the latest picture being its first line.
    void recevoir() {
        const bool texte = flux_.got_text();
        const std::size_t taille = lecture_.size();
        std::int32_t valeur = 0;
        if (!texte && taille == 4) asio::buffer_copy(asio::buffer(&valeur, 4), lecture_.data());
        lecture_.consume(taille);
        const bool valide =
            !texte && taille == 4 &&
            (etat_.trace != nullptr ? valeur >= kDerniereImage &&
                                          valeur < static_cast<std::int64_t>(etat_.trace->lignes())
                                    : valeur == kDerniereImage);
        if (!valide) return quitter("refused: a message that is no request for a picture");
        ligneDemandee_ = std::max(valeur, 0);
        demande_ = true;
        servir();
        lire();
    }

    void quitter(const std::string& raison) {
        if (ferme_) return;
        if (!raison.empty()) etat_.signaler(nom_ + ": " + raison);
        fermer();
        etat_.clients.erase(shared_from_this());
    }

    Etat& etat_;
    std::string nom_;
    websocket::stream<beast::tcp_stream> flux_;
    beast::flat_buffer lecture_;
    asio::steady_timer echeance_;
    std::string entete_;
    std::vector<std::int32_t> historiqueEnCours_;
    std::size_t historiqueEnvoye_ = 0;
    std::uint64_t numeroEnvoye_ = 0;
    std::int32_t ligneDemandee_ = kDerniereImage;
    bool demande_ = false;
    bool ecriture_ = false;
    bool ferme_ = false;
};

namespace {

// One HTTP request, answered from the page's own files or turned into a WebSocket client.
class SessionHttp : public std::enable_shared_from_this<SessionHttp> {
public:
    using Client = Serveur::Etat::Client;

    SessionHttp(Serveur::Etat& etat, tcp::socket socket)
        : etat_(etat), nom_(nomDuPair(socket)), flux_(std::move(socket)) {}

    void lancer() {
        analyseur_.header_limit(kEnteteHttpMax);
        analyseur_.body_limit(0);
        flux_.expires_after(kDelaiRequete);
        http::async_read(
            flux_, tampon_, analyseur_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->traiter(ec); });
    }

private:
    void traiter(beast::error_code ec) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout ||
            ec == asio::error::operation_aborted || ec == asio::error::connection_reset) {
            return;
        }
        if (ec) {
            etat_.signaler(nom_ + ": refused: " + ec.message());
            return repondre(ec == http::error::header_limit
                                ? http::status::request_header_fields_too_large
                                : http::status::bad_request);
        }
        http::request<http::empty_body> requete = analyseur_.release();
        std::string_view cible(requete.target().data(), requete.target().size());
        cible = cible.substr(0, cible.find('?'));
        if (websocket::is_upgrade(requete)) return monter(std::move(requete), cible);
        if (requete.method() != http::verb::get && requete.method() != http::verb::head) {
            return repondre(http::status::method_not_allowed);
        }
        // The path is only ever a key of the page's own table: nothing a client sends reaches
        // the file system.
        const FichierPage* fichier = fichierPage(cible);
        if (fichier == nullptr) return repondre(http::status::not_found);
        repondre(http::status::ok, fichier, requete.method() == http::verb::head);
    }

    // Another site's page may not watch through a visitor's browser.
    void monter(http::request<http::empty_body> requete, std::string_view cible) {
        if (cible != "/ws") return repondre(http::status::not_found);
        const auto origine = requete[http::field::origin];
        if (!origine.empty() && origine != "http://" + std::string(requete[http::field::host])) {
            etat_.signaler(nom_ + ": refused: a WebSocket from another site (" +
                           std::string(origine) + ")");
            return repondre(http::status::forbidden);
        }
        flux_.expires_never();
        const auto client = std::make_shared<Client>(etat_, flux_.release_socket());
        etat_.clients.insert(client);
        client->accueillir(std::move(requete));
    }

    void repondre(http::status statut, const FichierPage* fichier = nullptr, bool tete = false) {
        auto reponse = std::make_shared<http::response<http::string_body>>(statut, 11);
        reponse->set(http::field::server, etat_.programme);
        reponse->set(http::field::cache_control, "no-store");
        reponse->set("X-Content-Type-Options", "nosniff");
        if (fichier != nullptr) {
            reponse->set(http::field::content_type,
                         beast::string_view(fichier->type.data(), fichier->type.size()));
            reponse->body().assign(fichier->contenu);
        } else {
            reponse->set(http::field::content_type, "text/plain");
            reponse->body() = std::string(http::obsolete_reason(statut)) + "\n";
        }
        reponse->keep_alive(false);
        reponse->prepare_payload();
        if (tete) reponse->body().clear();
        flux_.expires_after(kDelaiRequete);
        http::async_write(flux_, *reponse,
                          [self = shared_from_this(), reponse](beast::error_code, std::size_t) {
                              beast::error_code ignoree;
                              self->flux_.socket().shutdown(tcp::socket::shutdown_send, ignoree);
                          });
    }

    Serveur::Etat& etat_;
    std::string nom_;
    beast::tcp_stream flux_;
    beast::flat_buffer tampon_;
    http::request_parser<http::empty_body> analyseur_;
};

} // namespace

void Serveur::Etat::accepter() {
    accepteur.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) std::make_shared<SessionHttp>(*this, std::move(socket))->lancer();
        accepter();
    });
}

// Serving may drop a client, which leaves the set: the loop goes over a copy.
void Serveur::Etat::diffuser() {
    const std::set<std::shared_ptr<Client>> servis = clients;
    for (const auto& client : servis)
        client->servir();
}

std::shared_ptr<const std::string> Serveur::Etat::imageDeLigne(std::size_t ligne) {
    if (ligneLue == ligne) return imageLue;
    std::string erreur;
    if (!trace->lire(ligne, tampon, erreur)) {
        signaler("--replay: " + erreur);
        return nullptr;
    }
    imageLue = std::make_shared<const std::string>(encoderImage(
        tampon, nullptr, -1.0f, static_cast<int>(ligne), static_cast<int>(trace->lignes()), false));
    ligneLue = ligne;
    return imageLue;
}

std::string lireEcoute(const std::string& texte, std::string& hote, unsigned short& port) {
    const std::string attendu = "expects HOST:PORT, HOST an IP address, not '" + texte + "'";
    const std::size_t deuxPoints = texte.rfind(':');
    if (deuxPoints == std::string::npos) return attendu;
    std::string nom = texte.substr(0, deuxPoints);
    if (nom.size() >= 2 && nom.front() == '[' && nom.back() == ']') {
        nom = nom.substr(1, nom.size() - 2);
    }
    beast::error_code ec;
    asio::ip::make_address(nom, ec);
    const std::string chiffres = texte.substr(deuxPoints + 1);
    if (ec || chiffres.empty() || chiffres.size() > 5 ||
        chiffres.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(chiffres) > 65535) {
        return attendu;
    }
    hote = nom;
    port = static_cast<unsigned short>(std::stoul(chiffres));
    return {};
}

Serveur::Serveur(std::string programme) : etat_(std::make_unique<Etat>(std::move(programme))) {}

Serveur::~Serveur() { arreter(); }

bool Serveur::ecouter(const std::string& hote, unsigned short port, std::string& erreur) {
    beast::error_code ec;
    const tcp::endpoint point(asio::ip::make_address(hote, ec), port);
    tcp::acceptor& a = etat_->accepteur;
    if (!ec) a.open(point.protocol(), ec);
    if (!ec) a.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) a.bind(point, ec);
    if (!ec) a.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) erreur = "cannot listen on " + hote + ":" + std::to_string(port) + ": " + ec.message();
    return !ec;
}

std::string Serveur::adresse() const {
    const tcp::endpoint point = etat_->accepteur.local_endpoint();
    const std::string hote = point.address().is_v6() ? "[" + point.address().to_string() + "]"
                                                     : point.address().to_string();
    return "http://" + hote + ":" + std::to_string(point.port()) + "/";
}

bool Serveur::boucleLocale() const {
    return etat_->accepteur.local_endpoint().address().is_loopback();
}

void Serveur::relire(LecteurTrace& trace) { etat_->trace = &trace; }

void Serveur::demarrer() {
    if (!boucleLocale()) {
        etat_->signaler("warning: listening on " +
                        etat_->accepteur.local_endpoint().address().to_string() +
                        ", not on loopback: whoever reaches this machine can watch");
    }
    etat_->signaler("watch at " + adresse());
    etat_->accepter();
    // The stop is the main thread's to see: the server's thread takes no signal.
    retenirSignaux(true);
    etat_->fil = std::thread([this] { etat_->contexte.run(); });
    retenirSignaux(false);
    // Named, so that top -H and /proc tell its time from the simulation's.
    pthread_setname_np(etat_->fil.native_handle(), "serveur-web");
}

void Serveur::publier(std::string image, std::vector<std::int32_t> historique) {
    asio::post(etat_->contexte, [etat = etat_.get(),
                                 image = std::make_shared<const std::string>(std::move(image)),
                                 historique = std::move(historique)] {
        etat->historique.insert(etat->historique.end(), historique.begin(), historique.end());
        etat->image = image;
        ++etat->numeroImage;
        etat->diffuser();
    });
}

void Serveur::arreter() {
    if (!etat_->fil.joinable()) return;
    etat_->contexte.stop();
    etat_->fil.join();
}
