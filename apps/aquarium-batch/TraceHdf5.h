#pragma once

#include "Execution.h"

#include <hdf5.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

/// How far an HDF5 trace went: the seed of its run, the rows of each table, the last tick
/// dumped.
struct PositionHdf5 {
    unsigned graine = 0;
    std::uint64_t ticks = 0;
    std::uint64_t speedbricks = 0;
    std::uint64_t anneaux = 0;
    std::uint64_t cutits = 0;
    int dernierTick = -1;

    /// As a checkpoint records it.
    std::string texte() const;
    /// The record texte() made; nothing for anything else.
    static std::optional<PositionHdf5> lire(const std::string& texte);
};

/// One table of the trace: an extendible, chunked, compressed dataset whose rows wait in
/// memory until a chunk's worth is there, or the file is pushed.
struct TableHdf5 {
    hid_t dataset = -1;
    hid_t type = -1;
    /// Values per row of a two-dimensional table (the genomes); 0 for a table of records.
    hsize_t largeur = 0;
    std::uint64_t ecrites = 0;
    std::vector<unsigned char> attente;
    std::size_t tailleRangee = 0;

    std::uint64_t rangees() const { return ecrites + attente.size() / tailleRangee; }
};

/// The state trace in HDF5, chosen by the file's extension: the same contents as the JSON Lines
/// trace, every value the same, in tables that grow along the ticks (speedbricks, their
/// genomes, rings, cutits, and an index from each tick to its rows), with the program, the
/// version, the seed and the settings as attributes. Written in single-writer mode, so that the
/// file stays readable whatever moment a crash comes; a resumed run copies it up to where the
/// checkpoint recorded it and goes on from there.
class SortieTraceHdf5 : public Sortie {
public:
    SortieTraceHdf5(std::string chemin, int periode);
    ~SortieTraceHdf5() override;
    SortieTraceHdf5(const SortieTraceHdf5&) = delete;
    SortieTraceHdf5& operator=(const SortieTraceHdf5&) = delete;

    const char* option() const override { return "--state"; }
    bool ouvrir() override;
    bool preparer() override;
    void abandonner() override;
    bool ecrire(const Instant& instant) override;
    bool pousser() override;
    bool fermer() override;
    std::string erreur() const override { return erreur_; }
    std::string position() const override;
    void reprendreA(const std::string& position) override;

private:
    bool echouer(const std::string& action);
    bool creerTables(int tailleGenome);
    bool ouvrirTables(hid_t fichier);
    bool ecrireAttributs(const Instant& instant);
    bool demarrer();
    bool copierJusquA(const PositionHdf5& position);
    bool verifierReprise();
    void ajouter(TableHdf5& table, const void* rangee);
    bool ecrireRangees(TableHdf5& table, hsize_t premiere, hsize_t nombre,
                       const unsigned char* rangees);
    /// Writes every waiting row of the table, in this thread.
    bool vider(TableHdf5& table);
    /// Hands the writer the waiting rows up to the last multiple of `multiple` rows in the
    /// table.
    bool envoyer(TableHdf5& table, hsize_t multiple);
    /// The writer's thread: compresses and writes the chunks handed over, in order, while the
    /// run goes on. HDF5 is called by one thread at a time: the writer, or the run's own once
    /// attendreEcrivain() has returned (or before the first chunk is handed over).
    void ecrireEnvois();
    /// Waits until every chunk handed over is written; false, with the reason, if one failed.
    bool attendreEcrivain();
    void arreterEcrivain();
    void fermerTout();

    /// Rows of a table handed to the writer.
    struct Envoi {
        TableHdf5* table;
        hsize_t premiere;
        hsize_t nombre;
        std::vector<unsigned char> rangees;
    };
    PositionHdf5 positionActuelle() const;

    std::string chemin_;
    std::string temporaire_;
    int periode_ = 0;
    hid_t fichier_ = -1;
    TableHdf5 ticks_;
    TableHdf5 speedbricks_;
    TableHdf5 genomes_;
    TableHdf5 anneaux_;
    TableHdf5 cutits_;
    unsigned graine_ = 0;
    int dernierTick_ = -1;
    bool cree_ = false;
    bool demarre_ = false;
    std::optional<PositionHdf5> reprise_;
    bool autreSorte_ = false;
    std::optional<PositionHdf5> avantFin_;
    std::string erreur_;

    std::thread ecrivain_;
    std::mutex verrou_;
    std::condition_variable signal_;
    std::deque<Envoi> envois_;
    bool occupe_ = false;
    bool arret_ = false;
    /// Why the writer failed; empty while it has not.
    std::string echecEcrivain_;
};
