#include "MorceauDeflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cassert>
#include <cstring>

namespace fiches::hdf5 {

void melanger(const unsigned char* donnees, std::size_t octets, std::size_t taille,
              unsigned char* sortie) {
    const std::size_t elements = taille > 0 ? octets / taille : 0;
    if (taille <= 1 || elements <= 1) {
        std::memcpy(sortie, donnees, octets);
        return;
    }
    // A few elements at a time, so that the rows read stay in the first-level cache while each
    // of their bytes goes to its own plane.
    constexpr std::size_t kBloc = 32;
    for (std::size_t debut = 0; debut < elements; debut += kBloc) {
        const std::size_t fin = std::min(elements, debut + kBloc);
        for (std::size_t octet = 0; octet < taille; ++octet) {
            unsigned char* plan = sortie + octet * elements;
            for (std::size_t e = debut; e < fin; ++e)
                plan[e] = donnees[e * taille + octet];
        }
    }
    const std::size_t reste = octets - elements * taille;
    std::memcpy(sortie + elements * taille, donnees + elements * taille, reste);
}

MorceauDeflate::MorceauDeflate(int niveau) : compresseur_(libdeflate_alloc_compressor(niveau)) {
    assert(compresseur_ && "a deflate level from 0 to 12, and memory for its tables");
}

MorceauDeflate::~MorceauDeflate() { libdeflate_free_compressor(compresseur_); }

// The deflate filter stores a zlib stream, header and checksum included.
std::vector<unsigned char> MorceauDeflate::compresser(const unsigned char* donnees,
                                                      std::size_t octets, std::size_t taille) {
    melange_.resize(octets);
    melanger(donnees, octets, taille, melange_.data());
    // Both buffers are kept from one chunk to the next: sized once, never cleared again.
    compresse_.resize(libdeflate_zlib_compress_bound(compresseur_, octets));
    const std::size_t ecrits = libdeflate_zlib_compress(compresseur_, melange_.data(), octets,
                                                        compresse_.data(), compresse_.size());
    assert(ecrits > 0 && "the bound libdeflate gives always holds the stream");
    return {compresse_.begin(), compresse_.begin() + static_cast<std::ptrdiff_t>(ecrits)};
}

} // namespace fiches::hdf5
