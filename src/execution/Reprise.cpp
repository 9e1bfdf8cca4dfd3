#include "Reprise.h"

#include "Octets.h"
#include "Sauvegarde.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file: these 8 bytes, then the version, the length and the CRC-32 of the contents, then
// the contents: the run's options, its tick and record, where its outputs stood, then the
// world's bytes to the end.
constexpr char kMagie[] = {'A', 'Q', 'U', 'A', 'C', 'K', 'P', 'T'};

// The options that a checkpoint keeps, in the table's order: a new one changes the file's
// layout. Each is written as its own type, the tank as its three sides.
template <typename Archive, typename Options> void archiverOptions(Archive& a, Options& options) {
    for (const DefinitionOption& d : optionsCommunes()) {
        if (!d.repris()) continue;
        std::visit(
            [&](auto champ) {
                if constexpr (std::is_same_v<decltype(champ), CuveMonde>) {
                    a(options.reglages.tailleX, options.reglages.tailleY, options.reglages.tailleZ);
                } else if constexpr (std::is_same_v<decltype(champ), int ReglagesMonde::*>) {
                    a(options.reglages.*champ);
                } else if constexpr (!std::is_same_v<decltype(champ),
                                                     std::string OptionsMonde::*>) {
                    a(options.*champ);
                }
            },
            d.champ);
    }
}

std::uint32_t crc(std::string_view octets) {
    const auto* debut = reinterpret_cast<const Bytef*>(octets.data());
    return static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), debut, octets.size()));
}

void ecrireTexte(ArchiveSortie& a, const std::string& texte) {
    a(static_cast<std::uint32_t>(texte.size()), cereal::binary_data(texte.data(), texte.size()));
}

// A length is believed only as far as the bytes left: a corrupt one must not make the reader
// allocate gigabytes.
std::uint32_t lireTaille(ArchiveEntree& a, const LectureOctets& source, std::size_t unite) {
    std::uint32_t taille = 0;
    a(taille);
    if (taille > source.restants() / unite) throw cereal::Exception("truncated");
    return taille;
}

void lireTexte(ArchiveEntree& a, const LectureOctets& source, std::string& texte) {
    texte.resize(lireTaille(a, source, 1));
    a(cereal::binary_data(texte.data(), texte.size()));
}

void ecrireContenu(std::string& contenu, const OptionsMonde& options, int tick, const Historique& h,
                   const std::vector<PositionSortie>& positions) {
    {
        EcritureOctets tampon(contenu);
        std::ostream flux(&tampon);
        ArchiveSortie a(flux, kOrdreOctets);
        archiverOptions(a, options);
        a(options.ticks, tick, h.populationMax, h.tickPopulationMax, h.premierTickMille);
        a(static_cast<std::uint32_t>(positions.size()));
        for (const PositionSortie& p : positions) {
            ecrireTexte(a, p.option);
            ecrireTexte(a, p.position);
        }
    }
    sauvegarderMonde(contenu);
}

void ecrireEntete(std::string& entete, std::string_view contenu) {
    entete.assign(kMagie, sizeof kMagie);
    EcritureOctets tampon(entete);
    std::ostream flux(&tampon);
    ArchiveSortie a(flux, kOrdreOctets);
    a(kVersionReprise, static_cast<std::uint64_t>(contenu.size()), crc(contenu));
}

void lireContenu(std::string_view contenu, PointDeReprise& point) {
    LectureOctets source(contenu);
    std::istream flux(&source);
    ArchiveEntree a(flux);
    archiverOptions(a, point.options);
    Historique& h = point.historique;
    a(point.options.ticks, point.tick, h.populationMax, h.tickPopulationMax, h.premierTickMille);
    // Each position takes two lengths at least.
    point.sorties.resize(lireTaille(a, source, 2 * sizeof(std::uint32_t)));
    for (PositionSortie& p : point.sorties) {
        lireTexte(a, source, p.option);
        lireTexte(a, source, p.position);
    }
    point.monde.assign(contenu.substr(contenu.size() - source.restants()));
}

// The contents once the header says they are whole and sound; false with the reason otherwise.
bool verifierEntete(std::string_view octets, std::string_view& contenu, std::string& erreur) {
    if (octets.substr(0, sizeof kMagie) != std::string_view(kMagie, sizeof kMagie)) {
        erreur = "not a checkpoint";
        return false;
    }
    LectureOctets source(octets.substr(sizeof kMagie));
    std::istream flux(&source);
    ArchiveEntree a(flux);
    std::uint32_t version = 0;
    a(version);
    if (version != kVersionReprise) {
        erreur = "a checkpoint of format version " + std::to_string(version) +
                 ", this program reads version " + std::to_string(kVersionReprise);
        return false;
    }
    std::uint64_t taille = 0;
    std::uint32_t somme = 0;
    a(taille, somme);
    if (source.restants() < taille) {
        erreur = "truncated: " + std::to_string(source.restants()) + " bytes of contents out of " +
                 std::to_string(taille);
        return false;
    }
    contenu = octets.substr(octets.size() - source.restants());
    if (contenu.size() > taille || crc(contenu) != somme) {
        erreur = "corrupt: its checksum does not match its contents";
        return false;
    }
    return true;
}

bool chargerFichier(const std::string& chemin, std::string& octets, std::string& erreur) {
    std::FILE* fichier = std::fopen(chemin.c_str(), "rb");
    if (fichier == nullptr) {
        erreur = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    char tampon[1 << 16];
    std::size_t lus = 0;
    while ((lus = std::fread(tampon, 1, sizeof tampon, fichier)) > 0)
        octets.append(tampon, lus);
    const bool lu = std::ferror(fichier) == 0;
    const int raison = errno;
    std::fclose(fichier);
    if (!lu) erreur = std::string("cannot read: ") + std::strerror(raison);
    return lu;
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

std::string dossierDe(const std::string& chemin) {
    const std::filesystem::path dossier = std::filesystem::path(chemin).parent_path();
    return dossier.empty() ? "." : dossier.string();
}

/// Says what failed on `chemin`, with errno's reason; always false.
bool echouer(std::string& erreur, const char* action, const std::string& chemin) {
    erreur = std::string(action) + " '" + chemin + "': " + std::strerror(errno);
    return false;
}

/// Where each save is written before it takes the checkpoint's name: always the same, so that
/// the file a crash left half-written is the one the next save overwrites.
std::string temporaireDe(const std::string& chemin) { return chemin + ".tmp"; }

// Whatever a crash left there goes first, then a file of our own is made: a link or a pipe in
// its place would send the checkpoint elsewhere.
int ouvrirTemporaire(const std::string& temporaire) {
    ::unlink(temporaire.c_str());
    return ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

} // namespace

bool lireReprise(const std::string& chemin, PointDeReprise& point, std::string& erreur) {
    std::string octets;
    return chargerFichier(chemin, octets, erreur) && lireOctetsReprise(octets, point, erreur);
}

bool lireOctetsReprise(std::string_view octets, PointDeReprise& point, std::string& erreur) {
    std::string_view contenu;
    try {
        if (!verifierEntete(octets, contenu, erreur)) return false;
        lireContenu(contenu, point);
    } catch (const cereal::Exception&) {
        erreur = "truncated";
        return false;
    }
    // No run saves tick 0, where every run starts afresh.
    if (point.tick > 0) return true;
    erreur = "corrupt: a checkpoint of tick 0";
    return false;
}

std::string contredireReprise(const OptionsMonde& ligne, const PointDeReprise& point,
                              OptionsMonde& effectives) {
    effectives = ligne;
    for (const DefinitionOption& d : optionsCommunes()) {
        if (!d.repris()) continue;
        if (ligne.donnee(d.nom) && !memeValeur(d, ligne, point.options)) {
            return std::string(d.nom) + " " + texteOption(d, ligne) +
                   " contradicts the checkpoint's " + texteOption(d, point.options);
        }
        copierValeur(d, effectives, point.options);
    }
    const std::string tick = std::to_string(point.tick);
    if (ligne.donnee("--ticks")) {
        if (ligne.ticks > point.tick) return {};
        return "--ticks " + std::to_string(ligne.ticks) +
               " does not go beyond the checkpoint's tick " + tick;
    }
    effectives.ticks = point.options.ticks;
    if (effectives.ticks > point.tick) return {};
    return "the checkpoint is at tick " + tick + ", the end of its run: give --ticks";
}

// Written whole to the temporary file and flushed to the disk, then renamed over the
// checkpoint, and the folder flushed in turn: the rename is what makes it the checkpoint, and
// it is atomic. The permissions follow the umask, as a plain new file's would: the temporary
// file gets 0600.
bool ecrireReprise(const std::string& chemin, const OptionsMonde& options, int tick,
                   const Historique& historique, const std::vector<PositionSortie>& positions,
                   std::string& erreur) {
    std::string contenu;
    ecrireContenu(contenu, options, tick, historique, positions);
    std::string entete;
    ecrireEntete(entete, contenu);
    const mode_t masque = ::umask(0);
    ::umask(masque);

    const std::string temporaire = temporaireDe(chemin);
    const int fd = ouvrirTemporaire(temporaire);
    if (fd < 0) return echouer(erreur, "cannot create a file beside", chemin);
    const bool ecrit = ::fchmod(fd, 0666 & ~masque) == 0 && ecrireTout(fd, entete) &&
                       ecrireTout(fd, contenu) && ::fsync(fd) == 0;
    int raison = errno;
    const bool ferme = ::close(fd) == 0;
    if (ecrit && !ferme) raison = errno;
    if (!ecrit || !ferme || ::rename(temporaire.c_str(), chemin.c_str()) != 0) {
        if (ecrit && ferme) raison = errno;
        ::unlink(temporaire.c_str());
        errno = raison;
        return echouer(erreur, "cannot write", chemin);
    }
    const int dossier = ::open(dossierDe(chemin).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synchronise = dossier >= 0 && ::fsync(dossier) == 0;
    raison = errno;
    if (dossier >= 0) ::close(dossier);
    errno = raison;
    return synchronise || echouer(erreur, "cannot flush the folder of", chemin);
}

// The temporary file, made and removed at once, proves that the folder takes new files, and
// takes away what a crash left there.
bool SortieReprise::ouvrir() {
    struct stat etat = {};
    if (::stat(chemin_.c_str(), &etat) == 0 && S_ISDIR(etat.st_mode)) {
        errno = EISDIR;
        return echouer(erreur_, "cannot open", chemin_);
    }
    const std::string temporaire = temporaireDe(chemin_);
    const int fd = ouvrirTemporaire(temporaire);
    if (fd < 0) return echouer(erreur_, "cannot create a file beside", chemin_);
    ::close(fd);
    ::unlink(temporaire.c_str());
    return true;
}

// Never tick 0: a fresh run starts there, and a checkpoint is where a resumed one starts.
bool SortieReprise::sauvegarde(const Instant& instant) const {
    return instant.tick > 0 &&
           (instant.dernier() || (periode_ > 0 && instant.tick % periode_ == 0));
}

bool SortieReprise::ecrire(const Instant& instant) {
    return !sauvegarde(instant) ||
           ecrireReprise(chemin_, options_, instant.tick, instant.historique, positions_, erreur_);
}
