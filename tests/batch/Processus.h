#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

/// What a finished process left behind.
struct Issue {
    /// The exit status, or -1 when a signal ended the process.
    int statut = -1;
    std::string sortie;
    std::string erreurs;
};

/// A program running as a child process, its standard input from /dev/null and its standard
/// error read through a pipe; standard output through a pipe too, or into `sortieVers`.
class Processus {
public:
    explicit Processus(const std::vector<std::string>& arguments,
                       const std::string& sortieVers = "");
    /// Waits for the child if terminer() was not called.
    ~Processus();
    Processus(const Processus&) = delete;
    Processus& operator=(const Processus&) = delete;

    /// Blocks until the program has written something on its standard output, and keeps it.
    void attendreSortie();
    /// Reads both streams to their end and waits for the exit.
    Issue terminer();

private:
    pid_t pid_ = -1;
    int sortie_ = -1;
    int erreurs_ = -1;
    Issue issue_;
};

/// Runs a program to its end.
Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers = "");
