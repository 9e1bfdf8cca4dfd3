#include "Ecouteur.h"

#include "EtatServeur.h"
#include "SessionHttp.h"

#include <boost/asio/ip/address.hpp>
#include <boost/beast/core/error.hpp>

#include <memory>
#include <utility>

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

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

Ecouteur::Ecouteur(EtatServeur& etat) : etat_(etat), accepteur_(etat.contexte) {}

bool Ecouteur::ecouter(const std::string& hote, unsigned short port, std::string& erreur) {
    beast::error_code ec;
    const tcp::endpoint point(asio::ip::make_address(hote, ec), port);
    if (!ec) accepteur_.open(point.protocol(), ec);
    if (!ec) accepteur_.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) accepteur_.bind(point, ec);
    if (!ec) accepteur_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) erreur = "cannot listen on " + hote + ":" + std::to_string(port) + ": " + ec.message();
    return !ec;
}

void Ecouteur::accepter() {
    accepteur_.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) std::make_shared<SessionHttp>(etat_, std::move(socket))->lancer();
        accepter();
    });
}
