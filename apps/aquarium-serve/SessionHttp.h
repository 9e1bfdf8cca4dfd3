#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/status.hpp>

#include <memory>
#include <string>
#include <string_view>

struct EtatServeur;
struct FichierPage;

/// One HTTP request, answered from the page's own files or turned into a WebSocket session.
/// Nothing a client sends reaches the file system.
class SessionHttp : public std::enable_shared_from_this<SessionHttp> {
public:
    SessionHttp(EtatServeur& etat, boost::asio::ip::tcp::socket socket);

    /// Reads the request and answers it.
    void lancer();

private:
    void traiter(boost::beast::error_code ec);
    void monter(boost::beast::http::request<boost::beast::http::empty_body> requete,
                std::string_view cible);
    void repondre(boost::beast::http::status statut, const FichierPage* fichier = nullptr,
                  bool tete = false);

    EtatServeur& etat_;
    std::string nom_;
    boost::beast::tcp_stream flux_;
    boost::beast::flat_buffer tampon_;
    boost::beast::http::request_parser<boost::beast::http::empty_body> analyseur_;
};
