#pragma once

#include "ContexteHorsEcran.h"
#include "Encodeur.h"
#include "FichierSortie.h"
#include "Sortie.h"

#include <chrono>
#include <string>
#include <vector>

class C_AQUARIUM;

/// What the video shows and how.
struct ReglagesVideo {
    /// Ends in .mp4 (H.264) or .webm (VP9).
    std::string chemin;
    /// Even, as both codecs halve the colour planes.
    int largeur = 1000;
    int hauteur = 800;
    int imagesParSeconde = 30;
    /// The first tick filmed, then every periode-th one; the last tick always.
    int depuisTick = 0;
    int periode = 1;
};

/// The codec that a video file's extension asks for, as ffmpeg names its encoder; null for an
/// extension the recorder does not write.
const char* encodeurPour(const std::string& chemin);

/// The run filmed: each frame drawn by the window's drawing code into an offscreen context,
/// then encoded by ffmpeg. The automatic turn advances one step per frame filmed, as it does per
/// frame drawn in the window.
class SortieVideo : public Sortie {
public:
    explicit SortieVideo(ReglagesVideo reglages);
    ~SortieVideo() override;
    SortieVideo(const SortieVideo&) = delete;
    SortieVideo& operator=(const SortieVideo&) = delete;

    const char* option() const override { return "--video"; }
    /// The file, and the offscreen context with the scene set up in it.
    bool ouvrir() override;
    /// Starts ffmpeg, then empties the file.
    bool preparer() override;
    void abandonner() override;
    bool ecrire(const Instant& instant) override;
    /// Lets ffmpeg finish the file; a failure, or no frame at all, leaves no file.
    bool fermer() override;
    std::string erreur() const override { return erreur_; }
    std::string avancement() const override;
    std::string bilan() const override;

private:
    using Horloge = std::chrono::steady_clock;

    bool aFilmer(const Instant& instant) const;
    bool filmer(const C_AQUARIUM& monde);
    void cadrer(const C_AQUARIUM& monde);
    /// Gives the video up: ffmpeg stopped, the file removed.
    void supprimer();
    /// supprimer(), and the reason kept for erreur(). Always false.
    bool echouer(const std::string& raison);
    /// Frames written per second of wall time since the first.
    double cadence() const;

    ReglagesVideo reglages_;
    FichierSortie fichier_;
    ContexteHorsEcran contexte_;
    Encodeur encodeur_;
    std::vector<unsigned char> image_;
    int images_ = 0;
    /// The last tick the run handed over, filmed or not.
    int dernierTick_ = 0;
    Horloge::time_point premiereImage_ = Horloge::now();
    std::string erreur_;
};
