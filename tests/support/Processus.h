#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

/// How to start a program under test.
struct Lancement {
    /// The program's path, then its arguments.
    std::vector<std::string> arguments;
    /// When set, standard output goes to this file instead of a pipe.
    std::string sortieVers;
    /// Variables taken out of the environment the test runs in.
    std::vector<std::string> variablesRetirees;
    /// Variables set, or replaced, on top of it.
    std::vector<std::pair<std::string, std::string>> variablesPosees;
    /// When set, standard output is a pipe that accepts exactly this many bytes and then holds
    /// the program until lireSortie() is called.
    std::optional<std::size_t> sortieBloqueeApres;
};

/// What a finished program left behind.
struct Issue {
    /// The exit status, or -1 when a signal ended the program.
    int statut = -1;
    /// The signal that ended it, 0 when it exited.
    int signal = 0;
    std::string sortie;
    std::string erreurs;
};

/// A program run as a child process, its standard input from /dev/null, its standard output
/// and error captured. Killed, if it still runs, when this is destroyed.
class Processus {
public:
    explicit Processus(const Lancement& lancement);
    ~Processus();
    Processus(const Processus&) = delete;
    Processus& operator=(const Processus&) = delete;

    bool enCours();
    /// The program's process id; -1 once it has ended.
    pid_t pid() const { return pid_; }
    /// Waits until the program has written this many bytes on a blocking standard output; says
    /// whether that came within the delay.
    bool attendreEcrits(std::size_t octets, std::chrono::seconds delai);
    /// Starts draining standard output (done from the start unless it was to block).
    void lireSortie();
    std::string sortie();
    std::string erreurs();
    /// Waits for the end, however long it takes, and reads all the output.
    Issue terminer();
    /// The same, unless the program still runs when the delay is over.
    std::optional<Issue> attendreFin(std::chrono::seconds delai);

private:
    void lire(int descripteur, std::string& vers);

    pid_t pid_ = -1;
    int etat_ = 0;
    bool sortieEnLecture_ = false;
    int sortieLue_ = -1;
    int erreursLues_ = -1;
    std::size_t bourrage_ = 0;
    std::mutex verrou_;
    std::string sortie_;
    std::string erreurs_;
    std::thread lecteurSortie_;
    std::thread lecteurErreurs_;
};

/// Runs a program to its end, its standard output into `sortieVers` if given.
Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers = "");

/// Waits, polling, until condition() holds or the delay runs out; says whether it held.
template <typename Condition> bool attendreQue(Condition condition, std::chrono::seconds delai) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
