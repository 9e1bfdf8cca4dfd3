#include "Processus.h"

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

std::vector<std::string> environnement(const Lancement& l) {
    std::vector<std::string> variables;
    for (char** v = environ; *v != nullptr; ++v) {
        const std::string variable = *v;
        const std::string nom = variable.substr(0, variable.find('='));
        bool remplacee = false;
        for (const std::string& retiree : l.variablesRetirees)
            remplacee |= nom == retiree;
        for (const auto& posee : l.variablesPosees)
            remplacee |= nom == posee.first;
        if (!remplacee) variables.push_back(variable);
    }
    for (const auto& posee : l.variablesPosees)
        variables.push_back(posee.first + "=" + posee.second);
    return variables;
}

void tube(int bouts[2]) {
    if (::pipe2(bouts, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
}

// Shrinks the pipe to the smallest the kernel allows and fills it but for the bytes the
// program may write; how many bytes of filling went in.
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

std::vector<char*> pointeurs(std::vector<std::string>& textes) {
    std::vector<char*> p;
    for (std::string& t : textes)
        p.push_back(t.data());
    p.push_back(nullptr);
    return p;
}

} // namespace

Processus::Processus(const Lancement& lancement) {
    int sortie[2] = {-1, -1};
    int erreurs[2] = {-1, -1};
    if (lancement.sortieVers.empty()) tube(sortie);
    tube(erreurs);
    if (lancement.sortieBloqueeApres) {
        bourrage_ = remplir(sortie[1], *lancement.sortieBloqueeApres);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (lancement.sortieVers.empty()) {
        posix_spawn_file_actions_adddup2(&actions, sortie[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, lancement.sortieVers.c_str(),
                                         O_WRONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, erreurs[1], STDERR_FILENO);
    std::vector<std::string> arguments = lancement.arguments;
    std::vector<std::string> variables = environnement(lancement);
    const int echec = ::posix_spawn(&pid_, arguments.at(0).c_str(), &actions, nullptr,
                                    pointeurs(arguments).data(), pointeurs(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    if (sortie[1] >= 0) ::close(sortie[1]);
    ::close(erreurs[1]);
    sortieLue_ = sortie[0];
    erreursLues_ = erreurs[0];
    if (echec != 0) throw std::runtime_error("cannot start " + arguments[0]);

    lecteurErreurs_ = std::thread([this] { lire(erreursLues_, erreurs_); });
    if (!lancement.sortieBloqueeApres) lireSortie();
}

Processus::~Processus() {
    if (enCours()) ::kill(pid_, SIGKILL);
    terminer();
    if (sortieLue_ >= 0) ::close(sortieLue_);
    ::close(erreursLues_);
}

bool Processus::enCours() {
    if (pid_ > 0 && ::waitpid(pid_, &etat_, WNOHANG) != 0) pid_ = -1;
    return pid_ > 0;
}

bool Processus::attendreEcrits(std::size_t octets, std::chrono::seconds delai) {
    const auto ecrits = [&] {
        int n = 0;
        ::ioctl(sortieLue_, FIONREAD, &n);
        return static_cast<std::size_t>(n) >= bourrage_ + octets;
    };
    return attendreQue(ecrits, delai);
}

void Processus::lireSortie() {
    if (sortieEnLecture_ || sortieLue_ < 0) return;
    sortieEnLecture_ = true;
    lecteurSortie_ = std::thread([this] { lire(sortieLue_, sortie_); });
}

std::string Processus::sortie() {
    std::lock_guard<std::mutex> garde(verrou_);
    return sortie_.size() >= bourrage_ ? sortie_.substr(bourrage_) : std::string();
}

std::string Processus::erreurs() {
    std::lock_guard<std::mutex> garde(verrou_);
    return erreurs_;
}

// Both pipes are drained while the program runs: one blocked on a full pipe would never end.
Issue Processus::terminer() {
    lireSortie();
    while (pid_ > 0 && ::waitpid(pid_, &etat_, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (lecteurSortie_.joinable()) lecteurSortie_.join();
    if (lecteurErreurs_.joinable()) lecteurErreurs_.join();
    Issue issue;
    issue.statut = WIFEXITED(etat_) ? WEXITSTATUS(etat_) : -1;
    issue.signal = WIFSIGNALED(etat_) ? WTERMSIG(etat_) : 0;
    issue.sortie = sortie();
    issue.erreurs = erreurs();
    return issue;
}

std::optional<Issue> Processus::attendreFin(std::chrono::seconds delai) {
    if (!attendreQue([this] { return !enCours(); }, delai)) return std::nullopt;
    return terminer();
}

void Processus::lire(int descripteur, std::string& vers) {
    char tampon[65536];
    for (;;) {
        const ssize_t n = ::read(descripteur, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        std::lock_guard<std::mutex> garde(verrou_);
        vers.append(tampon, static_cast<std::size_t>(n));
    }
}

Issue executer(const std::vector<std::string>& arguments, const std::string& sortieVers) {
    Lancement lancement;
    lancement.arguments = arguments;
    lancement.sortieVers = sortieVers;
    return Processus(lancement).terminer();
}
