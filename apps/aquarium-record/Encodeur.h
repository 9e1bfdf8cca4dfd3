#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

/// The ffmpeg program, encoding the frames written into its standard input. It runs in a
/// process group of its own, so that a Ctrl-C on the terminal reaches the recorder alone, which
/// then ends the video properly; what it says on its standard error is kept for the messages.
class Encodeur {
public:
    Encodeur() = default;
    /// Stops ffmpeg if it still runs.
    ~Encodeur();
    Encodeur(const Encodeur&) = delete;
    Encodeur& operator=(const Encodeur&) = delete;

    /// Starts `ffmpeg` found on PATH with these arguments; false with erreur() if it cannot run.
    bool lancer(const std::vector<std::string>& arguments);
    /// Hands it one frame; false once it has stopped reading or reported an error.
    bool ecrire(const std::vector<unsigned char>& image);
    /// Closes its input and waits for it to finish the file; false unless it exited with 0
    /// and reported no error.
    bool terminer();
    /// Stops it at once, for a video given up.
    void arreter();

    bool enCours() const { return pid_ > 0; }
    const std::string& erreur() const { return erreur_; }

private:
    /// Waits for its end and says whether it exited with 0, erreur() saying how it ended if not.
    bool attendre();
    bool echouerEcriture(int raison);
    /// Whether ffmpeg has written anything to its standard error.
    bool aParle() const;
    std::string derniereLigne();

    pid_t pid_ = -1;
    /// The write end of its standard input.
    int entree_ = -1;
    /// Its standard error, in a temporary file: a pipe that nobody reads could fill and hold it.
    std::FILE* journal_ = nullptr;
    std::string erreur_;
};
