#pragma once

#include <boost/asio/ip/tcp.hpp>

#include <string>

struct EtatServeur;

/// The address to listen on, from "HOST:PORT" (HOST an IPv4 address or a bracketed IPv6 one,
/// PORT 0 for one the system picks). Returns the reason of a refusal, empty when it is read.
std::string lireEcoute(const std::string& texte, std::string& hote, unsigned short& port);

/// The listening socket: each connection it accepts becomes an HTTP session.
class Ecouteur {
public:
    explicit Ecouteur(EtatServeur& etat);

    /// Binds and listens; false with the reason.
    bool ecouter(const std::string& hote, unsigned short port, std::string& erreur);
    /// The address bound, the port being the one the system picked if asked to.
    boost::asio::ip::tcp::endpoint point() const { return accepteur_.local_endpoint(); }
    /// Accepts connections on the server's thread until its loop stops.
    void accepter();

private:
    EtatServeur& etat_;
    boost::asio::ip::tcp::acceptor accepteur_;
};
