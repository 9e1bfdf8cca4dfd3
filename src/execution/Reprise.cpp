#include "Reprise.h"

#include "Octets.h"
#include "Remplacement.h"
#include "Sauvegarde.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <string_view>
#include <sys/stat.h>

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

bool ecrireReprise(const std::string& chemin, const OptionsMonde& options, int tick,
                   const Historique& historique, const std::vector<PositionSortie>& positions,
                   std::string& erreur) {
    std::string contenu;
    ecrireContenu(contenu, options, tick, historique, positions);
    std::string entete;
    ecrireEntete(entete, contenu);
    return remplacerFichier(chemin, {entete, contenu}, erreur);
}

// The temporary file, made and removed at once, proves that the folder takes new files, and
// takes away what a crash left there.
bool SortieReprise::ouvrir() {
    struct stat etat = {};
    if (::stat(chemin_.c_str(), &etat) == 0 && S_ISDIR(etat.st_mode)) {
        erreur_ = "cannot open '" + chemin_ + "': " + std::strerror(EISDIR);
        return false;
    }
    return essayerRemplacement(chemin_, erreur_);
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
