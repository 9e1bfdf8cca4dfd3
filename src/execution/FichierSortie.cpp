#include "FichierSortie.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Trace lines are written one at a time; a large buffer keeps the system calls rare.
constexpr std::size_t kTailleTampon = 1 << 20;

std::uint32_t prolonger(std::uint32_t somme, std::string_view octets) {
    return static_cast<std::uint32_t>(
        crc32_z(somme, reinterpret_cast<const Bytef*>(octets.data()), octets.size()));
}

} // namespace

std::string PositionFichier::texte() const {
    return std::to_string(octets) + " " + std::to_string(somme);
}

std::optional<PositionFichier> PositionFichier::lire(const std::string& texte) {
    PositionFichier p;
    const char* fin = texte.data() + texte.size();
    const auto [espace, e1] = std::from_chars(texte.data(), fin, p.octets);
    if (e1 != std::errc() || espace == fin || *espace != ' ') return std::nullopt;
    const auto [bout, e2] = std::from_chars(espace + 1, fin, p.somme);
    if (e2 != std::errc() || bout != fin) return std::nullopt;
    return p;
}

FichierSortie::~FichierSortie() {
    if (flux_ != nullptr) std::fclose(flux_);
}

bool FichierSortie::echouer(const char* action) {
    erreur_ = std::string(action) + " '" + chemin_ + "': " + std::strerror(errno);
    return false;
}

void FichierSortie::reprendreA(const std::string& position) {
    if (position.empty()) return;
    reprise_ = PositionFichier::lire(position);
    autreSorte_ = !reprise_;
}

// O_EXCL first, to know whether the file is ours to remove should another output be refused.
bool FichierSortie::ouvrir() {
    if (autreSorte_) {
        erreur_ = "the checkpoint's run wrote another kind of file under this option";
        return false;
    }
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
    // Written afresh: nothing of the run before it is there to go on from.
    if (reprise_ && (!regulier_ || etat.st_size == 0)) reprise_.reset();
    if (reprise_ && !verifierReprise(etat.st_size)) {
        ::close(fd);
        return false;
    }

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

// Read whole: a file that differs anywhere may be another run's, which it would spoil.
bool FichierSortie::verifierReprise(off_t taille) {
    const std::string attendu = std::to_string(reprise_->octets) + " bytes";
    if (static_cast<std::uint64_t>(taille) < reprise_->octets) {
        erreur_ = "'" + chemin_ + "' holds " + std::to_string(taille) + " bytes, fewer than the " +
                  attendu + " the checkpoint recorded";
        return false;
    }
    const int fd = ::open(chemin_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return echouer("cannot read");
    std::vector<char> tampon(kTailleTampon);
    std::uint32_t somme = prolonger(0, {});
    for (std::uint64_t lus = 0; lus < reprise_->octets;) {
        const std::size_t voulus = static_cast<std::size_t>(
            std::min<std::uint64_t>(tampon.size(), reprise_->octets - lus));
        const ssize_t n = ::pread(fd, tampon.data(), voulus, static_cast<off_t>(lus));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            const int raison = errno;
            ::close(fd);
            errno = raison;
            return echouer("cannot read");
        }
        somme = prolonger(somme, {tampon.data(), static_cast<std::size_t>(n)});
        lus += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    if (somme == reprise_->somme) return true;
    erreur_ =
        "'" + chemin_ + "' is not what the checkpoint recorded: its first " + attendu + " differ";
    return false;
}

// Devices and pipes cannot be truncated, and need not be.
bool FichierSortie::vider() {
    position_ = reprise_.value_or(PositionFichier{0, prolonger(0, {})});
    if (!regulier_) return true;
    if (::ftruncate(::fileno(flux_), static_cast<off_t>(position_.octets)) != 0) {
        return echouer("cannot empty");
    }
    if (std::fseek(flux_, 0, SEEK_END) != 0) return echouer("cannot empty");
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
    if (std::fwrite(texte.data(), 1, texte.size(), flux_) != texte.size()) {
        return echouer("cannot write");
    }
    position_.octets += texte.size();
    position_.somme = prolonger(position_.somme, texte);
    return true;
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
