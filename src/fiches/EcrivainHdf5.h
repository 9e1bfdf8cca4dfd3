#pragma once

#include "Hdf5.h"
#include "MorceauDeflate.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fiches::hdf5 {

/// The deflate level of every table. Level 4 saved a tenth of the size for a quarter more time
/// with a dump every tick.
inline constexpr int kNiveauDeflate = 1;

/// One table of the trace: an extendible, chunked, compressed dataset whose rows wait in
/// memory until a chunk's worth is there, or the file is pushed.
struct TableHdf5 {
    const char* nom = nullptr;
    hid_t dataset = -1;
    Poignee type;
    /// Values per row of a two-dimensional table (the genomes); 0 for a table of records.
    hsize_t largeur = 0;
    std::size_t tailleRangee = 0;
    /// Rows in a chunk of the file.
    hsize_t parMorceau = 0;
    std::uint64_t ecrites = 0;
    std::vector<unsigned char> attente;
    /// The size of the dataset's type, by which the shuffle filter moves bytes.
    std::size_t tailleElement = 0;
    /// Whole chunks are shuffled and deflated by the writers and stored as they are: true for
    /// a table whose filters are those, at this chunk size.
    bool direct = false;
    /// How the planes of this table's chunks are written (MorceauDeflate); weighed again
    /// every few chunks.
    std::vector<Voie> voies = {};
    /// Whole chunks handed to the writers.
    std::uint64_t morceauxConfies = 0;

    std::uint64_t rangees() const { return ecrites + attente.size() / tailleRangee; }
    void ajouter(const void* rangees, std::size_t octets) {
        const auto* debut = static_cast<const unsigned char*>(rangees);
        attente.insert(attente.end(), debut, debut + octets);
    }
    /// Writes rows [premiere, premiere + nombre) from `rangees`, the dataset grown to them.
    bool ecrire(hsize_t premiere, hsize_t nombre, const unsigned char* rangees) const;
    /// Stores the chunk that starts at row `premiere`, `stocke` being its bytes through every
    /// filter of the dataset, the dataset grown to it.
    bool ecrireMorceau(hsize_t premiere, const std::vector<unsigned char>& stocke) const;
};

/// Whether the dataset's filters are the shuffle then deflate, its chunks `parMorceau` rows:
/// what the writers store directly. A trace taken up may come from a build that filtered its
/// tables otherwise (the genes were once packed by scale and offset).
bool filtresDirects(hid_t dataset, hsize_t parMorceau);

/// The trace's writing threads, one per core: they compress the whole chunks handed over,
/// several at once, while the run goes on, and write every chunk in the order it came. HDF5 is
/// called by one thread at a time: a writer in its turn, or the run's own once attendre() has
/// returned (or before the first chunk is handed over).
class EcrivainHdf5 {
public:
    EcrivainHdf5() = default;
    ~EcrivainHdf5() { arreter(); }
    EcrivainHdf5(const EcrivainHdf5&) = delete;
    EcrivainHdf5& operator=(const EcrivainHdf5&) = delete;

    /// Hands the writers the table's waiting rows up to the last whole chunk in the table: the
    /// end of a chunk that an earlier push left half full on its own, then each whole chunk.
    /// False, with the reason, if a write already failed.
    bool envoyer(TableHdf5& table, std::string& erreur);
    /// Waits until every chunk handed over is written; false, with the reason, if one failed.
    bool attendre(std::string& erreur);
    /// Ends the threads once the chunks handed over are written.
    void arreter();

private:
    /// Rows of a table handed to the writers: a whole chunk, which a writer compresses, or the
    /// end of a chunk already in the file, which HDF5 filters itself.
    struct Envoi {
        const TableHdf5* table;
        hsize_t premiere;
        hsize_t nombre;
        /// The rows; a whole chunk's stored bytes once compressed.
        std::vector<unsigned char> rangees;
        bool entier = false;
        /// The table's ways when the chunk was handed over.
        std::vector<Voie> voies = {};
        enum class Etat { attente, enCours, pret } etat = Etat::attente;
    };
    bool confier(TableHdf5& table, hsize_t nombre, std::string& erreur);
    bool ecrire(const Envoi& envoi) const;
    void ecrireEnvois();

    /// Weighs a table's planes on the chunk handed over, on the run's thread: a chunk's bytes
    /// alone decide how it is stored, whichever writer compresses it.
    MorceauDeflate etalon_{kNiveauDeflate};
    std::vector<std::thread> fils_;
    std::mutex verrou_;
    std::condition_variable signal_;
    /// In the order they were handed over: a writer takes the first one waiting to compress it,
    /// and the head once it is ready to write.
    std::deque<Envoi> envois_;
    bool ecritureEnCours_ = false;
    bool arret_ = false;
    /// Why a write failed; empty while none has.
    std::string echec_;
};

} // namespace fiches::hdf5
