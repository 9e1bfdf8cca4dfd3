#pragma once

#include "SourceImages.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct EtatServeur;

/// One page's WebSocket connection. At most one picture is on its way to it at a time, and
/// only once it has asked for one; a page that asks and stops reading is dropped once its
/// picture has waited kDelaiEcriture in full buffers.
class SessionWebSocket : public std::enable_shared_from_this<SessionWebSocket> {
public:
    SessionWebSocket(EtatServeur& etat, boost::asio::ip::tcp::socket socket);

    /// Completes the handshake the HTTP session received, then reads the page's requests.
    void accueillir(boost::beast::http::request<boost::beast::http::string_body> requete);
    /// Sends the latest picture if the page is waiting for one it has not had.
    void servir();

private:
    void lire();
    void recevoir();
    /// Closes and leaves the server's clients; says why unless `raison` is empty.
    void quitter(const std::string& raison);

    EtatServeur& etat_;
    std::string nom_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> flux_;
    boost::beast::flat_buffer lecture_;
    boost::asio::steady_timer echeance_;
    std::string entete_;
    /// The followed creature's fields, sent after the picture.
    std::string fiche_;
    std::vector<std::int32_t> historiqueEnCours_;
    std::size_t historiqueEnvoye_ = 0;
    /// The world of the last picture sent: another one's chart starts again.
    int monde_ = 0;
    /// The number of the last picture sent (SourceImages::envoi's).
    std::uint64_t imageEue_ = 0;
    /// The page's last request, for a line of a replay or the latest picture.
    std::int32_t demande_ = kDerniereImage;
    /// The id of the creature the page follows; -1: none.
    std::int32_t suivi_ = -1;
    /// The page has asked and not been sent its picture yet.
    bool enAttente_ = false;
    bool ecriture_ = false;
    bool ferme_ = false;
};
