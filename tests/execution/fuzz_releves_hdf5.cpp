// The HDF5 state trace's reader facing damaged files (LectureEntiere.h says what it must do with
// them). An input that starts as an HDF5 file does is the file itself; but HDF5 checksums its
// own structures, so that a byte changed at random is mostly refused by the library. Any other
// input is therefore a change made through the library to a real trace (AQUARIUM_FUZZ_TRACE),
// reaching this program's own checks on what it finds there:
//   byte 0: what is changed, any of 1 (the format attribute), 2 (the index's rows), 4 (a
//           table's type);
//   bytes 1-4: the format attribute, little-endian;
//   byte 5: the table whose type changes (the index, each table of rows, the genomes, in turn)
//           and, by its top bit, what it becomes: numbers, or records with only a tick;
//   the rest: the index's rows, as many as it holds whole, XORed onto the trace's own rows.
#include "Hdf5.h"
#include "LectureEntiere.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using namespace fiches::hdf5;

constexpr std::size_t kEntete = 6;

const std::string& traceReelle() {
    static const std::string octets = [] {
        const char* chemin = std::getenv("AQUARIUM_FUZZ_TRACE");
        std::ifstream f(chemin ? chemin : "", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }();
    return octets;
}

bool changerIndex(hid_t fichier, const std::uint8_t* donnees, std::size_t taille) {
    const Poignee dataset(H5Dopen2(fichier, kTicks, H5P_DEFAULT));
    const Poignee type = typeTick();
    const Poignee espace(H5Dget_space(dataset.get()));
    hsize_t avant = 0;
    H5Sget_simple_extent_dims(espace.get(), &avant, nullptr);
    const hsize_t apres = taille / sizeof(RangeeTick);
    std::vector<RangeeTick> rangees(std::max(avant, apres));
    if (!lireRangees(dataset.get(), type.get(), 0, avant, 0, rangees.data())) return false;
    rangees.resize(apres);
    auto* octets = reinterpret_cast<std::uint8_t*>(rangees.data());
    for (std::size_t i = 0; i < apres * sizeof(RangeeTick); ++i)
        octets[i] ^= donnees[i];
    if (H5Dset_extent(dataset.get(), &apres) < 0) return false;
    return apres == 0 ||
           H5Dwrite(dataset.get(), type.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, rangees.data()) >= 0;
}

bool changerType(hid_t fichier, std::uint8_t choix) {
    const std::vector<const fiches::Table*>& liste = fiches::tables();
    const std::size_t numero = (choix & 0x7f) % (liste.size() + 2);
    const char* nom = numero == 0 ? kTicks : numero <= liste.size() ? liste[numero - 1]->nom
                                                                     : kGenomes;
    hsize_t rangees = 0;
    {
        const Poignee dataset(H5Dopen2(fichier, nom, H5P_DEFAULT));
        const Poignee espace(H5Dget_space(dataset.get()));
        H5Sget_simple_extent_dims(espace.get(), &rangees, nullptr);
    }
    Poignee type(H5Tcopy(H5T_NATIVE_INT32));
    if (choix & 0x80) {
        type = Poignee(H5Tcreate(H5T_COMPOUND, sizeof(std::int32_t)));
        H5Tinsert(type.get(), "tick", 0, H5T_NATIVE_INT32);
    }
    const Poignee espace(H5Screate_simple(1, &rangees, nullptr));
    return H5Ldelete(fichier, nom, H5P_DEFAULT) >= 0 &&
           Poignee(H5Dcreate2(fichier, nom, type.get(), espace.get(), H5P_DEFAULT, H5P_DEFAULT,
                              H5P_DEFAULT));
}

// False when the library refuses the change: the input then says nothing of the reader.
bool changer(const std::uint8_t* donnees, std::size_t taille) {
    const std::string& reelle = traceReelle();
    if (reelle.empty()) return false;
    ecrireEssai(reelle.data(), reelle.size());
    const Poignee fichier(H5Fopen(cheminEssai().c_str(), H5F_ACC_RDWR, H5P_DEFAULT));
    if (!fichier) std::abort();
    std::int32_t format = 0;
    std::memcpy(&format, donnees + 1, sizeof format);
    const std::uint8_t quoi = donnees[0];
    const bool fait =
        (!(quoi & 1) || (H5Adelete(fichier.get(), "format") >= 0 &&
                         ecrireAttributNombre(fichier.get(), "format", H5T_NATIVE_INT32, format))) &&
        (!(quoi & 2) || changerIndex(fichier.get(), donnees + kEntete, taille - kEntete)) &&
        (!(quoi & 4) || changerType(fichier.get(), donnees[5]));
    H5Eclear2(H5E_DEFAULT);
    return fait;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    if (signeHdf5(donnees, taille)) {
        ecrireEssai(donnees, taille);
    } else if (taille < kEntete || !changer(donnees, taille)) {
        return -1;
    }
    lireEntiere();
    return 0;
}
