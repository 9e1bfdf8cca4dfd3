#pragma once

#include <memory>
#include <string>

class Ecouteur;
class LecteurTrace;
class Pilotage;
struct EtatServeur;
struct Publication;

/// The page and its pictures, over HTTP and WebSocket, on a thread of its own: the listener
/// (Ecouteur), one session per HTTP request (SessionHttp) and per page (SessionWebSocket), the
/// state they share (EtatServeur), and where the pictures come from (SourceImages). The page
/// asks for a picture when it has drawn the last one, so that a slow page gets fewer pictures
/// rather than a queue of them. A live run's pages may also drive it (Pilotage), through
/// controls checked by SessionHttp; nothing else a client sends changes what is served.
class Serveur {
public:
    explicit Serveur(std::string programme);
    ~Serveur();
    Serveur(const Serveur&) = delete;
    Serveur& operator=(const Serveur&) = delete;

    /// Binds and listens; false with the reason.
    bool ecouter(const std::string& hote, unsigned short port, std::string& erreur);
    /// The page's address ("http://127.0.0.1:8080/"), the port being the one bound.
    std::string adresse() const;
    bool boucleLocale() const;
    /// Serves a recorded run instead of a live one: each page asks for the line it shows.
    void relire(LecteurTrace& trace);
    /// Lets the pages drive the live run: with no token on loopback, with `jeton` when given,
    /// not at all on another address without one.
    void piloter(Pilotage& pilotage, std::string jeton);
    /// Says on stderr where to watch, and starts serving; once only.
    void demarrer();
    /// From any thread, in a live run.
    void publier(Publication publication);
    /// Closes every connection and ends the thread.
    void arreter();

private:
    std::unique_ptr<EtatServeur> etat_;
    /// Destroyed before the state, whose loop its socket belongs to.
    std::unique_ptr<Ecouteur> ecouteur_;
};
