#include "SessionHttp.h"

#include "Commande.h"
#include "EtatServeur.h"
#include "Page.h"
#include "Pilotage.h"
#include "SessionWebSocket.h"

#include <boost/asio/ip/address.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <nlohmann/json.hpp>

#include <charconv>
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
constexpr char kJson[] = "application/json";

std::string_view vue(beast::string_view texte) { return {texte.data(), texte.size()}; }

// Every byte is compared whatever the first difference, so that the time taken tells nothing
// of how much of a guess was right.
bool memeJeton(std::string_view donne, std::string_view attendu) {
    unsigned difference = donne.size() == attendu.size() ? 0 : 1;
    for (std::size_t i = 0; i < donne.size(); ++i) {
        difference |= static_cast<unsigned char>(donne[i]) ^
                      static_cast<unsigned char>(attendu.empty() ? 0 : attendu[i % attendu.size()]);
    }
    return difference == 0;
}

// localhost, 127.x.x.x or [::1], with any port: the name a page on this machine reaches a
// loopback server by. Another name would be a DNS-rebinding page's.
bool hoteLocal(std::string_view hote) {
    std::string_view nom = hote;
    if (!nom.empty() && nom.front() == '[') {
        nom = nom.substr(1, nom.find(']') == std::string_view::npos ? 0 : nom.find(']') - 1);
    } else {
        nom = nom.substr(0, nom.rfind(':'));
    }
    if (nom == "localhost") return true;
    beast::error_code ec;
    const asio::ip::address adresse = asio::ip::make_address(std::string(nom), ec);
    return !ec && adresse.is_loopback();
}

// A browser names the page a request comes from; another site's may neither watch nor drive
// the run through a visitor's browser. Its Origin, or empty when the request is the page's own
// or no browser's.
std::string_view autreSite(const SessionHttp::Requete& requete) {
    const std::string_view origine = vue(requete[http::field::origin]);
    if (origine.empty() || origine == "http://" + std::string(vue(requete[http::field::host]))) {
        return {};
    }
    return origine;
}

// The value of `cle` in a query ("upto=12&..."); none when it is not there.
std::optional<std::string_view> parametre(std::string_view requete, std::string_view cle) {
    while (!requete.empty()) {
        const std::string_view paire = requete.substr(0, requete.find('&'));
        if (paire.substr(0, paire.find('=')) == cle && paire.find('=') != std::string_view::npos) {
            return paire.substr(paire.find('=') + 1);
        }
        if (paire.size() == requete.size()) break;
        requete.remove_prefix(paire.size() + 1);
    }
    return std::nullopt;
}

} // namespace

SessionHttp::SessionHttp(EtatServeur& etat, tcp::socket socket)
    : etat_(etat), nom_(nomDuPair(socket)), flux_(std::move(socket)) {}

void SessionHttp::lancer() {
    analyseur_.header_limit(kEnteteHttpMax);
    analyseur_.body_limit(kCorpsCommandeMax);
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
    // Only a control has a body; its headers are read by then.
    if (ec == http::error::body_limit && vue(analyseur_.get().target()) == "/control") {
        etat_.signaler(nom_ + ": refused control: a body over " +
                       std::to_string(kCorpsCommandeMax) + " bytes");
        return repondre(http::status::payload_too_large);
    }
    if (ec) {
        etat_.signaler(nom_ + ": refused: " + ec.message());
        if (ec == http::error::header_limit) {
            return repondre(http::status::request_header_fields_too_large);
        }
        return repondre(ec == http::error::body_limit ? http::status::payload_too_large
                                                      : http::status::bad_request);
    }
    router(analyseur_.release());
}

void SessionHttp::router(Requete requete) {
    std::string_view cible = vue(requete.target());
    const std::size_t question = cible.find('?');
    const std::string_view parametres =
        question == std::string_view::npos ? std::string_view{} : cible.substr(question + 1);
    cible = cible.substr(0, question);
    if (websocket::is_upgrade(requete)) return monter(std::move(requete), cible);
    if (cible == "/control" && etat_.pilotage != nullptr) {
        if (requete.method() == http::verb::post) return piloter(requete);
        return refuser(http::status::method_not_allowed,
                       "method " + std::string(vue(requete.method_string())) + ", not POST");
    }
    if (requete.method() != http::verb::get && requete.method() != http::verb::head) {
        return repondre(http::status::method_not_allowed);
    }
    const bool tete = requete.method() == http::verb::head;
    if (renseigner(cible, parametres, tete)) return;
    // The path is only ever a key of the page's own table.
    const FichierPage* fichier = fichierPage(cible);
    if (fichier == nullptr) return repondre(http::status::not_found);
    repondre(http::status::ok, fichier->type, std::string(fichier->contenu), tete);
}

void SessionHttp::monter(Requete requete, std::string_view cible) {
    if (cible != "/ws") return repondre(http::status::not_found);
    if (const std::string_view origine = autreSite(requete); !origine.empty()) {
        etat_.signaler(nom_ + ": refused: a WebSocket from another site (" + std::string(origine) +
                       ")");
        return repondre(http::status::forbidden);
    }
    flux_.expires_never();
    const auto client = std::make_shared<SessionWebSocket>(etat_, flux_.release_socket());
    etat_.clients.insert(client);
    client->accueillir(std::move(requete));
}

bool SessionHttp::renseigner(std::string_view cible, std::string_view requete, bool tete) {
    if (etat_.pilotage == nullptr) return false;
    if (cible == "/options.json") {
        repondre(http::status::ok, kJson, formulaire(etat_.pilotage->options()), tete);
    } else if (cible == "/run.json") {
        repondre(http::status::ok, kJson, etatDuLabo().dump(), tete);
    } else if (cible == "/stats.csv") {
        statistiques(requete, tete);
    } else {
        return false;
    }
    return true;
}

void SessionHttp::statistiques(std::string_view requete, bool tete) {
    long long tick = etat_.direct->dernierTick();
    if (const std::optional<std::string_view> upto = parametre(requete, "upto")) {
        const char* fin = upto->data() + upto->size();
        const auto [arret, erreur] = std::from_chars(upto->data(), fin, tick);
        if (erreur != std::errc() || arret != fin) {
            return repondre(http::status::bad_request, "text/plain", "upto: not a whole number\n");
        }
    }
    const std::optional<std::string_view> texte = etat_.direct->statistiques(tick);
    if (!texte) {
        return repondre(http::status::bad_request, "text/plain",
                        "upto: no statistics for that tick\n");
    }
    const std::string piece = "attachment; filename=\"aquarium-seed-" +
                              std::to_string(etat_.pilotage->options().graine) + ".csv\"";
    repondre(http::status::ok, "text/csv", std::string(*texte), tete, piece);
}

std::string SessionHttp::interdiction(const Requete& requete) const {
    if (std::string_view(etat_.controles()) == "off") {
        return "controls are off on a listen address that is not loopback, without "
               "--control-token";
    }
    if (const std::string_view origine = autreSite(requete); !origine.empty()) {
        return "a control from another site (" + std::string(origine) + ")";
    }
    const std::string_view hote = vue(requete[http::field::host]);
    if (etat_.boucleLocale && !hoteLocal(hote)) {
        return "a control for host '" + std::string(hote) + "', not a loopback name";
    }
    if (!etat_.jeton.empty()) {
        const auto jeton = requete.find("X-Control-Token");
        if (jeton == requete.end()) return "no token";
        if (!memeJeton(vue(jeton->value()), etat_.jeton)) return "wrong token";
    }
    return {};
}

void SessionHttp::piloter(const Requete& requete) {
    if (const std::string raison = interdiction(requete); !raison.empty()) {
        return refuser(http::status::forbidden, raison);
    }
    const std::string_view type = vue(requete[http::field::content_type]);
    if (type.substr(0, type.find(';')) != kJson) {
        return refuser(http::status::unsupported_media_type,
                       "content type '" + std::string(type) + "', not " + kJson);
    }
    const std::variant<Commande, RefusCommande> lue = lireCommande(requete.body());
    if (const auto* refus = std::get_if<RefusCommande>(&lue)) {
        return refuser(http::status::bad_request, refus->erreur, refus->option);
    }
    const Commande& commande = std::get<Commande>(lue);
    Pilotage& pilotage = *etat_.pilotage;
    switch (commande.action) {
    case Action::pause:
        pilotage.mettreEnPause();
        break;
    case Action::jouer:
        pilotage.jouer();
        break;
    case Action::pas:
        pilotage.avancerDUnTick();
        break;
    case Action::cadence:
        pilotage.cadencer(commande.ticksParSeconde);
        break;
    case Action::demarrer:
        pilotage.remplacer(commande.options);
        break;
    }
    nlohmann::json reponse = {{"ok", true}};
    reponse.update(etatDuLabo());
    repondre(http::status::ok, kJson, reponse.dump());
}

nlohmann::json SessionHttp::etatDuLabo() const {
    nlohmann::json etat = etat_.pilotage->enJson();
    etat["controls"] = etat_.controles();
    return etat;
}

void SessionHttp::refuser(http::status statut, const std::string& raison,
                          const std::string& option) {
    etat_.signaler(nom_ + ": refused control: " + raison);
    nlohmann::json reponse = {{"error", raison}};
    if (!option.empty()) reponse["option"] = option;
    repondre(statut, kJson, reponse.dump());
}

void SessionHttp::repondre(http::status statut, std::string_view type, std::string corps, bool tete,
                           std::string_view piece) {
    auto reponse = std::make_shared<http::response<http::string_body>>(statut, 11);
    reponse->set(http::field::server, etat_.programme);
    reponse->set(http::field::cache_control, "no-store");
    reponse->set("X-Content-Type-Options", "nosniff");
    if (type.empty()) {
        type = "text/plain";
        corps = std::string(http::obsolete_reason(statut)) + "\n";
    }
    reponse->set(http::field::content_type, beast::string_view(type.data(), type.size()));
    if (!piece.empty()) {
        reponse->set(http::field::content_disposition,
                     beast::string_view(piece.data(), piece.size()));
    }
    reponse->body() = std::move(corps);
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
