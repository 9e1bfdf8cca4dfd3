#pragma once

#include "Console.h"
#include "OptionsMonde.h"
#include "Recensement.h"
#include "SortieFichier.h"

#include <chrono>
#include <optional>
#include <streambuf>
#include <string>

/// The state trace: JSON Lines, tick 0, every `periode`-th tick (0: none) and the last tick.
/// Tick 0 also carries the seed and the settings that made the run.
class SortieTrace : public SortieFichier {
public:
    SortieTrace(std::string chemin, int periode)
        : SortieFichier("--state", std::move(chemin)), periode_(periode) {}
    bool ecrire(const Instant& instant) override;
    /// Before the last tick's line when only the run's end dumped it: a longer run goes on
    /// without it.
    std::string position() const override;

private:
    int periode_ = 0;
    /// Where the trace stood before a line dumped only because the run ended.
    std::optional<PositionFichier> avantFin_;
    /// Reused from one dump to the next: a line runs to hundreds of kilobytes in a crowded
    /// tank.
    std::string ligne_;
};

/// The console report into a file instead of standard output, byte for byte: the core writes
/// it to std::cout, whose buffer this output stands in for from preparer() to the end.
class SortieRapport : public SortieFichier, private std::streambuf {
public:
    explicit SortieRapport(std::string chemin) : SortieFichier("--report", std::move(chemin)) {}
    SortieRapport(const SortieRapport&) = delete;
    SortieRapport& operator=(const SortieRapport&) = delete;

    bool preparer() override;
    void abandonner() override;
    /// The core's writes of the tick went through; false once one failed.
    bool ecrire(const Instant& instant) override;
    bool fermer() override;

private:
    std::streamsize xsputn(const char* texte, std::streamsize taille) override;
    int_type overflow(int_type caractere) override;
    bool echec_ = false;
    /// std::cout sent here from the moment the file is emptied until it is closed.
    std::optional<DetourConsole> detour_;
};

/// The summary of the run: one JSON object, made at the last tick and written once every other
/// output is closed, in place of the file asked for (remplacerFichier's way), so that the file
/// named is either missing or whole, and nothing is left beside it that the same command does
/// not replace. Nothing is written when the run fails.
class SortieResume : public Sortie {
public:
    explicit SortieResume(std::string chemin) : chemin_(std::move(chemin)) {}

    const char* option() const override { return "--summary"; }
    bool ouvrir() override;
    bool preparer() override { return true; }
    void abandonner() override {}
    bool ecrire(const Instant& instant) override;
    bool fermer() override;
    std::string erreur() const override { return erreur_; }

private:
    std::string chemin_;
    /// The JSON line, from the last tick until it is written.
    std::string resume_;
    std::chrono::steady_clock::time_point debut_ = std::chrono::steady_clock::now();
    std::string erreur_;
};
