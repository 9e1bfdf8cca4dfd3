#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>
#include <nlohmann/json_fwd.hpp>

#include <memory>
#include <string>
#include <string_view>

struct EtatServeur;

/// One HTTP request: answered from the page's own files or the live run's state, obeyed when
/// it is a control the server lets through, or turned into a WebSocket session. Nothing a
/// client sends reaches the file system.
class SessionHttp : public std::enable_shared_from_this<SessionHttp> {
public:
    using Requete = boost::beast::http::request<boost::beast::http::string_body>;

    SessionHttp(EtatServeur& etat, boost::asio::ip::tcp::socket socket);

    /// Reads the request and answers it.
    void lancer();

private:
    void traiter(boost::beast::error_code ec);
    void router(Requete requete);
    void monter(Requete requete, std::string_view cible);
    /// The live run's state and statistics; false for another path.
    bool renseigner(std::string_view cible, std::string_view requete, bool tete);
    void statistiques(std::string_view requete, bool tete);
    void piloter(const Requete& requete);
    /// What /run.json says: the run's state, and whether the pages may drive it.
    nlohmann::json etatDuLabo() const;
    /// Why the control may not go through; empty when it may.
    std::string interdiction(const Requete& requete) const;
    void refuser(boost::beast::http::status statut, const std::string& raison,
                 const std::string& option = {});
    void repondre(boost::beast::http::status statut, std::string_view type = {},
                  std::string corps = {}, bool tete = false, std::string_view piece = {});

    EtatServeur& etat_;
    std::string nom_;
    boost::beast::tcp_stream flux_;
    boost::beast::flat_buffer tampon_;
    boost::beast::http::request_parser<boost::beast::http::string_body> analyseur_;
};
