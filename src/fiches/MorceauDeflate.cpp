#include "MorceauDeflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace fiches::hdf5 {

namespace {

// Elements of four bytes (the genes): a loop of known width, which the compiler turns into
// vector shuffles.
void melangerQuatre(const unsigned char* donnees, std::size_t elements, unsigned char* sortie) {
    for (std::size_t e = 0; e < elements; ++e) {
        for (std::size_t octet = 0; octet < 4; ++octet)
            sortie[octet * elements + e] = donnees[e * 4 + octet];
    }
}

// Registers interleaved two by two, the low halves of each pair first, then the high halves.
template <typename Bas, typename Haut> void entrelacer(__m128i a[16], Bas bas, Haut haut) {
    __m128i b[16];
    for (int i = 0; i < 8; ++i) {
        b[i] = bas(a[2 * i], a[2 * i + 1]);
        b[i + 8] = haut(a[2 * i], a[2 * i + 1]);
    }
    std::copy(b, b + 16, a);
}

// Sixteen rows of sixteen bytes transposed by four interleavings, of bytes, pairs, fours and
// eights: register k then holds byte kInverses[k] of every row, in order.
void transposer16(__m128i a[16]) {
    entrelacer(
        a, [](__m128i x, __m128i y) { return _mm_unpacklo_epi8(x, y); },
        [](__m128i x, __m128i y) { return _mm_unpackhi_epi8(x, y); });
    entrelacer(
        a, [](__m128i x, __m128i y) { return _mm_unpacklo_epi16(x, y); },
        [](__m128i x, __m128i y) { return _mm_unpackhi_epi16(x, y); });
    entrelacer(
        a, [](__m128i x, __m128i y) { return _mm_unpacklo_epi32(x, y); },
        [](__m128i x, __m128i y) { return _mm_unpackhi_epi32(x, y); });
    entrelacer(
        a, [](__m128i x, __m128i y) { return _mm_unpacklo_epi64(x, y); },
        [](__m128i x, __m128i y) { return _mm_unpackhi_epi64(x, y); });
}

// Byte k's register after the transposition: k's four bits reversed.
constexpr int kInverses[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};

// Sixteen bytes of sixteen elements transposed at once. Where the sizes are not multiples of
// sixteen, the last elements' or bytes' window overlaps the one before, whose bytes it writes
// again alike.
void melangerLarges(const unsigned char* donnees, std::size_t elements, std::size_t taille,
                    unsigned char* sortie) {
    for (std::size_t suivant = 0; suivant < elements; suivant += 16) {
        const std::size_t debut = std::min(suivant, elements - 16);
        for (std::size_t suivante = 0; suivante < taille; suivante += 16) {
            const std::size_t colonne = std::min(suivante, taille - 16);
            __m128i a[16];
            for (std::size_t r = 0; r < 16; ++r) {
                a[r] = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(donnees + (debut + r) * taille + colonne));
            }
            transposer16(a);
            for (std::size_t k = 0; k < 16; ++k) {
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(sortie + (colonne + k) * elements + debut),
                    a[kInverses[k]]);
            }
        }
    }
}

} // namespace

void melanger(const unsigned char* donnees, std::size_t octets, std::size_t taille,
              unsigned char* sortie) {
    const std::size_t elements = taille > 0 ? octets / taille : 0;
    if (taille <= 1 || elements <= 1) {
        std::memcpy(sortie, donnees, octets);
        return;
    }
    if (taille == 4) {
        melangerQuatre(donnees, elements, sortie);
    } else if (taille >= 16 && elements >= 16) {
        melangerLarges(donnees, elements, taille, sortie);
    } else {
        // A few elements at a time, so that the rows read stay in the first-level cache while
        // each of their bytes goes to its own plane.
        constexpr std::size_t kBloc = 32;
        for (std::size_t debut = 0; debut < elements; debut += kBloc) {
            const std::size_t fin = std::min(elements, debut + kBloc);
            for (std::size_t octet = 0; octet < taille; ++octet) {
                unsigned char* plan = sortie + octet * elements;
                for (std::size_t e = debut; e < fin; ++e)
                    plan[e] = donnees[e * taille + octet];
            }
        }
    }
    const std::size_t reste = octets - elements * taille;
    std::memcpy(sortie + elements * taille, donnees + elements * taille, reste);
}

MorceauDeflate::MorceauDeflate(int niveau) : compresseur_(libdeflate_alloc_compressor(niveau)) {
    assert(compresseur_ && "a deflate level from 0 to 12, and memory for its tables");
}

MorceauDeflate::~MorceauDeflate() { libdeflate_free_compressor(compresseur_); }

namespace {

// What a byte through libdeflate costs beside one more byte in the file: for its time, it
// must save more than this part of what it reads. Over seed 1's trace to tick 8,750, an eighth
// gave 147 MB, a quarter 155 MB with 40% fewer bytes through libdeflate, a half 170 MB.
constexpr double kPrixLibdeflate = 1.0 / 4;
// A plane that runs and codes shrink by less than this part is stored as it is: what their
// time on it saves is a percent of the file.
constexpr double kGainMinimal = 1.0 / 8;
// A piece of a plane given to libdeflate: small enough for one block, whose end is then told.
constexpr std::size_t kPiece = 8192;

// The shuffled chunk's planes: one of every byte when the shuffle moves anything.
struct Plans {
    std::size_t nombre;
    std::size_t octets;
    Plans(std::size_t total, std::size_t taille) {
        const std::size_t elements = taille > 0 ? total / taille : 0;
        const bool melange = taille > 1 && elements > 1;
        nombre = melange ? taille : 1;
        octets = melange ? elements : total;
    }
};

} // namespace

unsigned char* MorceauDeflate::Tampon::auMoins(std::size_t octets) {
    if (octets > capacite_) {
        octets_.reset(new unsigned char[octets]);
        capacite_ = octets;
    }
    return octets_.get();
}

const unsigned char* MorceauDeflate::melanger(const unsigned char* donnees, std::size_t octets,
                                              std::size_t taille) {
    unsigned char* melange = melange_.auMoins(octets);
    hdf5::melanger(donnees, octets, taille, melange);
    return melange;
}

bool MorceauDeflate::deflater(const unsigned char* octets, std::size_t n, bool dernier) {
    blocs_.aligner();
    const BlocsDeflate::Marque avant = blocs_.marque();
    for (std::size_t fait = 0; fait < n;) {
        const std::size_t piece = std::min(kPiece, n - fait);
        const bool fin = dernier && fait + piece == n;
        if (fait > 0) blocs_.aligner();
        const std::size_t ecrits =
            libdeflate_deflate_compress(compresseur_, octets + fait, piece, blocs_.position(),
                                        libdeflate_deflate_compress_bound(compresseur_, piece));
        if (!blocs_.raccorder(ecrits, fin)) {
            blocs_.revenir(avant);
            return false;
        }
        fait += piece;
    }
    return true;
}

// The deflate filter stores a zlib stream: its header, the blocks, then the Adler-32 of the
// bytes they hold.
std::vector<unsigned char> MorceauDeflate::compresser(const unsigned char* donnees,
                                                      std::size_t octets, std::size_t taille,
                                                      const std::vector<Voie>& voies) {
    const unsigned char* melange = melanger(donnees, octets, taille);
    const Plans plans(octets, taille);
    const std::size_t reste = octets - plans.nombre * plans.octets;
    // Each plane's bound, whichever way it goes, each piece aligned first.
    const std::size_t pieces = plans.octets / kPiece + 1;
    const std::size_t parPlan =
        std::max(BlocsDeflate::borne(plans.octets),
                 pieces * (libdeflate_deflate_compress_bound(compresseur_, kPiece) +
                           BlocsDeflate::borne(0)));
    unsigned char* sortie = compresse_.auMoins(2 + plans.nombre * parPlan +
                                               BlocsDeflate::borne(reste) + 4);
    sortie[0] = 0x78;
    sortie[1] = 0x01;
    blocs_.commencer(sortie + 2);
    // Planes by codes in a row share a block while at most one of them is not one byte over
    // and over: such a plane adds a couple of codes to the block's, where a block of its own
    // would cost its code's making and its header.
    const unsigned char* attente = melange;
    std::size_t enAttente = 0;
    bool varie = false;
    const auto vider = [&](bool dernier) {
        if (enAttente > 0 || dernier) blocs_.ajouter(attente, enAttente, attente > melange, dernier);
        enAttente = 0;
        varie = false;
    };
    for (std::size_t p = 0; p < plans.nombre; ++p) {
        const unsigned char* plan = melange + p * plans.octets;
        const bool dernier = reste == 0 && p + 1 == plans.nombre;
        const Voie voie = p < voies.size() ? voies[p] : Voie::codes;
        if (voie == Voie::codes) {
            const bool constant =
                plans.octets <= 1 || std::memcmp(plan, plan + 1, plans.octets - 1) == 0;
            if (varie && !constant) vider(false);
            if (enAttente == 0) attente = plan;
            enAttente += plans.octets;
            varie = varie || !constant;
            if (dernier) vider(true);
            continue;
        }
        vider(false);
        if (voie == Voie::brut) {
            blocs_.stocker(plan, plans.octets, dernier);
        } else if (!deflater(plan, plans.octets, dernier)) {
            blocs_.ajouter(plan, plans.octets, p > 0, dernier);
        }
    }
    // The bytes past the last whole element, if any, and the stream's last block.
    if (reste > 0 || plans.nombre == 0) {
        if (enAttente == 0) attente = melange + octets - reste;
        enAttente += reste;
        vider(true);
    }
    std::size_t ecrits = 2 + blocs_.ecrits();
    const std::uint32_t adler = libdeflate_adler32(1, melange, octets);
    for (int decalage = 24; decalage >= 0; decalage -= 8)
        sortie[ecrits++] = static_cast<unsigned char>(adler >> decalage);
    return {sortie, sortie + ecrits};
}

std::vector<Voie> MorceauDeflate::choisirVoies(const unsigned char* donnees, std::size_t octets,
                                               std::size_t taille) {
    const unsigned char* melange = melanger(donnees, octets, taille);
    const Plans plans(octets, taille);
    const std::size_t borne =
        std::max(BlocsDeflate::borne(plans.octets),
                 libdeflate_deflate_compress_bound(compresseur_, plans.octets));
    unsigned char* essai = compresse_.auMoins(borne);
    std::vector<Voie> voies(plans.nombre);
    for (std::size_t p = 0; p < plans.nombre; ++p) {
        const unsigned char* plan = melange + p * plans.octets;
        blocs_.commencer(essai);
        blocs_.ajouter(plan, plans.octets, p > 0, true);
        const auto nous = static_cast<double>(blocs_.ecrits());
        double lui = kPrixLibdeflate * static_cast<double>(plans.octets);
        for (std::size_t fait = 0; fait < plans.octets; fait += kPiece) {
            const std::size_t piece = std::min(kPiece, plans.octets - fait);
            lui += static_cast<double>(libdeflate_deflate_compress(compresseur_, plan + fait, piece,
                                                                   essai, borne));
        }
        const auto brut = static_cast<double>(plans.octets);
        voies[p] = lui < nous                          ? Voie::libdeflate
                   : nous >= brut * (1 - kGainMinimal) ? Voie::brut
                                                       : Voie::codes;
    }
    return voies;
}

} // namespace fiches::hdf5
