#include "Lot.h"

#include "C_AQUARIUM.h"
#include "FichierSortie.h"
#include "Options.h"
#include "Progression.h"
#include "Recensement.h"
#include "Scenario.h"
#include "TraceEtat.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kStatutEchecEcriture = 1;
constexpr int kStatutRefus = 2;

void signaler(const std::string& message) {
    std::cerr << kProgramme << ": " << message << std::endl;
}

// The core writes its report to std::cout. Without a buffer, every write fails at once, before
// formatting anything.
class Silence {
public:
    explicit Silence(bool actif) : ancien_(actif ? std::cout.rdbuf(nullptr) : nullptr) {}
    ~Silence() {
        if (ancien_ != nullptr) std::cout.rdbuf(ancien_);
    }
    Silence(const Silence&) = delete;
    Silence& operator=(const Silence&) = delete;

private:
    std::streambuf* ancien_ = nullptr;
};

class Lot {
public:
    explicit Lot(const OptionsLot& options) : options_(options) {
        if (!options.fichierEtat.empty()) etat_.emplace(options.fichierEtat);
        if (!options.fichierStats.empty()) stats_.emplace(options.fichierStats);
    }

    int executer() {
        if (!ouvrirSorties()) return kStatutRefus;
        signaler("seed " + std::to_string(options_.graine));
        const Silence silence(options_.silencieux);
        const C_AQUARIUM* monde =
            demarrerMonde(options_.graine, options_.fondateurs, options_.bancs);
        const int statut = simuler(*monde);
        detruireMonde();
        return statut;
    }

private:
    /// The outputs asked for, each with the option that named it.
    std::vector<std::pair<const char*, FichierSortie*>> sorties() {
        std::vector<std::pair<const char*, FichierSortie*>> liste;
        if (etat_) liste.emplace_back("--state", &*etat_);
        if (stats_) liste.emplace_back("--stats", &*stats_);
        return liste;
    }

    // All open before any is emptied: a refused file then leaves every other as it was, and
    // none that this run created.
    bool ouvrirSorties() {
        const auto liste = sorties();
        for (const auto& [option, fichier] : liste) {
            if (!fichier->ouvrir()) return refuserSorties(option, *fichier);
        }
        for (const auto& [option, fichier] : liste) {
            if (!fichier->vider()) return refuserSorties(option, *fichier);
        }
        return true;
    }

    bool refuserSorties(const char* option, const FichierSortie& fautif) {
        signaler(std::string(option) + ": " + fautif.erreur());
        for (const auto& sortie : sorties()) {
            sortie.second->abandonner();
        }
        return false;
    }

    int simuler(const C_AQUARIUM& monde) {
        const auto debut = std::chrono::steady_clock::now();
        Progression progression(options_.ticks, ::isatty(STDERR_FILENO) == 1);
        Recensement avant = recenser(monde);
        if (!ecrireDebut(monde)) return echouer(progression, arretA(0));
        // Counting the ticks done, not the tick to do: --ticks may be INT_MAX.
        for (int faits = 0; faits < options_.ticks; ++faits) {
            avancerTick();
            const int tick = faits + 1;
            const Recensement apres = recenser(monde);
            if (!ecrireTick(monde, apres, avant)) return echouer(progression, arretA(tick));
            progression.signaler(tick, apres.speedbricks);
            avant = apres;
        }
        progression.effacer();
        if (!fermerSorties()) return echouer(progression, "");
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        signaler(resumer(options_.ticks, avant, duree.count()));
        return 0;
    }

    int echouer(Progression& progression, const std::string& contexte) {
        progression.effacer();
        signaler(erreur_ + contexte);
        return kStatutEchecEcriture;
    }

    static std::string arretA(int tick) {
        return " (run stopped at tick " + std::to_string(tick) + ")";
    }

    bool ecrireDebut(const C_AQUARIUM& monde) {
        if (stats_ && !stats_->ecrire(kEnteteStats)) return retenir(*stats_);
        if (etat_ && !ecrireEtat(monde)) return retenir(*etat_);
        return true;
    }

    bool ecrireTick(const C_AQUARIUM& monde, const Recensement& apres, const Recensement& avant) {
        const int tick = monde.getTempsEcoule();
        if (stats_ && !stats_->ecrire(ligneStats(tick, apres, avant))) return retenir(*stats_);
        if (etat_ && etatAEcrire(tick) && !ecrireEtat(monde)) return retenir(*etat_);
        if (!options_.silencieux && !std::cout) {
            erreur_ = "cannot write the console report to standard output";
            return false;
        }
        return true;
    }

    bool ecrireEtat(const C_AQUARIUM& monde) {
        ligne_.clear();
        ajouterLigneEtat(ligne_, monde);
        return etat_->ecrire(ligne_);
    }

    /// Tick 0 is written before the loop; the last tick once, even on a multiple of K.
    bool etatAEcrire(int tick) const {
        if (tick == options_.ticks) return true;
        return options_.periodeEtat > 0 && tick % options_.periodeEtat == 0;
    }

    bool fermerSorties() {
        bool fermees = true;
        for (const auto& sortie : sorties()) {
            if (sortie.second->fermer()) continue;
            // Every file is closed; the first failure is the one reported.
            if (fermees) retenir(*sortie.second);
            fermees = false;
        }
        return fermees;
    }

    /// Keeps the reason of a failed write; always false.
    bool retenir(const FichierSortie& fichier) {
        erreur_ = fichier.erreur();
        return false;
    }

    const OptionsLot& options_;
    std::optional<FichierSortie> etat_;
    std::optional<FichierSortie> stats_;
    std::string erreur_;
    /// Reused from one dump to the next: a line runs to hundreds of kilobytes in a crowded
    /// tank.
    std::string ligne_;
};

} // namespace

int executerLot(const OptionsLot& options) { return Lot(options).executer(); }
