#include "SessionHttp.h"

#include "EtatServeur.h"
#include "Page.h"
#include "SessionWebSocket.h"

#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <cstdint>
#include <utility>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

/// A request's line and headers; the page's requests are far shorter.
constexpr std::uint32_t kEnteteHttpMax = 8192;

} // namespace

SessionHttp::SessionHttp(EtatServeur& etat, tcp::socket socket)
    : etat_(etat), nom_(nomDuPair(socket)), flux_(std::move(socket)) {}

void SessionHttp::lancer() {
    analyseur_.header_limit(kEnteteHttpMax);
    analyseur_.body_limit(0);
    flux_.expires_after(kDelaiRequete);
    http::async_read(
        flux_, tampon_, analyseur_,
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->traiter(ec); });
}

void SessionHttp::traiter(beast::error_code ec) {
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
    // The path is only ever a key of the page's own table.
    const FichierPage* fichier = fichierPage(cible);
    if (fichier == nullptr) return repondre(http::status::not_found);
    repondre(http::status::ok, fichier, requete.method() == http::verb::head);
}

// Another site's page may not watch through a visitor's browser.
void SessionHttp::monter(http::request<http::empty_body> requete, std::string_view cible) {
    if (cible != "/ws") return repondre(http::status::not_found);
    const auto origine = requete[http::field::origin];
    if (!origine.empty() && origine != "http://" + std::string(requete[http::field::host])) {
        etat_.signaler(nom_ + ": refused: a WebSocket from another site (" + std::string(origine) +
                       ")");
        return repondre(http::status::forbidden);
    }
    flux_.expires_never();
    const auto client = std::make_shared<SessionWebSocket>(etat_, flux_.release_socket());
    etat_.clients.insert(client);
    client->accueillir(std::move(requete));
}

void SessionHttp::repondre(http::status statut, const FichierPage* fichier, bool tete) {
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
