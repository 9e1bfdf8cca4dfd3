#include "Encodeur.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

/// The spawn attributes ffmpeg starts with: its own process group, the default action for the
/// signals a shell would give it, and none blocked.
class Attributs {
public:
    Attributs() {
        posix_spawnattr_init(&attributs_);
        sigset_t defaut;
        sigemptyset(&defaut);
        for (int signal : {SIGPIPE, SIGINT, SIGTERM})
            sigaddset(&defaut, signal);
        sigset_t aucun;
        sigemptyset(&aucun);
        posix_spawnattr_setsigdefault(&attributs_, &defaut);
        posix_spawnattr_setsigmask(&attributs_, &aucun);
        posix_spawnattr_setpgroup(&attributs_, 0);
        posix_spawnattr_setflags(&attributs_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETSIGMASK);
    }
    ~Attributs() { posix_spawnattr_destroy(&attributs_); }
    Attributs(const Attributs&) = delete;
    Attributs& operator=(const Attributs&) = delete;
    const posix_spawnattr_t* get() const { return &attributs_; }

private:
    posix_spawnattr_t attributs_;
};

/// Standard input from the pipe, standard output to /dev/null, standard error to the journal.
/// Every other descriptor of ours is close-on-exec.
class Redirections {
public:
    Redirections(int lecture, int journal) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_adddup2(&actions_, lecture, STDIN_FILENO);
        posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, journal, STDERR_FILENO);
    }
    ~Redirections() { posix_spawn_file_actions_destroy(&actions_); }
    Redirections(const Redirections&) = delete;
    Redirections& operator=(const Redirections&) = delete;
    const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

Encodeur::~Encodeur() {
    arreter();
    if (journal_ != nullptr) std::fclose(journal_);
}

bool Encodeur::lancer(const std::vector<std::string>& arguments) {
    journal_ = std::tmpfile();
    int tube[2] = {-1, -1};
    if (journal_ == nullptr || ::pipe2(tube, O_CLOEXEC) != 0) {
        erreur_ = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> ligne = {"ffmpeg"};
    ligne.insert(ligne.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& mot : ligne)
        argv.push_back(mot.data());
    argv.push_back(nullptr);

    const Attributs attributs;
    const Redirections redirections(tube[0], ::fileno(journal_));
    const int echec =
        posix_spawnp(&pid_, "ffmpeg", redirections.get(), attributs.get(), argv.data(), environ);
    ::close(tube[0]);
    if (echec != 0) {
        ::close(tube[1]);
        pid_ = -1;
        erreur_ = std::string("cannot run ffmpeg: ") + std::strerror(echec) +
                  (echec == ENOENT ? " (scripts/setup installs it)" : "");
        return false;
    }
    entree_ = tube[1];
    return true;
}

bool Encodeur::ecrire(const std::vector<unsigned char>& image) {
    const unsigned char* octets = image.data();
    std::size_t reste = image.size();
    while (reste > 0) {
        const ssize_t ecrits = ::write(entree_, octets, reste);
        if (ecrits < 0 && errno == EINTR) continue;
        if (ecrits < 0) return echouerEcriture(errno);
        octets += ecrits;
        reste -= static_cast<std::size_t>(ecrits);
    }
    // ffmpeg goes on encoding when a write to the video fails (a full disk): its words, errors
    // alone at its log level, are what stops the run at once.
    if (!aParle()) return true;
    arreter();
    erreur_ = "ffmpeg: " + derniereLigne();
    return false;
}

// A broken pipe is ffmpeg gone, or going: its own last words say why better than EPIPE does.
bool Encodeur::echouerEcriture(int raison) {
    if (raison != EPIPE) {
        arreter();
        erreur_ = std::string("cannot feed ffmpeg: ") + std::strerror(raison);
        return false;
    }
    if (terminer()) erreur_ = "ffmpeg stopped reading the frames";
    return false;
}

bool Encodeur::terminer() {
    if (entree_ >= 0) ::close(std::exchange(entree_, -1));
    return pid_ > 0 && attendre();
}

void Encodeur::arreter() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    terminer();
}

bool Encodeur::attendre() {
    int etat = 0;
    while (::waitpid(pid_, &etat, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(etat) && WEXITSTATUS(etat) == 0) {
        if (!aParle()) return true;
        // ffmpeg 5 exits with 0 even when the video's last writes failed.
        erreur_ = "ffmpeg: " + derniereLigne();
        return false;
    }
    const std::string comment = WIFEXITED(etat)
                                    ? "status " + std::to_string(WEXITSTATUS(etat))
                                    : std::string("signal ") + ::strsignal(WTERMSIG(etat));
    const std::string raison = derniereLigne();
    erreur_ = "ffmpeg stopped (" + comment + ")" + (raison.empty() ? "" : ": " + raison);
    return false;
}

bool Encodeur::aParle() const {
    struct stat etat {};
    return ::fstat(::fileno(journal_), &etat) == 0 && etat.st_size > 0;
}

// ffmpeg ends with the line that matters: the error that stopped it.
std::string Encodeur::derniereLigne() {
    std::string texte;
    std::rewind(journal_);
    char morceau[4096];
    std::size_t lus = 0;
    while ((lus = std::fread(morceau, 1, sizeof morceau, journal_)) > 0)
        texte.append(morceau, lus);
    while (!texte.empty() && (texte.back() == '\n' || texte.back() == '\r'))
        texte.pop_back();
    const std::size_t debut = texte.find_last_of("\r\n");
    return debut == std::string::npos ? texte : texte.substr(debut + 1);
}
