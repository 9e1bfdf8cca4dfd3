#pragma once

#include "SourceImages.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>

class Pilotage;
class SessionWebSocket;

/// A request or a handshake that takes longer is dropped, so that slow clients hold nothing.
inline constexpr std::chrono::seconds kDelaiRequete{10};

/// What the server's parts share: its thread and its loop, the pages connected, and where
/// their pictures come from.
struct EtatServeur {
    explicit EtatServeur(std::string nom);

    /// One line on stderr, headed by the program's name.
    void signaler(const std::string& message) const;
    /// Offers every connected page the latest picture.
    void diffuser();

    /// "on", "token" or "off": whether the pages may drive the run, and how.
    const char* controles() const;

    std::string programme;
    boost::asio::io_context contexte;
    std::thread fil;

    // Set before the server starts.
    /// Whether the server listens on loopback, where only this machine's pages come from.
    bool boucleLocale = true;
    /// The live run's controls; nullptr in a replay.
    Pilotage* pilotage = nullptr;
    /// What a control must carry; empty: none.
    std::string jeton;

    // Everything below belongs to the server's thread.
    std::set<std::shared_ptr<SessionWebSocket>> clients;
    /// Set by the Serveur before it starts.
    std::unique_ptr<SourceImages> source;
    /// The source while it is a live run's; nullptr in a replay.
    ImagesDirectes* direct = nullptr;
};

/// "ADDRESS:PORT" of the other end of a connection, for messages.
std::string nomDuPair(const boost::asio::ip::tcp::socket& socket);
