#include "Remplacement.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Says what failed on `chemin`, with errno's reason; always false.
bool echouer(std::string& erreur, const char* action, const std::string& chemin) {
    erreur = std::string(action) + " '" + chemin + "': " + std::strerror(errno);
    return false;
}

/// Removes the temporary file, keeping errno for the message; always false.
bool abandonner(const std::string& temporaire, std::string& erreur, const char* action,
                const std::string& chemin) {
    const int raison = errno;
    ::unlink(temporaire.c_str());
    errno = raison;
    return echouer(erreur, action, chemin);
}

// Whatever a crash left there goes first, then a file of our own is made: a link or a pipe in
// its place would send the file elsewhere.
int ouvrirTemporaire(const std::string& temporaire) {
    ::unlink(temporaire.c_str());
    return ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

bool ecrireTout(int fd, std::string_view octets) {
    while (!octets.empty()) {
        const ssize_t ecrits = ::write(fd, octets.data(), octets.size());
        if (ecrits < 0 && errno == EINTR) continue;
        if (ecrits < 0) return false;
        octets.remove_prefix(static_cast<std::size_t>(ecrits));
    }
    return true;
}

/// Closes `fd`, keeping the first failure's errno; whether everything went well.
bool fermer(int fd, bool reussi) {
    const int raison = errno;
    const bool ferme = ::close(fd) == 0;
    if (!reussi) errno = raison;
    return reussi && ferme;
}

} // namespace

std::string temporaireDe(const std::string& chemin) { return chemin + ".tmp"; }

bool essayerRemplacement(const std::string& chemin, std::string& erreur) {
    const std::string temporaire = temporaireDe(chemin);
    const int fd = ouvrirTemporaire(temporaire);
    if (fd < 0) return echouer(erreur, "cannot create a file beside", chemin);
    ::close(fd);
    ::unlink(temporaire.c_str());
    return true;
}

// The temporary file gets 0600 until it is whole: nobody reads it half-written.
bool remplacerFichier(const std::string& chemin, std::initializer_list<std::string_view> morceaux,
                      std::string& erreur) {
    const mode_t masque = ::umask(0);
    ::umask(masque);
    const std::string temporaire = temporaireDe(chemin);
    const int fd = ouvrirTemporaire(temporaire);
    if (fd < 0) return echouer(erreur, "cannot create a file beside", chemin);
    bool ecrit = ::fchmod(fd, 0666 & ~masque) == 0;
    for (const std::string_view morceau : morceaux)
        ecrit = ecrit && ecrireTout(fd, morceau);
    if (!fermer(fd, ecrit)) return abandonner(temporaire, erreur, "cannot write", chemin);
    return installerTemporaire(chemin, erreur);
}

// The data reach the disk before the name does: a crash after the rename finds them there.
bool installerTemporaire(const std::string& chemin, std::string& erreur) {
    const std::string temporaire = temporaireDe(chemin);
    const int fd = ::open(temporaire.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !fermer(fd, ::fsync(fd) == 0)) {
        return abandonner(temporaire, erreur, "cannot write", chemin);
    }
    if (::rename(temporaire.c_str(), chemin.c_str()) != 0) {
        return abandonner(temporaire, erreur, "cannot write", chemin);
    }
    const std::filesystem::path parent = std::filesystem::path(chemin).parent_path();
    const std::string dossier = parent.empty() ? "." : parent.string();
    const int fdDossier = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDossier >= 0 && fermer(fdDossier, ::fsync(fdDossier) == 0)) return true;
    return echouer(erreur, "cannot flush the folder of", chemin);
}
