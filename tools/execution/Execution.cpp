#include "Execution.h"

#include "C_AQUARIUM.h"
#include "OptionsMonde.h"
#include "Progression.h"
#include "Recensement.h"
#include "Scenario.h"

#include <chrono>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

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

class Execution {
public:
    Execution(const char* programme, const OptionsMonde& options,
              const std::vector<Sortie*>& sorties)
        : programme_(programme), options_(options), sorties_(sorties) {}

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
    void signaler(const std::string& message) const {
        std::cerr << programme_ << ": " << message << std::endl;
    }

    // All open before any is emptied: a refused file then leaves every other as it was, and
    // none that this run created.
    bool ouvrirSorties() {
        for (Sortie* sortie : sorties_) {
            if (!sortie->ouvrir()) return refuserSorties(*sortie);
        }
        for (Sortie* sortie : sorties_) {
            if (!sortie->preparer()) return refuserSorties(*sortie);
        }
        return true;
    }

    bool refuserSorties(const Sortie& fautive) {
        signaler(std::string(fautive.option()) + ": " + fautive.erreur());
        for (Sortie* sortie : sorties_)
            sortie->abandonner();
        return false;
    }

    int simuler(const C_AQUARIUM& monde) {
        const auto debut = std::chrono::steady_clock::now();
        Progression progression(options_.ticks, ::isatty(STDERR_FILENO) == 1);
        Recensement avant = recenser(monde);
        if (!ecrire({monde, 0, avant, avant})) return echouer(progression, 0);
        // Counting the ticks done, not the tick to do: --ticks may be INT_MAX.
        for (int faits = 0; faits < options_.ticks; ++faits) {
            avancerTick();
            const int tick = faits + 1;
            const Recensement apres = recenser(monde);
            const FinDeCourse fin =
                tick == options_.ticks ? FinDeCourse::ticks : FinDeCourse::aucune;
            if (!ecrire({monde, tick, apres, avant, fin})) {
                return echouer(progression, tick);
            }
            progression.signaler(tick, apres.speedbricks, [this] { return avancement(); });
            avant = apres;
        }
        progression.effacer();
        if (!fermerSorties()) return echouer(progression, -1);
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        signaler(resumer(options_.ticks, avant, duree.count()));
        for (const Sortie* sortie : sorties_) {
            const std::string bilan = sortie->bilan();
            if (!bilan.empty()) signaler(std::string(sortie->option()) + ": " + bilan);
        }
        return 0;
    }

    std::string avancement() const {
        std::string texte;
        for (const Sortie* sortie : sorties_) {
            const std::string part = sortie->avancement();
            if (!part.empty()) texte += ", " + part;
        }
        return texte;
    }

    bool ecrire(const Instant& instant) {
        for (Sortie* sortie : sorties_) {
            if (!sortie->ecrire(instant)) return retenir(*sortie);
        }
        if (!options_.silencieux && !std::cout) {
            erreur_ = "cannot write the console report to standard output";
            return false;
        }
        return true;
    }

    bool fermerSorties() {
        bool fermees = true;
        for (Sortie* sortie : sorties_) {
            if (sortie->fermer()) continue;
            // Every output is closed; the first failure is the one reported.
            if (fermees) retenir(*sortie);
            fermees = false;
        }
        return fermees;
    }

    /// Keeps the reason of a failed write; always false.
    bool retenir(const Sortie& sortie) {
        erreur_ = sortie.erreur();
        return false;
    }

    /// `tick` -1: the failure came after the last tick, while closing.
    int echouer(Progression& progression, int tick) {
        progression.effacer();
        std::string message = erreur_;
        if (tick >= 0) message += " (run stopped at tick " + std::to_string(tick) + ")";
        signaler(message);
        return kStatutEchecEcriture;
    }

    const char* programme_;
    const OptionsMonde& options_;
    const std::vector<Sortie*>& sorties_;
    std::string erreur_;
};

} // namespace

int executer(const char* programme, const OptionsMonde& options,
             const std::vector<Sortie*>& sorties) {
    return Execution(programme, options, sorties).executer();
}
