// The checkpoint reader facing arbitrary bytes: each input is read as a whole file, then again
// behind a header that vouches for it, so that mutations reach the contents past the checksum.
// Every input must be refused with a reason or loaded whole, the world restored from it too.
#include "Reprise.h"
#include "Sauvegarde.h"
#include "Scenario.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The magic, the version, the contents' length and their CRC-32, little-endian.
constexpr std::size_t kTailleEntete = 8 + 4 + 8 + 4;

void ajouterEntier(std::string& octets, std::uint64_t valeur, int taille) {
    for (int i = 0; i < taille; ++i)
        octets.push_back(static_cast<char>((valeur >> (8 * i)) & 0xff));
}

std::string avecEnteteValide(std::string_view fichier) {
    const std::string_view contenu = fichier.substr(kTailleEntete);
    std::string octets = "AQUACKPT";
    ajouterEntier(octets, kVersionReprise, 4);
    ajouterEntier(octets, contenu.size(), 8);
    const auto* debut = reinterpret_cast<const Bytef*>(contenu.data());
    ajouterEntier(octets, crc32_z(crc32_z(0, nullptr, 0), debut, contenu.size()), 4);
    return octets.append(contenu);
}

void lire(std::string_view octets) {
    PointDeReprise point;
    std::string erreur;
    if (!lireOctetsReprise(octets, point, erreur)) {
        if (erreur.empty()) std::abort();
        return;
    }
    if (restaurerMonde(point.monde, erreur)) {
        detruireMonde();
    } else if (erreur.empty()) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    lire(octets);
    if (taille >= kTailleEntete) lire(avecEnteteValide(octets));
    return 0;
}
