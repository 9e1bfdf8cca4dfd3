#include "MorceauDeflate.h"

#include <hdf5.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <time.h>
#include <vector>

// Where deflate spends its time on the chunks of an HDF5 trace, plane by plane after the
// shuffle, and what the writers' way of storing them costs: run by hand, from the release
// build, on a trace of `aquarium-batch --state FILE --state-every 1`:
//   bench_morceaux FILE [FOLDER]
// Every chunk the writers' way is inflated again by zlib and compared (SANS_VERIFIER=1 skips
// that and libdeflate's whole chunks); PLANS=1 adds the table plane by plane; FOLDER, if given,
// receives twenty chunks' streams (.z) beside their shuffled bytes (.raw), for Python's
// zlib.decompress to check.

namespace {

// This thread's CPU time: the machine is shared, and the wall time counts the others' work.
struct Horloge {
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    }
};

double secondes(double debut) { return Horloge::now() - debut; }

/// A whole chunk, shuffled: planes of `parPlan` bytes, `plans` of them.
struct Morceau {
    std::string table;
    std::size_t plans = 0;
    std::size_t parPlan = 0;
    std::vector<unsigned char> octets;
};

std::vector<Morceau> lireMorceaux(const char* chemin) {
    std::vector<Morceau> morceaux;
    const hid_t fichier = H5Fopen(chemin, H5F_ACC_RDONLY, H5P_DEFAULT);
    hsize_t liens = 0;
    H5Gget_num_objs(fichier, &liens);
    libdeflate_decompressor* inflate = libdeflate_alloc_decompressor();
    for (hsize_t i = 0; i < liens; ++i) {
        char nom[64];
        H5Lget_name_by_idx(fichier, ".", H5_INDEX_NAME, H5_ITER_INC, i, nom, sizeof nom,
                           H5P_DEFAULT);
        const hid_t dataset = H5Dopen2(fichier, nom, H5P_DEFAULT);
        const hid_t type = H5Dget_type(dataset);
        const std::size_t taille = H5Tget_size(type);
        const hid_t creation = H5Dget_create_plist(dataset);
        hsize_t morceau[2] = {0, 1};
        const int rang = H5Pget_chunk(creation, 2, morceau);
        const hid_t espace = H5Dget_space(dataset);
        hsize_t dimensions[2] = {0, 1};
        H5Sget_simple_extent_dims(espace, dimensions, nullptr);
        const std::size_t octets = morceau[0] * (rang == 2 ? morceau[1] : 1) * taille;
        std::vector<unsigned char> stocke;
        for (hsize_t debut = 0; debut + morceau[0] <= dimensions[0]; debut += morceau[0]) {
            const hsize_t position[2] = {debut, 0};
            hsize_t brut = 0;
            H5Dget_chunk_storage_size(dataset, position, &brut);
            stocke.resize(brut);
            std::uint32_t masque = 0;
            H5Dread_chunk(dataset, H5P_DEFAULT, position, &masque, stocke.data());
            Morceau m{nom, taille, octets / taille, std::vector<unsigned char>(octets)};
            std::size_t lus = 0;
            if (libdeflate_zlib_decompress(inflate, stocke.data(), brut, m.octets.data(), octets,
                                           &lus) == LIBDEFLATE_SUCCESS &&
                lus == octets)
                morceaux.push_back(std::move(m));
        }
        H5Sclose(espace);
        H5Pclose(creation);
        H5Tclose(type);
        H5Dclose(dataset);
    }
    libdeflate_free_decompressor(inflate);
    H5Fclose(fichier);
    return morceaux;
}

/// Bits per byte of a plane's byte histogram.
double entropie(const unsigned char* plan, std::size_t n) {
    std::size_t compte[256] = {};
    for (std::size_t i = 0; i < n; ++i)
        ++compte[plan[i]];
    double h = 0;
    for (std::size_t c : compte) {
        if (c == 0) continue;
        const double p = static_cast<double>(c) / static_cast<double>(n);
        h -= p * std::log2(p);
    }
    return h;
}

struct Plan {
    std::size_t entree = 0, sortie = 0;
    double temps = 0, entropie = 0;
    std::size_t vus = 0;
    std::size_t zSortie[3] = {};
    double zTemps[3] = {};
};

/// One plane through zlib, raw, at level 1 with `strategie`.
std::size_t zlibPlan(const unsigned char* plan, std::size_t n, int strategie,
                     std::vector<unsigned char>& tampon) {
    z_stream z = {};
    deflateInit2(&z, 1, Z_DEFLATED, -15, 8, strategie);
    z.next_in = const_cast<unsigned char*>(plan);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = tampon.data();
    z.avail_out = static_cast<uInt>(tampon.size());
    deflate(&z, Z_FINISH);
    const std::size_t sortie = z.total_out;
    deflateEnd(&z);
    return sortie;
}

void ecrire(const std::string& chemin, const std::vector<unsigned char>& octets) {
    std::FILE* f = std::fopen(chemin.c_str(), "wb");
    std::fwrite(octets.data(), 1, octets.size(), f);
    std::fclose(f);
}

// Each plane on its own: libdeflate's level 1, then zlib's level 1, run-length and Huffman-only
// strategies, ratio and CPU seconds, and the plane's byte entropy.
void parPlan(const std::vector<Morceau>& morceaux, libdeflate_compressor* l1,
             std::vector<unsigned char>& tampon) {
    std::map<std::string, std::vector<Plan>> plans;
    for (const Morceau& m : morceaux) {
        std::vector<Plan>& t = plans[m.table];
        t.resize(m.plans);
        for (std::size_t p = 0; p < m.plans; ++p) {
            const unsigned char* plan = m.octets.data() + p * m.parPlan;
            const double debut = Horloge::now();
            t[p].sortie += libdeflate_deflate_compress(l1, plan, m.parPlan, tampon.data(),
                                                       tampon.size());
            t[p].temps += secondes(debut);
            t[p].entree += m.parPlan;
            t[p].entropie += entropie(plan, m.parPlan);
            const int strategies[3] = {Z_DEFAULT_STRATEGY, Z_RLE, Z_HUFFMAN_ONLY};
            for (int k = 0; k < 3; ++k) {
                const double d = Horloge::now();
                t[p].zSortie[k] += zlibPlan(plan, m.parPlan, strategies[k], tampon);
                t[p].zTemps[k] += secondes(d);
            }
            ++t[p].vus;
        }
    }
    for (const auto& [nom, t] : plans) {
        std::printf("%s: plane  MB-in  MB-out  ratio  s  entropy | zlib1 rle huff: ratio s\n",
                    nom.c_str());
        for (std::size_t p = 0; p < t.size(); ++p) {
            const double e = double(t[p].entree);
            std::printf("  %3zu %7.2f %7.2f %5.2f %6.3f %4.2f | %5.2f %6.3f %5.2f %6.3f %5.2f "
                        "%6.3f\n",
                        p, e / 1e6, t[p].sortie / 1e6, double(t[p].sortie) / e, t[p].temps,
                        t[p].entropie / double(t[p].vus), t[p].zSortie[0] / e, t[p].zTemps[0],
                        t[p].zSortie[1] / e, t[p].zTemps[1], t[p].zSortie[2] / e,
                        t[p].zTemps[2]);
        }
    }
}

// As the writers do: each table's ways weighed on one chunk in 64, every chunk compressed
// from its rows, and, unless `verifier` is false, inflated again by zlib and compared.
void commeLesEcrivains(const std::vector<Morceau>& morceaux, bool verifier, const char* dossier) {
    using fiches::hdf5::Voie;
    constexpr std::size_t kEtalon = 64;
    fiches::hdf5::MorceauDeflate morceau(1);
    std::map<std::string, std::size_t> vus;
    std::map<std::string, std::vector<Voie>> choix;
    std::size_t sortie = 0, faux = 0, parVoie[3] = {};
    double tempsChoix = 0, tempsCompression = 0;
    std::vector<unsigned char> rangees, relu;
    // TOUS=0, 1 or 2 writes every plane one way: codes, stored, libdeflate.
    const char* tous = std::getenv("TOUS");
    int ecrits = 0;
    for (const Morceau& m : morceaux) {
        rangees.resize(m.octets.size());
        for (std::size_t p = 0; p < m.plans; ++p)
            for (std::size_t e = 0; e < m.parPlan; ++e)
                rangees[e * m.plans + p] = m.octets[p * m.parPlan + e];
        double debut = Horloge::now();
        if (vus[m.table]++ % kEtalon == 0)
            choix[m.table] = morceau.choisirVoies(rangees.data(), rangees.size(), m.plans);
        tempsChoix += secondes(debut);
        const std::vector<Voie> voies =
            tous ? std::vector<Voie>(m.plans, static_cast<Voie>(std::atoi(tous))) : choix[m.table];
        debut = Horloge::now();
        const std::vector<unsigned char> z =
            morceau.compresser(rangees.data(), rangees.size(), m.plans, voies);
        tempsCompression += secondes(debut);
        sortie += z.size();
        for (std::size_t p = 0; p < voies.size(); ++p)
            parVoie[static_cast<int>(voies[p])] += m.parPlan;
        if (!verifier) continue;
        if (relu.size() < m.octets.size()) relu.resize(m.octets.size());
        uLongf lus = m.octets.size();
        if (uncompress(relu.data(), &lus, z.data(), z.size()) != Z_OK || lus != m.octets.size() ||
            std::memcmp(relu.data(), m.octets.data(), lus) != 0)
            ++faux;
        if (dossier != nullptr && ecrits < 20 && &m - morceaux.data() >= 100 * ecrits) {
            const std::string base = std::string(dossier) + "/" + std::to_string(ecrits++);
            ecrire(base + ".z", z);
            ecrire(base + ".raw", m.octets);
        }
    }
    for (const auto& [nom, c] : choix) {
        std::printf("%s: ways of the last chunk weighed (. codes, - stored, L libdeflate): ",
                    nom.c_str());
        for (const Voie v : c)
            std::printf("%c", ".-L"[static_cast<int>(v)]);
        std::printf("\n");
    }
    std::printf("by plane: %.1f MB in %.3f s, ways weighed in %.3f s; %zu streams wrong; MB by "
                "codes %.1f, stored %.1f, libdeflate %.1f\n",
                sortie / 1e6, tempsCompression, tempsChoix, faux, parVoie[0] / 1e6,
                parVoie[1] / 1e6, parVoie[2] / 1e6);
}

} // namespace

int main(int argc, char** argv) {
    // scripts/bench runs every benchmark with its own options: with no trace, nothing to time.
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "%s: no trace given (TRACE.h5 [FOLDER]), nothing timed\n", argv[0]);
        return 0;
    }
    const std::vector<Morceau> morceaux = lireMorceaux(argv[1]);
    std::size_t total = 0;
    for (const Morceau& m : morceaux)
        total += m.octets.size();
    std::printf("%zu chunks, %.1f MB\n", morceaux.size(), total / 1e6);

    libdeflate_compressor* l1 = libdeflate_alloc_compressor(1);
    std::vector<unsigned char> tampon(libdeflate_zlib_compress_bound(l1, 1 << 24));
    const bool verifier = std::getenv("SANS_VERIFIER") == nullptr;
    if (verifier) {
        std::size_t sortie = 0;
        const double debut = Horloge::now();
        for (const Morceau& m : morceaux)
            sortie += libdeflate_zlib_compress(l1, m.octets.data(), m.octets.size(),
                                               tampon.data(), tampon.size());
        std::printf("whole chunks, shuffled, libdeflate 1: %.1f MB in %.3f s\n", sortie / 1e6,
                    secondes(debut));
    }
    if (std::getenv("PLANS") != nullptr) parPlan(morceaux, l1, tampon);
    libdeflate_free_compressor(l1);
    commeLesEcrivains(morceaux, verifier, argc > 2 ? argv[2] : nullptr);
    return 0;
}
