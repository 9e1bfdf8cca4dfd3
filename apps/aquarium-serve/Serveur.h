#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LecteurTrace;

/// The address to listen on, from "HOST:PORT" (HOST an IPv4 address or a bracketed IPv6 one,
/// PORT 0 for one the system picks). Returns the reason of a refusal, empty when it is read.
std::string lireEcoute(const std::string& texte, std::string& hote, unsigned short& port);

/// The page and its pictures, over HTTP and WebSocket, on a thread of its own. The page asks
/// for a picture when it has drawn the last one, so that a slow page gets fewer pictures rather
/// than a queue of them; a client that asks and stops reading is dropped once its picture has
/// waited kDelaiEcriture in full buffers. Nothing a client sends changes what is served.
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
    /// Says on stderr where to watch, and starts serving.
    void demarrer();
    /// From any thread: the latest picture (encoderImage's) and the chart's rows since the one
    /// published before.
    void publier(std::string image, std::vector<std::int32_t> historique);
    /// Closes every connection and ends the thread.
    void arreter();

    /// The server's insides, on its thread.
    struct Etat;

private:
    std::unique_ptr<Etat> etat_;
};
