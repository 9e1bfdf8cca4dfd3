#include "Execution.h"

#include "Arret.h"
#include "C_AQUARIUM.h"
#include "Console.h"
#include "OptionsMonde.h"
#include "Progression.h"
#include "Recensement.h"
#include "Reprise.h"
#include "Sauvegarde.h"
#include "Scenario.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

class Execution {
public:
    Execution(const char* programme, const OptionsMonde& options,
              const std::vector<Sortie*>& sorties, std::function<bool()> remplacee)
        : programme_(programme), options_(options), sorties_(sorties),
          remplacee_(std::move(remplacee)) {}

    int executer() {
        intercepterArret();
        const int statut = executerInterceptee();
        relacherArret();
        return statut;
    }

private:
    int executerInterceptee() {
        if (!options_.reprendreDe.empty() && !reprendre()) return kStatutRefus;
        if (!options_.pointDeReprise.empty()) {
            pointDeReprise_.emplace(options_.pointDeReprise, options_.periodeReprise, options_);
            sorties_.push_back(pointDeReprise());
        }
        if (reprise()) reprendreSorties();
        if (!ouvrirSorties()) {
            detruireMonde();
            return kStatutRefus;
        }
        std::optional<DetourConsole> silence;
        if (options_.silencieux) silence.emplace(nullptr);
        const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
        if (!reprise()) {
            signaler("seed " + std::to_string(options_.graine));
            monde = demarrerMonde(options_.graine, options_.fondateurs, options_.bancs,
                                  options_.reglages);
        } else {
            signaler("seed " + std::to_string(options_.graine) + ", resumed at tick " +
                     std::to_string(depart_) + " from '" + options_.reprendreDe + "'");
        }
        const int statut = simuler(*monde);
        detruireMonde();
        return statut;
    }

    bool reprise() const { return !options_.reprendreDe.empty(); }

    void signaler(const std::string& message) const {
        std::cerr << programme_ << ": " << message << std::endl;
    }

    // Everything is read and checked before any output opens: a refused checkpoint leaves
    // every file as it was. The world is rebuilt here too; it reports nothing while it is.
    bool reprendre() {
        PointDeReprise point;
        OptionsMonde effectives;
        std::string erreur;
        if (lireReprise(options_.reprendreDe, point, erreur)) {
            erreur = contredireReprise(options_, point, effectives);
        }
        if (erreur.empty() && restaurerMonde(point.monde, erreur)) {
            options_ = effectives;
            depart_ = point.tick;
            historique_ = point.historique;
            positions_ = std::move(point.sorties);
            return true;
        }
        signaler("--resume '" + options_.reprendreDe + "': " + erreur);
        return false;
    }

    // Outputs the checkpoint's run did not write have nothing recorded: they start afresh.
    void reprendreSorties() {
        for (Sortie* sortie : sorties_) {
            std::string position;
            for (const PositionSortie& p : positions_) {
                if (p.option == sortie->option()) position = p.position;
            }
            sortie->reprendreA(position);
        }
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

    // A resumed run hands the outputs nothing of its checkpoint's tick: the run that saved it
    // wrote it.
    int simuler(const C_AQUARIUM& monde) {
        const auto debut = std::chrono::steady_clock::now();
        Progression progression(options_.ticks, ::isatty(STDERR_FILENO) == 1);
        Course course;
        // With no output to hand it to, a tick only needs the head count.
        course.teteSeulement = sorties_.empty();
        if (reprise()) {
            course.reprendre(monde, depart_, historique_);
        } else {
            course.demarrer(monde);
            if (!ecrire(instant(monde, course, FinDeCourse::aucune))) {
                return echouer(progression, 0);
            }
        }
        FinDeCourse fin = FinDeCourse::aucune;
        while (fin == FinDeCourse::aucune) {
            fin = course.avancer(monde, options_.ticks, options_.maxSpeedbricks,
                                 [this] { return arret(); });
            if (!ecrire(instant(monde, course, fin))) return echouer(progression, course.tick);
            progression.signaler(course.tick, course.apres.speedbricks,
                                 [this] { return avancement(); });
        }
        progression.effacer();
        if (!fermerSorties() || !sauvegarder(instant(monde, course, fin), false)) {
            return echouer(progression, -1);
        }
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        signaler(raconterFin(fin, course.tick) +
                 resumer(course.tick - depart_, recenser(monde), duree.count()));
        for (const Sortie* sortie : sorties_) {
            const std::string bilan = sortie->bilan();
            if (!bilan.empty()) signaler(std::string(sortie->option()) + ": " + bilan);
        }
        return fin == FinDeCourse::interruption ? kStatutSignal + arretDemande() : 0;
    }

    FinDeCourse arret() const {
        if (arretDemande() != 0) return FinDeCourse::interruption;
        if (remplacee_ && remplacee_()) return FinDeCourse::remplacement;
        return FinDeCourse::aucune;
    }

    Instant instant(const C_AQUARIUM& monde, const Course& course, FinDeCourse fin) const {
        return {monde, course.tick,       course.apres, course.avant,
                fin,   course.historique, options_,     programme_};
    }

    std::string avancement() const {
        std::string texte;
        for (const Sortie* sortie : sorties_) {
            const std::string part = sortie->avancement();
            if (!part.empty()) texte += ", " + part;
        }
        return texte;
    }

    std::string raconterFin(FinDeCourse fin, int tick) const {
        std::string recit;
        if (fin == FinDeCourse::borne) {
            recit = "stopped at tick " + std::to_string(tick) + ", more than " +
                    std::to_string(options_.maxSpeedbricks) + " speedbricks alive";
        } else if (fin == FinDeCourse::interruption) {
            recit = std::string("interrupted by ") + nomSignal(arretDemande()) + " at tick " +
                    std::to_string(tick);
        } else if (fin == FinDeCourse::remplacement) {
            recit = "replaced by another world at tick " + std::to_string(tick);
        }
        if (reprise()) {
            if (!recit.empty()) recit += ", ";
            recit += "resumed at tick " + std::to_string(depart_);
        }
        return recit.empty() ? recit : recit + ": ";
    }

    // The checkpoint comes after every other output has written the tick and flushed it: should
    // the process die later, the files hold every tick that the checkpoint records. The last
    // tick's waits for them to close: should one fail then (the summary on a full disk), the
    // checkpoint before stays, and the same command takes the run up from there.
    bool ecrire(const Instant& instant) {
        for (Sortie* sortie : sorties_) {
            if (sortie != pointDeReprise() && !sortie->ecrire(instant)) return retenir(*sortie);
        }
        if (!options_.silencieux && !std::cout) {
            erreur_ = "cannot write the console report to standard output";
            return false;
        }
        return instant.dernier() || sauvegarder(instant, true);
    }

    /// Saves the checkpoint if this instant is one, the other outputs pushed first or closed.
    bool sauvegarder(const Instant& instant, bool pousser) {
        if (!pointDeReprise_ || !pointDeReprise_->sauvegarde(instant)) return true;
        if (pousser && !pousserSorties()) return false;
        pointDeReprise_->noterPositions(positions());
        return pointDeReprise_->ecrire(instant) || retenir(*pointDeReprise_);
    }

    Sortie* pointDeReprise() { return pointDeReprise_ ? &*pointDeReprise_ : nullptr; }

    bool pousserSorties() {
        for (Sortie* sortie : sorties_) {
            if (!sortie->pousser()) return retenir(*sortie);
        }
        return true;
    }

    std::vector<PositionSortie> positions() const {
        std::vector<PositionSortie> positions;
        for (const Sortie* sortie : sorties_) {
            std::string position = sortie->position();
            if (!position.empty()) positions.push_back({sortie->option(), std::move(position)});
        }
        return positions;
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
    /// The command line's, or once resumed, the checkpoint's with the command line's own.
    OptionsMonde options_;
    std::vector<Sortie*> sorties_;
    std::function<bool()> remplacee_;
    std::optional<SortieReprise> pointDeReprise_;
    /// The tick the run starts from: 0, or its checkpoint's, never 0.
    int depart_ = 0;
    /// What the checkpoint's run remembered of its ticks.
    Historique historique_;
    /// Where the checkpoint taken up says the outputs stood.
    std::vector<PositionSortie> positions_;
    std::string erreur_;
};

} // namespace

int executer(const char* programme, const OptionsMonde& options,
             const std::vector<Sortie*>& sorties, std::function<bool()> remplacee) {
    return Execution(programme, options, sorties, std::move(remplacee)).executer();
}
