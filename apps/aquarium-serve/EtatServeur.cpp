#include "EtatServeur.h"

#include "SessionWebSocket.h"

#include <iostream>
#include <utility>

EtatServeur::EtatServeur(std::string nom) : programme(std::move(nom)) {}

// One write, so that the run's own lines, written from the other thread, do not cut it.
void EtatServeur::signaler(const std::string& message) const {
    std::cerr << programme + ": " + message + "\n" << std::flush;
}

const char* EtatServeur::controles() const {
    if (!jeton.empty()) return "token";
    return boucleLocale ? "on" : "off";
}

// Serving may drop a client, which leaves the set: the loop goes over a copy.
void EtatServeur::diffuser() {
    const std::set<std::shared_ptr<SessionWebSocket>> servis = clients;
    for (const auto& client : servis)
        client->servir();
}

std::string nomDuPair(const boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    const boost::asio::ip::tcp::endpoint point = socket.remote_endpoint(ec);
    if (ec) return "a client";
    return point.address().to_string() + ":" + std::to_string(point.port());
}
