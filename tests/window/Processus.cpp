#include "Processus.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

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
    if (pipe2(bouts, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
}

// The smallest pipe the kernel allows, filled but for the bytes the program may write.
size_t reduireEtRemplir(int ecriture, size_t permis, size_t& bourrage) {
    const int capacite = fcntl(ecriture, F_SETPIPE_SZ, 1);
    if (capacite < 0 || static_cast<size_t>(capacite) < permis) {
        throw std::runtime_error("cannot shrink the pipe");
    }
    bourrage = static_cast<size_t>(capacite) - permis;
    const std::string octets(bourrage, '#');
    if (write(ecriture, octets.data(), octets.size()) != static_cast<ssize_t>(octets.size())) {
        throw std::runtime_error("cannot fill the pipe");
    }
    return static_cast<size_t>(capacite);
}

} // namespace

Processus::Processus(const Lancement& lancement) {
    int sortie[2];
    int erreurs[2];
    tube(sortie);
    tube(erreurs);
    if (lancement.sortieBloqueeApres) {
        capacite_ = reduireEtRemplir(sortie[1], *lancement.sortieBloqueeApres, bourrage_);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sortie[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, erreurs[1], STDERR_FILENO);
    std::vector<std::string> variables = environnement(lancement);
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string programme = lancement.programme;
    char* argv[] = {programme.data(), nullptr};
    const int echec = posix_spawn(&pid_, programme.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(sortie[1]);
    close(erreurs[1]);
    sortieLue_ = sortie[0];
    erreursLues_ = erreurs[0];
    if (echec != 0) throw std::runtime_error("cannot start " + programme);

    lecteurErreurs_ = std::thread([this] { lire(erreursLues_, erreurs_); });
    if (!lancement.sortieBloqueeApres) lireSortie();
}

Processus::~Processus() {
    if (enCours()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    finirLectures();
    close(sortieLue_);
    close(erreursLues_);
}

bool Processus::enCours() {
    if (fini_) return false;
    int etat = 0;
    if (waitpid(pid_, &etat, WNOHANG) == 0) return true;
    fini_ = true;
    return false;
}

std::optional<int> Processus::attendreFin(std::chrono::seconds delai) {
    std::optional<int> etat;
    attendreQue(
        [&] {
            int e = 0;
            if (waitpid(pid_, &e, WNOHANG) != pid_) return false;
            etat = e;
            return true;
        },
        delai);
    if (!etat) return etat;
    fini_ = true;
    finirLectures();
    return etat;
}

int Processus::octetsEnAttente() const {
    int n = 0;
    ioctl(sortieLue_, FIONREAD, &n);
    return n;
}

void Processus::lireSortie() {
    if (sortieEnLecture_) return;
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

void Processus::finirLectures() {
    lireSortie();
    if (lecteurSortie_.joinable()) lecteurSortie_.join();
    if (lecteurErreurs_.joinable()) lecteurErreurs_.join();
}

void Processus::lire(int descripteur, std::string& vers) {
    char tampon[4096];
    for (;;) {
        const ssize_t n = read(descripteur, tampon, sizeof tampon);
        if (n <= 0) return;
        std::lock_guard<std::mutex> garde(verrou_);
        vers.append(tampon, static_cast<size_t>(n));
    }
}

std::pair<int, std::string> executer(const std::string& commande) {
    FILE* flux = popen(commande.c_str(), "r");
    if (flux == nullptr) return {-1, ""};
    std::string texte;
    char tampon[65536];
    size_t n = 0;
    while ((n = fread(tampon, 1, sizeof tampon, flux)) > 0)
        texte.append(tampon, n);
    const int etat = pclose(flux);
    return {WIFEXITED(etat) ? WEXITSTATUS(etat) : -1, texte};
}
