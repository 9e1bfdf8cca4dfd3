#pragma once

#include "Hdf5.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fiches::hdf5 {

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

    std::uint64_t rangees() const { return ecrites + attente.size() / tailleRangee; }
    void ajouter(const void* rangees, std::size_t octets) {
        const auto* debut = static_cast<const unsigned char*>(rangees);
        attente.insert(attente.end(), debut, debut + octets);
    }
    /// Writes rows [premiere, premiere + nombre) from `rangees`, the dataset grown to them.
    bool ecrire(hsize_t premiere, hsize_t nombre, const unsigned char* rangees) const;
};

/// The trace's writing thread: compresses and writes the chunks handed over, in order, while
/// the run goes on. HDF5 is called by one thread at a time: the writer, or the run's own once
/// attendre() has returned (or before the first chunk is handed over).
class EcrivainHdf5 {
public:
    EcrivainHdf5() = default;
    ~EcrivainHdf5() { arreter(); }
    EcrivainHdf5(const EcrivainHdf5&) = delete;
    EcrivainHdf5& operator=(const EcrivainHdf5&) = delete;

    /// Hands the writer the table's waiting rows up to the last multiple of its chunk in the
    /// table; false, with the reason, if a write already failed.
    bool envoyer(TableHdf5& table, std::string& erreur);
    /// Waits until every chunk handed over is written; false, with the reason, if one failed.
    bool attendre(std::string& erreur);
    /// Ends the thread once the chunks handed over are written.
    void arreter();

private:
    /// Rows of a table handed to the writer.
    struct Envoi {
        const TableHdf5* table;
        hsize_t premiere;
        hsize_t nombre;
        std::vector<unsigned char> rangees;
    };
    void ecrireEnvois();

    std::thread fil_;
    std::mutex verrou_;
    std::condition_variable signal_;
    std::deque<Envoi> envois_;
    bool occupe_ = false;
    bool arret_ = false;
    /// Why a write failed; empty while none has.
    std::string echec_;
};

} // namespace fiches::hdf5
