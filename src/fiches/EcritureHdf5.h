#pragma once

#include "EcrivainHdf5.h"
#include "Sortie.h"
#include "Fiches.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

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
    /// The rows of each table of the file, in SortieTraceHdf5's order of its tables.
    std::array<std::uint64_t, 5> rangees() const;
};

/// The state trace in HDF5, chosen by the file's extension: the same contents as the JSON Lines
/// trace, every value the same, in tables that grow along the ticks (fiches' tables, the
/// speedbricks' genomes, and an index from each tick to its rows), with the program, the
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
    std::string verifierTables(hid_t fichier) const;
    bool ajouterTick(const fiches::Releve& releve);
    void fermerTout();
    PositionHdf5 positionActuelle() const;
    fiches::hdf5::TableHdf5& index() { return tables_.front(); }
    fiches::hdf5::TableHdf5& genomes() { return tables_.back(); }

    std::string chemin_;
    std::string temporaire_;
    int periode_ = 0;
    hid_t fichier_ = -1;
    /// The index, fiches' tables in their order, the genomes.
    std::array<fiches::hdf5::TableHdf5, 5> tables_;
    fiches::Releve releve_;
    unsigned graine_ = 0;
    int dernierTick_ = -1;
    bool cree_ = false;
    bool demarre_ = false;
    std::optional<PositionHdf5> reprise_;
    bool autreSorte_ = false;
    std::optional<PositionHdf5> avantFin_;
    std::string erreur_;
    fiches::hdf5::EcrivainHdf5 ecrivain_;
};
