#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

/// How to start a program under test.
struct Lancement {
    std::string programme;
    /// Variables taken out of the environment the test runs in.
    std::vector<std::string> variablesRetirees;
    /// Variables set, or replaced, on top of it.
    std::vector<std::pair<std::string, std::string>> variablesPosees;
    /// When set, standard output is a pipe that accepts exactly this many bytes and then blocks
    /// the program until lireSortie() is called.
    std::optional<size_t> sortieBloqueeApres;
};

/// A program run as a child process, its standard output and error captured. Killed, if it
/// still runs, when this is destroyed.
class Processus {
public:
    explicit Processus(const Lancement& lancement);
    ~Processus();
    Processus(const Processus&) = delete;
    Processus& operator=(const Processus&) = delete;

    bool enCours();
    /// The wait status once the program has ended within the delay, all its output read.
    std::optional<int> attendreFin(std::chrono::seconds delai);
    /// Bytes written to standard output and not yet read.
    int octetsEnAttente() const;
    /// The capacity of a blocking standard output: written bytes reach it when the program
    /// is held.
    size_t capaciteSortie() const { return capacite_; }
    /// Starts draining standard output (done from the start unless it was to block).
    void lireSortie();
    std::string sortie();
    std::string erreurs();

private:
    void lire(int descripteur, std::string& vers);
    /// Waits for both readers to reach the end of their pipe.
    void finirLectures();

    pid_t pid_ = -1;
    bool fini_ = false;
    bool sortieEnLecture_ = false;
    int sortieLue_ = -1;
    int erreursLues_ = -1;
    size_t capacite_ = 0;
    size_t bourrage_ = 0;
    std::mutex verrou_;
    std::string sortie_;
    std::string erreurs_;
    std::thread lecteurSortie_;
    std::thread lecteurErreurs_;
};

/// Runs a shell command; its exit status and standard output.
std::pair<int, std::string> executer(const std::string& commande);

/// Waits, polling, until condition() holds or the delay runs out; says whether it held.
template <typename Condition> bool attendreQue(Condition condition, std::chrono::seconds delai) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
