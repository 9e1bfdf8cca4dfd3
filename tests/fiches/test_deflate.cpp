// A chunk's stream as the writers store it, inflated again by zlib, as HDF5's deflate filter
// does: every way a plane can go, at the sizes where blocks split, the bytes shuffled as HDF5's
// shuffle filter has them.
#include "MorceauDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace {

using fiches::hdf5::MorceauDeflate;
using fiches::hdf5::Voie;

/// Byte k of element e.
using Octet = std::function<unsigned char(std::size_t e, std::size_t k, std::mt19937& hasard)>;

unsigned char bruit(std::size_t, std::size_t, std::mt19937& hasard) {
    return static_cast<unsigned char>(hasard());
}
unsigned char constant(std::size_t, std::size_t k, std::mt19937&) {
    return static_cast<unsigned char>(k == 0 ? 0 : 7 * k);
}
// Low bytes noise, high bytes a few values in runs: a record of floats and counters.
unsigned char melange(std::size_t e, std::size_t k, std::mt19937& hasard) {
    if (k % 4 < 2) return static_cast<unsigned char>(hasard());
    return static_cast<unsigned char>((e / 5) % 3 + (hasard() % 16 == 0));
}
// A 100-byte pattern over and over: matches far back, no runs.
unsigned char motif(std::size_t e, std::size_t k, std::mt19937&) {
    return static_cast<unsigned char>((e % 100) * 37 + k * 11 + (e % 100) * (e % 100));
}

struct Cas {
    const char* nom;
    std::size_t taille;
    std::size_t octets;
    Octet octet;
    /// The way of every plane, or of the odd ones, the even ones by codes.
    Voie voie;
    bool unSurDeux;
};

std::vector<unsigned char> rangees(const Cas& c) {
    std::mt19937 hasard(12345);
    std::vector<unsigned char> octets(c.octets);
    for (std::size_t i = 0; i < c.octets; ++i)
        octets[i] = c.octet(i / c.taille, i % c.taille, hasard);
    return octets;
}

std::vector<unsigned char> inflater(const std::vector<unsigned char>& stocke, std::size_t octets) {
    std::vector<unsigned char> sortie(octets + 1);
    uLongf lus = sortie.size();
    EXPECT_EQ(uncompress(sortie.data(), &lus, stocke.data(), stocke.size()), Z_OK);
    sortie.resize(lus);
    return sortie;
}

TEST(Deflate, ChaqueFluxSeRelitEnOctetsMelanges) {
    const Voie codes = Voie::codes, brut = Voie::brut, libdeflate = Voie::libdeflate;
    const Cas cas[] = {
        {"noise by codes, stored", 4, 4 * 8192, bruit, codes, false},
        {"noise given to libdeflate", 4, 4 * 8192, bruit, libdeflate, false},
        {"runs only", 8, 8 * 8192, constant, codes, false},
        {"runs given to libdeflate", 8, 8 * 8192, constant, libdeflate, false},
        {"runs after stored planes", 8, 8 * 8192, constant, brut, true},
        {"records, every other plane to libdeflate", 24, 24 * 8192, melange, libdeflate, true},
        {"records, every other plane stored", 24, 24 * 8192, melange, brut, true},
        {"far repeats in pieces of several blocks", 4, 4 * 30000, motif, libdeflate, false},
        {"far repeats, every other plane", 4, 4 * 30000, motif, libdeflate, true},
        {"a byte short of a stored block", 1, 65534, bruit, brut, false},
        {"exactly a stored block", 1, 65535, bruit, brut, false},
        {"a byte past a stored block", 1, 65536, bruit, codes, false},
        {"two stored blocks and a byte", 1, 2 * 65535 + 1, bruit, libdeflate, false},
        {"bytes past the last element", 3, 3 * 1001 + 2, melange, libdeflate, true},
        {"wide records, ragged on both sides", 40, 40 * 1003 + 7, melange, codes, true},
        {"fewer wide records than a window", 40, 40 * 9 + 3, melange, codes, false},
        {"one element, nothing to shuffle", 8, 8, bruit, libdeflate, false},
        {"one byte", 1, 1, constant, codes, false},
    };
    MorceauDeflate morceau(1);
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::vector<unsigned char> octets = rangees(c);
        std::vector<Voie> voies(c.taille, c.voie);
        for (std::size_t p = 0; c.unSurDeux && p < c.taille; p += 2)
            voies[p] = Voie::codes;
        const std::vector<unsigned char> stocke =
            morceau.compresser(octets.data(), octets.size(), c.taille, voies);
        std::vector<unsigned char> attendu(octets.size());
        fiches::hdf5::melanger(octets.data(), octets.size(), c.taille, attendu.data());
        const std::size_t elements = octets.size() / c.taille;
        for (std::size_t e = 0; elements > 1 && e < elements * c.taille; ++e) {
            ASSERT_EQ(attendu[e % c.taille * elements + e / c.taille], octets[e])
                << "byte " << e % c.taille << " of element " << e / c.taille << " shuffled";
        }
        const std::vector<unsigned char> relu = inflater(stocke, octets.size());
        ASSERT_EQ(relu.size(), attendu.size());
        const auto ecart = std::mismatch(relu.begin(), relu.end(), attendu.begin());
        EXPECT_TRUE(ecart.first == relu.end()) << "byte " << (ecart.first - relu.begin());
        // Stored at worst: a block and an aligning one for each piece, and the stream's six.
        EXPECT_LE(stocke.size(), octets.size() + 10 * (octets.size() / 8192 + c.taille + 1) + 6);
    }
}

// Libdeflate for what only its matches shrink, noise stored, runs by codes.
TEST(Deflate, ChaquePlanVaOuIlCouteLeMoins) {
    const auto plan = [](std::size_t e, std::size_t k, std::mt19937& hasard) -> unsigned char {
        if (k == 0) return bruit(e, k, hasard);
        if (k == 1) return constant(e, k, hasard);
        return motif(e, k, hasard);
    };
    const std::vector<unsigned char> octets = rangees({"", 3, 3 * 8192, plan, Voie::codes, false});
    MorceauDeflate morceau(1);
    EXPECT_EQ(morceau.choisirVoies(octets.data(), octets.size(), 3),
              (std::vector<Voie>{Voie::brut, Voie::codes, Voie::libdeflate}));
}

} // namespace
