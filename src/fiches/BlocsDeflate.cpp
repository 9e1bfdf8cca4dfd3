#include "BlocsDeflate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

namespace fiches::hdf5 {

namespace {

// The literal/length alphabet, the end of a block among it, and the code-length alphabet.
constexpr unsigned kSymboles = 286;
constexpr unsigned kFinBloc = 256;
constexpr unsigned kSymbolesLongueurs = 19;
constexpr std::size_t kRunMax = 258;
constexpr std::size_t kStockeMax = 65535;

// A run's length as its code: 257 + the index, then the extra bits above the base.
constexpr std::uint16_t kBases[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kExtras[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// The order in which a block's header gives the code lengths' own code.
constexpr std::uint8_t kOrdre[kSymbolesLongueurs] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

const std::array<std::uint8_t, kRunMax + 1>& indicesLongueurs() {
    static const std::array<std::uint8_t, kRunMax + 1> indices = [] {
        std::array<std::uint8_t, kRunMax + 1> t{};
        for (unsigned i = 0; i < 29; ++i) {
            const unsigned fin = i == 28 ? kRunMax + 1 : (i == 27 ? kRunMax : kBases[i + 1]);
            for (unsigned l = kBases[i]; l < fin; ++l)
                t[l] = static_cast<std::uint8_t>(i);
        }
        return t;
    }();
    return indices;
}

// Huffman code lengths of at most `maximum` bits; the frequencies are flattened until the
// tree is that shallow, which costs a little of the code's fit, only on skewed blocks.
void longueursHuffman(const std::uint32_t* frequences, unsigned n, unsigned maximum,
                      std::uint8_t* longueurs) {
    std::array<std::uint32_t, kSymboles> f{};
    std::copy(frequences, frequences + n, f.begin());
    // Weight above, symbol below: sorted as plain integers.
    std::array<std::uint64_t, kSymboles> feuilles{};
    std::array<std::uint64_t, 2 * kSymboles> poids{};
    std::array<unsigned, 2 * kSymboles> parent{}, profondeur{};
    for (;;) {
        std::fill(longueurs, longueurs + n, 0);
        std::size_t m = 0;
        for (unsigned s = 0; s < n; ++s) {
            if (f[s] > 0) feuilles[m++] = (static_cast<std::uint64_t>(f[s]) << 16) | s;
        }
        if (m == 0) return;
        if (m == 1) {
            longueurs[feuilles[0] & 0xffff] = 1;
            return;
        }
        std::sort(feuilles.begin(), feuilles.begin() + static_cast<std::ptrdiff_t>(m));
        for (std::size_t i = 0; i < m; ++i)
            poids[i] = feuilles[i] >> 16;
        // Leaves and new nodes both come in increasing weight: the two lightest are at the
        // head of one queue or the other.
        std::size_t feuille = 0, noeud = m;
        for (std::size_t cree = m; cree < 2 * m - 1; ++cree) {
            const auto prendre = [&] {
                if (feuille < m && (noeud >= cree || poids[feuille] <= poids[noeud]))
                    return feuille++;
                return noeud++;
            };
            const std::size_t a = prendre();
            const std::size_t b = prendre();
            poids[cree] = poids[a] + poids[b];
            parent[a] = parent[b] = static_cast<unsigned>(cree);
        }
        profondeur[2 * m - 2] = 0;
        unsigned plus = 0;
        for (std::size_t i = 2 * m - 2; i-- > 0;) {
            profondeur[i] = profondeur[parent[i]] + 1;
            if (i < m) plus = std::max(plus, profondeur[i]);
        }
        if (plus <= maximum) {
            for (std::size_t i = 0; i < m; ++i)
                longueurs[feuilles[i] & 0xffff] = static_cast<std::uint8_t>(profondeur[i]);
            return;
        }
        for (std::uint32_t& x : f)
            x = (x + 1) / 2;
    }
}

// Canonical codes, bit-reversed: deflate sends a code's first bit first, into the low bits.
void codesCanoniques(const std::uint8_t* longueurs, unsigned n, std::uint16_t* codes) {
    unsigned compte[16] = {};
    for (unsigned s = 0; s < n; ++s)
        ++compte[longueurs[s]];
    compte[0] = 0;
    unsigned suivant[16] = {};
    unsigned code = 0;
    for (unsigned b = 1; b < 16; ++b) {
        code = (code + compte[b - 1]) << 1;
        suivant[b] = code;
    }
    for (unsigned s = 0; s < n; ++s) {
        const unsigned l = longueurs[s];
        if (l == 0) continue;
        unsigned c = suivant[l]++, inverse = 0;
        for (unsigned b = 0; b < l; ++b, c >>= 1)
            inverse = (inverse << 1) | (c & 1);
        codes[s] = static_cast<std::uint16_t>(inverse);
    }
}

// A block's code lengths, literal/length then distance, as the header sends them: runs of a
// length repeated (16) or of zeros (17, 18), each with its extra bits.
struct Entete {
    std::array<std::uint8_t, kSymboles + 1> symboles{};
    std::array<std::uint8_t, kSymboles + 1> extras{};
    std::size_t nombre = 0;
    std::uint32_t frequences[kSymbolesLongueurs] = {};

    void emettre(unsigned symbole, unsigned extra) {
        symboles[nombre] = static_cast<std::uint8_t>(symbole);
        extras[nombre++] = static_cast<std::uint8_t>(extra);
        ++frequences[symbole];
    }
    void coder(const std::uint8_t* longueurs, std::size_t total) {
        for (std::size_t j = 0; j < total;) {
            const std::uint8_t v = longueurs[j];
            std::size_t r = 1;
            while (j + r < total && longueurs[j + r] == v)
                ++r;
            j += r;
            if (v == 0) {
                for (; r >= 11; r -= std::min<std::size_t>(r, 138))
                    emettre(18, static_cast<unsigned>(std::min<std::size_t>(r, 138) - 11));
                if (r >= 3) {
                    emettre(17, static_cast<unsigned>(r - 3));
                    r = 0;
                }
            } else {
                emettre(v, 0);
                for (--r; r >= 3; r -= std::min<std::size_t>(r, 6))
                    emettre(16, static_cast<unsigned>(std::min<std::size_t>(r, 6) - 3));
            }
            for (; r > 0; --r)
                emettre(v, 0);
        }
    }
};

// The fewest bits any code spends on these symbols, their entropy: a block whose bound
// already passes its stored size is stored without building its code.
double bitsAuMoins(const std::uint32_t* frequences, unsigned n) {
    static const std::array<double, 8193> xlog2x = [] {
        std::array<double, 8193> t{};
        for (std::size_t k = 1; k < t.size(); ++k)
            t[k] = static_cast<double>(k) * std::log2(static_cast<double>(k));
        return t;
    }();
    const auto f = [](std::uint32_t k) {
        return k < xlog2x.size() ? xlog2x[k] : k * std::log2(static_cast<double>(k));
    };
    std::uint64_t total = 0;
    double somme = 0;
    for (unsigned s = 0; s < n; ++s) {
        if (frequences[s] == 0) continue;
        total += frequences[s];
        somme += f(frequences[s]);
    }
    return static_cast<double>(total) * std::log2(static_cast<double>(total)) - somme;
}

constexpr bool kPetitBoutiste = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Eight bytes from `p`, the first in the low byte, whatever the machine's order.
std::uint64_t lire8(const unsigned char* p) {
    std::uint64_t v = 0;
    if (kPetitBoutiste) {
        std::memcpy(&v, p, 8);
        return v;
    }
    for (unsigned k = 0; k < 8; ++k)
        v |= static_cast<std::uint64_t>(p[k]) << (8 * k);
    return v;
}

// `v` at `p`, the lowest byte first.
void ecrire8(unsigned char* p, std::uint64_t v) {
    if (kPetitBoutiste) {
        std::memcpy(p, &v, 8);
        return;
    }
    for (unsigned k = 0; k < 8; ++k)
        p[k] = static_cast<unsigned char>(v >> (8 * k));
}

// The low four bytes of `v` at `p`, the lowest first.
void ecrire4(unsigned char* p, std::uint64_t v) {
    if (kPetitBoutiste) {
        const auto bas = static_cast<std::uint32_t>(v);
        std::memcpy(p, &bas, 4);
        return;
    }
    for (unsigned k = 0; k < 4; ++k)
        p[k] = static_cast<unsigned char>(v >> (8 * k));
}

// The bytes where `a` and `b` agree, as the high bit of each.
std::uint64_t egaux(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t k7f = 0x7f7f7f7f7f7f7f7fULL;
    const std::uint64_t d = a ^ b;
    return ~(((d & k7f) + k7f) | d | k7f);
}

// How many bytes from `debut`, up to `borne`, are `c`: eight at a time.
std::size_t longueurRun(const unsigned char* octets, std::size_t debut, std::size_t borne,
                        unsigned char c) {
    const std::uint64_t motif = 0x0101010101010101ULL * c;
    std::size_t fin = debut;
    for (; fin + 8 <= borne; fin += 8) {
        const std::uint64_t d = lire8(octets + fin) ^ motif;
        if (d != 0) return fin + static_cast<std::size_t>(__builtin_ctzll(d)) / 8 - debut;
    }
    while (fin < borne && octets[fin] == c)
        ++fin;
    return fin - debut;
}

// The block's tokens and their frequencies: a run of three bytes or more equal to the one
// before is a match one back, even from the previous block's last byte (`suite`), since one
// back is always in the window; the other bytes are literals. Eight bytes at a time tell
// where the next run may start; the bytes before it are literals, counted in four tables in
// turn so that a byte repeated does not wait for its own count.
std::uint16_t* jetonner(const unsigned char* octets, std::size_t n, bool suite,
                        std::uint16_t* jeton, std::uint32_t* frequences,
                        const std::uint8_t* indices) {
    std::uint32_t litteraux[4][256] = {};
    std::size_t i = 0;
    if (!suite) {
        *jeton++ = octets[0];
        ++litteraux[0][octets[i++]];
    }
    while (i < n) {
        if (i + 8 <= n) {
            const std::uint64_t memes = egaux(lire8(octets + i), lire8(octets + i - 1));
            // A run starts where three bytes in a row equal the ones before them.
            const std::uint64_t runs = memes & (memes >> 8) & (memes >> 16) & 0x0000808080808080ULL;
            const std::size_t libres =
                runs == 0 ? 6 : static_cast<std::size_t>(__builtin_ctzll(runs)) / 8;
            for (std::size_t k = 0; k < libres; ++k) {
                const unsigned char c = octets[i + k];
                jeton[k] = c;
                ++litteraux[k & 3][c];
            }
            jeton += libres;
            i += libres;
            if (runs == 0) continue;
        }
        const unsigned char c = octets[i];
        if (c == octets[i - 1]) {
            const std::size_t run = longueurRun(octets, i, std::min(n, i + kRunMax), c);
            if (run >= 3) {
                *jeton++ = static_cast<std::uint16_t>(256 + run);
                ++frequences[257 + indices[run]];
                i += run;
                continue;
            }
        }
        *jeton++ = c;
        ++litteraux[0][c];
        ++i;
    }
    for (unsigned c = 0; c < 256; ++c)
        frequences[c] += litteraux[0][c] + litteraux[1][c] + litteraux[2][c] + litteraux[3][c];
    return jeton;
}

constexpr unsigned bitsExtras(unsigned symboleLongueur) {
    return symboleLongueur == 16 ? 2 : symboleLongueur == 17 ? 3 : symboleLongueur == 18 ? 7 : 0;
}

} // namespace

void BlocsDeflate::commencer(unsigned char* sortie) {
    debut_ = sortie_ = sortie;
    tampon_ = 0;
    enTampon_ = 0;
}

std::size_t BlocsDeflate::borne(std::size_t n) {
    // Stored blocks, the bits of the previous block's end, and an empty last block for n = 0.
    // Eight more: the codes are written eight bytes at a time.
    return n + 5 * (n / kStockeMax + 1) + 16;
}

void BlocsDeflate::bits(std::uint32_t valeur, unsigned nombre) {
    tampon_ |= static_cast<std::uint64_t>(valeur) << enTampon_;
    enTampon_ += nombre;
    if (enTampon_ < 32) return;
    ecrire4(sortie_, tampon_);
    sortie_ += 4;
    tampon_ >>= 32;
    enTampon_ -= 32;
}

void BlocsDeflate::viderOctets() {
    for (; enTampon_ > 0; enTampon_ = enTampon_ > 8 ? enTampon_ - 8 : 0) {
        *sortie_++ = static_cast<unsigned char>(tampon_);
        tampon_ >>= 8;
    }
    tampon_ = 0;
}

// A stream's last block is there even with nothing to hold.
void BlocsDeflate::stocker(const unsigned char* octets, std::size_t n, bool dernier) {
    std::size_t fait = 0;
    do {
        const std::size_t morceau = std::min(n - fait, kStockeMax);
        const bool fin = dernier && fait + morceau == n;
        if (morceau == 0 && !fin) return;
        bits(fin ? 1 : 0, 3);
        viderOctets();
        const auto longueur = static_cast<std::uint16_t>(morceau);
        const auto complement = static_cast<std::uint16_t>(~longueur);
        const unsigned char entete[4] = {
            static_cast<unsigned char>(longueur), static_cast<unsigned char>(longueur >> 8),
            static_cast<unsigned char>(complement), static_cast<unsigned char>(complement >> 8)};
        std::memcpy(sortie_, entete, 4);
        if (morceau > 0) std::memcpy(sortie_ + 4, octets + fait, morceau);
        sortie_ += 4 + morceau;
        fait += morceau;
    } while (fait < n);
}

void BlocsDeflate::aligner() {
    if (enTampon_ == 0) return;
    // An empty stored block, not the last: its header pads the byte.
    bits(0, 3);
    viderOctets();
    const unsigned char vide[4] = {0x00, 0x00, 0xff, 0xff};
    std::memcpy(sortie_, vide, 4);
    sortie_ += 4;
}

namespace {

// Reads a block's bits in the order they were sent, the low bits of each byte first.
struct LecteurBits {
    const unsigned char* octets;
    std::size_t taille;
    std::size_t position = 0;
    bool deborde = false;

    unsigned bit() {
        if (position >= 8 * taille) {
            deborde = true;
            return 0;
        }
        const unsigned b = (octets[position / 8] >> (position % 8)) & 1u;
        ++position;
        return b;
    }
    unsigned bits(unsigned nombre) {
        unsigned v = 0;
        for (unsigned k = 0; k < nombre; ++k)
            v |= bit() << k;
        return v;
    }
};

// A canonical code's decoder: its symbols by length then by value, as the codes go.
struct Decodeur {
    std::uint16_t compte[16] = {};
    std::uint16_t symboles[kSymbolesLongueurs] = {};

    Decodeur(const std::uint8_t* longueurs, unsigned n) {
        for (unsigned s = 0; s < n; ++s)
            ++compte[longueurs[s]];
        std::uint16_t debut[16] = {};
        for (unsigned l = 1; l < 16; ++l)
            debut[l] = static_cast<std::uint16_t>(debut[l - 1] + (l > 1 ? compte[l - 1] : 0));
        for (unsigned s = 0; s < n; ++s) {
            if (longueurs[s] > 0) symboles[debut[longueurs[s]]++] = static_cast<std::uint16_t>(s);
        }
    }
    // The codes of each length follow those of the shorter ones: a code is the first of its
    // length plus its rank among them.
    int decoder(LecteurBits& lecteur) const {
        int code = 0, premier = 0, rang = 0;
        for (unsigned l = 1; l < 16; ++l) {
            code |= static_cast<int>(lecteur.bit());
            const int nombre = compte[l];
            if (code - premier < nombre) return symboles[rang + code - premier];
            rang += nombre;
            premier = (premier + nombre) << 1;
            code <<= 1;
        }
        return -1;
    }
};

// The code (not reversed) of the end of a dynamic block whose header starts at bit 3 of
// `octets`; 0 if the header cannot be read.
unsigned finDeBloc(const unsigned char* octets, std::size_t n) {
    LecteurBits lecteur{octets, n, 3};
    const unsigned hlit = lecteur.bits(5) + 257;
    const unsigned hdist = lecteur.bits(5) + 1;
    const unsigned hclen = lecteur.bits(4) + 4;
    std::uint8_t longueursEntete[kSymbolesLongueurs] = {};
    for (unsigned k = 0; k < hclen; ++k)
        longueursEntete[kOrdre[k]] = static_cast<std::uint8_t>(lecteur.bits(3));
    const Decodeur entete(longueursEntete, kSymbolesLongueurs);
    std::uint8_t longueurs[kSymboles + 32] = {};
    for (unsigned i = 0; i < hlit + hdist && !lecteur.deborde;) {
        const int s = entete.decoder(lecteur);
        if (s < 0 || (s == 16 && i == 0)) return 0;
        unsigned fois = 1, valeur = static_cast<unsigned>(s);
        if (s == 16) {
            fois = 3 + lecteur.bits(2);
            valeur = i <= hlit ? longueurs[i - 1] : 0;
        } else if (s == 17) {
            fois = 3 + lecteur.bits(3);
            valeur = 0;
        } else if (s == 18) {
            fois = 11 + lecteur.bits(7);
            valeur = 0;
        }
        // Only the literal/length codes matter: the distances' lengths are read past.
        for (; fois > 0 && i < hlit + hdist; --fois, ++i) {
            if (i < hlit) longueurs[i] = static_cast<std::uint8_t>(valeur);
        }
    }
    if (lecteur.deborde || hlit > kSymboles || longueurs[kFinBloc] == 0) return 0;
    // Canonical: the first code of its length, plus the symbols of that length before it.
    const unsigned l = longueurs[kFinBloc];
    unsigned compte[16] = {};
    for (unsigned s = 0; s < hlit; ++s)
        ++compte[longueurs[s]];
    unsigned code = 0;
    for (unsigned b = 1; b <= l; ++b)
        code = (code + (b > 1 ? compte[b - 1] : 0)) << 1;
    for (unsigned s = 0; s < kFinBloc; ++s)
        code += longueurs[s] == l;
    return code;
}

} // namespace

// The end of the block is the end-of-block code's last bit set plus the zeros after it in the
// code: what follows up to the byte's end is libdeflate's padding, zeros.
bool BlocsDeflate::raccorder(std::size_t n, bool dernier) {
    if (n == 0 || enTampon_ != 0) return false;
    unsigned char* bloc = sortie_;
    if (dernier) {
        sortie_ += n;
        return true;
    }
    // The first block is the last: it is the only one.
    if ((bloc[0] & 1) == 0) return false;
    const unsigned type = (bloc[0] >> 1) & 3;
    std::size_t fin = 8 * n;
    if (type == 2) {
        const unsigned code = finDeBloc(bloc, n);
        if (code == 0) return false;
        std::size_t dernierOctet = n;
        while (dernierOctet > 0 && bloc[dernierOctet - 1] == 0)
            --dernierOctet;
        if (dernierOctet == 0) return false;
        const unsigned octet = bloc[dernierOctet - 1];
        const std::size_t dernierUn =
            8 * (dernierOctet - 1) + static_cast<std::size_t>(31 - __builtin_clz(octet));
        fin = dernierUn + 1 + static_cast<std::size_t>(__builtin_ctz(code));
        if (fin > 8 * n || fin <= 8 * (n - 1)) return false;
    } else if (type != 0) {
        // Fixed codes end a block with seven zeros.
        return false;
    }
    bloc[0] &= 0xfe;
    sortie_ += fin / 8;
    enTampon_ = static_cast<unsigned>(fin % 8);
    tampon_ = enTampon_ > 0 ? (*sortie_ & ((1u << enTampon_) - 1)) : 0;
    return true;
}

void BlocsDeflate::ajouter(const unsigned char* octets, std::size_t n, bool suite, bool dernier) {
    if (n == 0) {
        stocker(octets, 0, dernier);
        return;
    }
    const auto& indices = indicesLongueurs();
    std::uint32_t frequences[kSymboles] = {};
    // Grown, never shrunk nor cleared: every token is written before it is read.
    if (capaciteJetons_ < n) {
        jetons_.reset(new std::uint16_t[n]);
        capaciteJetons_ = n;
    }
    const std::uint16_t* const finJetons =
        jetonner(octets, n, suite, jetons_.get(), frequences, indices.data());
    ++frequences[kFinBloc];
    const std::uint64_t stocke = 8 * (n + 5 * (n / kStockeMax + 1)) + 8;
    if (bitsAuMoins(frequences, kSymboles) >= static_cast<double>(stocke)) {
        stocker(octets, n, dernier);
        return;
    }

    std::uint8_t longueurs[kSymboles + 1] = {};
    longueursHuffman(frequences, kSymboles, 15, longueurs);
    unsigned hlit = kSymboles;
    while (hlit > 257 && longueurs[hlit - 1] == 0)
        --hlit;
    // One distance, one back, of a one-bit code: a code of a single length-1 symbol is valid.
    longueurs[hlit] = 1;
    Entete entete;
    entete.coder(longueurs, hlit + 1);
    std::uint8_t longueursEntete[kSymbolesLongueurs] = {};
    longueursHuffman(entete.frequences, kSymbolesLongueurs, 7, longueursEntete);
    unsigned hclen = kSymbolesLongueurs;
    while (hclen > 4 && longueursEntete[kOrdre[hclen - 1]] == 0)
        --hclen;

    // Weighed against storing the bytes, block headers included, before anything is written.
    std::uint64_t cout = 3 + 5 + 5 + 4 + 3 * hclen;
    for (std::size_t k = 0; k < entete.nombre; ++k)
        cout += longueursEntete[entete.symboles[k]] + bitsExtras(entete.symboles[k]);
    for (unsigned s = 0; s < hlit; ++s) {
        const unsigned extra = s > kFinBloc ? kExtras[s - 257] + 1u : 0u;
        cout += static_cast<std::uint64_t>(frequences[s]) * (longueurs[s] + extra);
    }
    if (cout >= stocke) {
        stocker(octets, n, dernier);
        return;
    }

    std::uint16_t codes[kSymboles] = {};
    codesCanoniques(longueurs, hlit, codes);
    std::uint16_t codesEntete[kSymbolesLongueurs] = {};
    codesCanoniques(longueursEntete, kSymbolesLongueurs, codesEntete);
    bits(dernier ? 1 : 0, 1);
    bits(2, 2);
    bits(hlit - 257, 5);
    bits(0, 5);
    bits(hclen - 4, 4);
    for (unsigned k = 0; k < hclen; ++k)
        bits(longueursEntete[kOrdre[k]], 3);
    for (std::size_t k = 0; k < entete.nombre; ++k) {
        const unsigned s = entete.symboles[k];
        bits(codesEntete[s], longueursEntete[s]);
        bits(entete.extras[k], bitsExtras(s));
    }
    // The bit buffer in locals while the tokens go: written through a byte pointer, members
    // would be reloaded at every code.
    std::uint64_t tampon = tampon_;
    unsigned enTampon = enTampon_;
    unsigned char* sortie = sortie_;
    // Eight bytes stored after every token, whole ones kept: no branch on the buffer's fill.
    const auto ecrire64 = [&](std::uint64_t valeur, unsigned nombre) {
        tampon |= valeur << enTampon;
        enTampon += nombre;
        ecrire8(sortie, tampon);
        const unsigned pleins = enTampon >> 3;
        sortie += pleins;
        tampon = pleins == 0 ? tampon : tampon >> (8 * pleins);
        enTampon &= 7;
    };
    // Every token's bits and their number (above bit 24), by the token: a literal's code, or
    // a run's length code, its extra bits, then distance code 0 (one back) in one bit.
    std::uint32_t paquets[256 + kRunMax + 1];
    for (unsigned c = 0; c < 256; ++c)
        paquets[c] = codes[c] | static_cast<std::uint32_t>(longueurs[c]) << 24;
    for (unsigned longueur = 3; longueur <= kRunMax; ++longueur) {
        const unsigned i = indices[longueur];
        const unsigned l = longueurs[257 + i];
        paquets[256 + longueur] = (codes[257 + i] | (longueur - kBases[i]) << l) |
                                  static_cast<std::uint32_t>(l + kExtras[i] + 1) << 24;
    }
    // Two tokens at a time, 42 bits at most, joined before they go into the buffer: half as
    // many steps through the buffer's fill, which each wait for the one before.
    // The header's whole bytes out first: fewer than 8 bits wait, and 42 more fit.
    ecrire64(0, 0);
    const std::uint16_t* j = jetons_.get();
    for (; j + 1 < finJetons; j += 2) {
        const std::uint32_t a = paquets[j[0]], b = paquets[j[1]];
        const unsigned na = a >> 24;
        ecrire64((a & 0xffffff) | static_cast<std::uint64_t>(b & 0xffffff) << na, na + (b >> 24));
    }
    if (j < finJetons) ecrire64(paquets[*j] & 0xffffff, paquets[*j] >> 24);
    tampon_ = tampon;
    enTampon_ = enTampon;
    sortie_ = sortie;
    bits(codes[kFinBloc], longueurs[kFinBloc]);
    if (dernier) viderOctets();
}

} // namespace fiches::hdf5
