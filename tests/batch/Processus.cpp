#include "Processus.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void verifier(bool reussi, const char* quoi) {
    if (!reussi) throw std::runtime_error(std::string(quoi) + " failed");
}

// Appends what the pipe holds; false at its end, after closing it.
bool lireUnPeu(int& fd, std::string& texte) {
    char tampon[65536];
    const ssize_t lu = ::read(fd, tampon, sizeof tampon);
    if (lu > 0) {
        texte.append(tampon, static_cast<std::size_t>(lu));
        return true;
    }
    if (lu < 0 && errno == EINTR) return true;
    ::close(fd);
    fd = -1;
    return false;
}

} // namespace

Processus::Processus(const std::vector<std::string>& arguments, const std::string& sortieVers) {
    int tubeSortie[2] = {-1, -1};
    int tubeErreurs[2] = {-1, -1};
    verifier(::pipe2(tubeErreurs, O_CLOEXEC) == 0, "pipe2");
    if (sortieVers.empty()) verifier(::pipe2(tubeSortie, O_CLOEXEC) == 0, "pipe2");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (sortieVers.empty()) {
        posix_spawn_file_actions_adddup2(&actions, tubeSortie[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, sortieVers.c_str(), O_WRONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, tubeErreurs[1], 2);

    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int echec = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    ::close(tubeErreurs[1]);
    erreurs_ = tubeErreurs[0];
    if (sortieVers.empty()) {
        ::close(tubeSortie[1]);
        sortie_ = tubeSortie[0];
    }
    verifier(echec == 0, "posix_spawn");
}

Processus::~Processus() {
    if (pid_ > 0) terminer();
}

void Processus::attendreSortie() {
    while (issue_.sortie.empty() && sortie_ >= 0)
        lireUnPeu(sortie_, issue_.sortie);
}

// Both pipes are drained together: a child blocked on a full stderr pipe would never close
// its stdout.
Issue Processus::terminer() {
    while (sortie_ >= 0 || erreurs_ >= 0) {
        pollfd attente[2] = {{sortie_, POLLIN, 0}, {erreurs_, POLLIN, 0}};
        if (::poll(attente, 2, -1) < 0 && errno != EINTR) break;
        if (attente[0].revents != 0) lireUnPeu(sortie_, issue_.sortie);
        if (attente[1].revents != 0) lireUnPeu(erreurs_, issue_.erreurs);
    }
    int etat = 0;
    while (::waitpid(pid_, &etat, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    issue_.statut = WIFEXITED(etat) ? WEXITSTATUS(etat) : -1;
    return issue_;
}

Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers) {
    return Processus(arguments, sortieVers).terminer();
}
