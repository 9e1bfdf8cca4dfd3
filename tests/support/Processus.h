#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct Lancement {
    /// The program's path, then its arguments (/usr/bin/env changes the environment).
    std::vector<std::string> arguments;
    /// When set, standard output goes to this file instead of a pipe.
    std::string sortieVers;
    /// When set, standard output is a pipe that takes this many bytes and then holds the
    /// program until lireSortie().
    std::optional<std::size_t> sortieBloqueeApres;
};

struct Issue {
    int statut = -1; // -1: ended by a signal
    std::string sortie;
    std::string erreurs;
};

/// A program run as a child process, standard input from /dev/null, standard output and error
/// captured. Killed, if it still runs, when this is destroyed.
class Processus {
public:
    explicit Processus(const Lancement& lancement);
    ~Processus();

    bool enCours();
    pid_t pid() const { return pid_; }
    /// Whether the held standard output got this many bytes within the delay.
    bool attendreEcrits(std::size_t octets, std::chrono::seconds delai);
    /// Starts draining standard output (at once unless it is held).
    void lireSortie();
    std::string erreurs();
    /// Drains both outputs to the end, unless the program still runs when the delay is over.
    std::optional<Issue> attendreFin(std::chrono::seconds delai = std::chrono::hours(1));

private:
    void lire(int descripteur, std::string& vers);

    pid_t pid_ = -1;
    int etat_ = 0;
    int tubes_[2] = {-1, -1};
    std::size_t bourrage_ = 0;
    std::mutex verrou_;
    std::string textes_[2];
    std::thread lecteurs_[2];
};

/// Runs a program to its end, its standard output into `sortieVers` if given.
Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers = "");
/// Expects a refusal: status 2, nothing on standard output, one line of error beginning so.
void verifierRefus(const Issue& issue, const std::string& debut);

/// Polls until condition() holds or the delay runs out; says whether it held.
template <typename Condition> bool attendreQue(Condition condition, std::chrono::seconds delai) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
