#include "Processus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Shrinks the pipe to the smallest the kernel allows and fills it but for the bytes the
// program may write; returns how many bytes of filling went in.
std::size_t remplir(int ecriture, std::size_t permis) {
    const int capacite = ::fcntl(ecriture, F_SETPIPE_SZ, 1);
    if (capacite < 0 || static_cast<std::size_t>(capacite) < permis) {
        throw std::runtime_error("cannot shrink the pipe");
    }
    const std::string octets(static_cast<std::size_t>(capacite) - permis, '#');
    if (::write(ecriture, octets.data(), octets.size()) != static_cast<ssize_t>(octets.size())) {
        throw std::runtime_error("cannot fill the pipe");
    }
    return octets.size();
}

} // namespace

Processus::Processus(const Lancement& l) {
    int sortie[2] = {-1, -1};
    int erreurs[2] = {-1, -1};
    if ((l.sortieVers.empty() && ::pipe2(sortie, O_CLOEXEC) != 0) ||
        ::pipe2(erreurs, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    if (l.sortieBloqueeApres) bourrage_ = remplir(sortie[1], *l.sortieBloqueeApres);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (l.sortieVers.empty()) {
        posix_spawn_file_actions_adddup2(&actions, sortie[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, l.sortieVers.c_str(), O_WRONLY,
                                         0);
    }
    posix_spawn_file_actions_adddup2(&actions, erreurs[1], STDERR_FILENO);
    std::vector<std::string> arguments = l.arguments;
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int echec = ::posix_spawn(&pid_, argv.at(0), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int bout : {sortie[1], erreurs[1]})
        ::close(bout);
    tubes_[0] = sortie[0];
    tubes_[1] = erreurs[0];
    if (echec != 0) throw std::runtime_error("cannot start " + arguments[0]);
    lecteurs_[1] = std::thread([this] { lire(tubes_[1], textes_[1]); });
    if (!l.sortieBloqueeApres) lireSortie();
}

Processus::~Processus() {
    if (enCours()) ::kill(pid_, SIGKILL);
    attendreFin();
    for (int tube : tubes_)
        ::close(tube);
}

bool Processus::enCours() {
    if (pid_ > 0 && ::waitpid(pid_, &etat_, WNOHANG) != 0) pid_ = -1;
    return pid_ > 0;
}

bool Processus::attendreEcrits(std::size_t octets, std::chrono::seconds delai) {
    const auto ecrits = [&] {
        int n = 0;
        ::ioctl(tubes_[0], FIONREAD, &n);
        return static_cast<std::size_t>(n) >= bourrage_ + octets;
    };
    return attendreQue(ecrits, delai);
}

void Processus::lireSortie() {
    if (tubes_[0] >= 0 && !lecteurs_[0].joinable()) {
        lecteurs_[0] = std::thread([this] { lire(tubes_[0], textes_[0]); });
    }
}

std::string Processus::erreurs() {
    const std::lock_guard<std::mutex> garde(verrou_);
    return textes_[1];
}

// Both pipes are drained while the program runs: one blocked on a full pipe would never end.
std::optional<Issue> Processus::attendreFin(std::chrono::seconds delai) {
    lireSortie();
    if (!attendreQue([this] { return !enCours(); }, delai)) return std::nullopt;
    for (std::thread& lecteur : lecteurs_) {
        if (lecteur.joinable()) lecteur.join();
    }
    return Issue{WIFEXITED(etat_) ? WEXITSTATUS(etat_) : -1, textes_[0].substr(bourrage_),
                 textes_[1]};
}

void Processus::lire(int descripteur, std::string& vers) {
    char tampon[65536];
    for (;;) {
        const ssize_t n = ::read(descripteur, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        const std::lock_guard<std::mutex> garde(verrou_);
        vers.append(tampon, static_cast<std::size_t>(n));
    }
}

Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers) {
    return *Processus({arguments, sortieVers, std::nullopt}).attendreFin();
}

void verifierRefus(const Issue& issue, const std::string& debut) {
    EXPECT_EQ(issue.statut, 2) << issue.erreurs;
    EXPECT_EQ(issue.sortie, "");
    EXPECT_EQ(std::count(issue.erreurs.begin(), issue.erreurs.end(), '\n'), 1) << issue.erreurs;
    EXPECT_EQ(issue.erreurs.rfind(debut, 0), 0u) << issue.erreurs << "expected: " << debut;
}
