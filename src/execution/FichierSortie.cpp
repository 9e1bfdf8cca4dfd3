#include "FichierSortie.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Trace lines are written one at a time; a large buffer keeps the system calls rare.
constexpr std::size_t kTailleTampon = 1 << 20;

} // namespace

FichierSortie::~FichierSortie() {
    if (flux_ != nullptr) std::fclose(flux_);
}

bool FichierSortie::echouer(const char* action) {
    erreur_ = std::string(action) + " '" + chemin_ + "': " + std::strerror(errno);
    return false;
}

// O_EXCL first, to know whether the file is ours to remove should another output be refused.
bool FichierSortie::ouvrir() {
    int fd = ::open(chemin_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    cree_ = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(chemin_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return echouer("cannot open");

    struct stat etat = {};
    if (::fstat(fd, &etat) != 0) {
        const int raison = errno;
        ::close(fd);
        errno = raison;
        return echouer("cannot open");
    }
    regulier_ = S_ISREG(etat.st_mode);
    peripherique_ = etat.st_dev;
    inode_ = etat.st_ino;

    flux_ = ::fdopen(fd, "w");
    if (flux_ == nullptr) {
        const int raison = errno;
        ::close(fd);
        errno = raison;
        return echouer("cannot open");
    }
    std::setvbuf(flux_, nullptr, _IOFBF, kTailleTampon);
    return true;
}

// Devices and pipes cannot be truncated, and need not be.
bool FichierSortie::vider() {
    if (!regulier_) return true;
    if (::ftruncate(::fileno(flux_), 0) != 0) return echouer("cannot empty");
    return true;
}

void FichierSortie::abandonner() {
    if (flux_ == nullptr) return;
    std::fclose(flux_);
    flux_ = nullptr;
    if (cree_) ::unlink(chemin_.c_str());
}

void FichierSortie::supprimer() {
    if (flux_ != nullptr) std::fclose(std::exchange(flux_, nullptr));
    ::unlink(chemin_.c_str());
}

bool FichierSortie::ecrire(std::string_view texte) {
    if (std::fwrite(texte.data(), 1, texte.size(), flux_) == texte.size()) return true;
    return echouer("cannot write");
}

bool FichierSortie::pousser() {
    if (std::fflush(flux_) == 0) return true;
    return echouer("cannot write");
}

bool FichierSortie::fermer() {
    std::FILE* flux = std::exchange(flux_, nullptr);
    const bool vide = std::fflush(flux) == 0 && std::ferror(flux) == 0;
    const int raison = errno;
    const bool ferme = std::fclose(flux) == 0;
    if (!vide) errno = raison;
    if (!vide || !ferme) return echouer("cannot write");
    return toujoursEnPlace();
}

// A file whose directory vanished during the run took every write without complaint, into an
// inode that nobody can reach any more: the run's result is lost all the same.
bool FichierSortie::toujoursEnPlace() {
    struct stat etat = {};
    if (::stat(chemin_.c_str(), &etat) != 0) return echouer("lost");
    if (etat.st_dev == peripherique_ && etat.st_ino == inode_) return true;
    erreur_ = "lost '" + chemin_ + "': another file took its place during the run";
    return false;
}
