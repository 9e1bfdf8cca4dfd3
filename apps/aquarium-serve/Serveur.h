#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Individus;
class Ecouteur;
class ImagesDirectes;
class LecteurTrace;
struct EtatServeur;

/// The page and its pictures, over HTTP and WebSocket, on a thread of its own: the listener
/// (Ecouteur), one session per HTTP request (SessionHttp) and per page (SessionWebSocket), the
/// state they share (EtatServeur), and where the pictures come from (SourceImages). The page
/// asks for a picture when it has drawn the last one, so that a slow page gets fewer pictures
/// rather than a queue of them. Nothing a client sends changes what is served.
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
    /// From any thread, in a live run: the latest picture (encoderImage's), its speedbricks,
    /// and the chart's rows since the one published before.
    void publier(std::string image, std::shared_ptr<const Individus> individus,
                 std::vector<std::int32_t> historique);
    /// Closes every connection and ends the thread.
    void arreter();

private:
    std::unique_ptr<EtatServeur> etat_;
    /// Destroyed before the state, whose loop its socket belongs to.
    std::unique_ptr<Ecouteur> ecouteur_;
    /// The state's source of pictures while it is a live run's; nullptr in a replay.
    ImagesDirectes* direct_ = nullptr;
};
