#include "Arret.h"
#include "Diffusion.h"
#include "Ecouteur.h"
#include "Execution.h"
#include "OptionsMonde.h"
#include "Phylogenie.h"
#include "Pilotage.h"
#include "Relecture.h"
#include "Serveur.h"
#include "Signaux.h"
#include "SortieStats.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kProgramme[] = "aquarium-serve";

struct OptionsServeur {
    std::string ecoute = "127.0.0.1:8080";
    std::string hote;
    unsigned short port = 0;
    /// The window's pace; 0: as fast as the machine goes.
    int ticksParSeconde = 40;
    /// The trace to replay; empty: a live run.
    std::string relecture;
    /// The pedigree's file; empty: none.
    std::string phylogenie;
    /// The statistics' file; empty: none.
    std::string stats;
    /// What the pages' controls must carry; empty: none asked for.
    std::string jeton;
};

void declarerServeur(CLI::App& app, OptionsServeur& options) {
    app.add_option("--listen", options.ecoute,
                   "Serve the page on HOST:PORT; anything but loopback lets other machines watch")
        ->type_name("HOST:PORT")
        ->capture_default_str()
        ->check(CLI::Validator(
            [&options](std::string& texte) {
                return lireEcoute(texte, options.hote, options.port);
            },
            ""));
    app.add_option("--ticks-per-second", options.ticksParSeconde,
                   "Pace the run at R ticks a second, as the window does; 0: as fast as it goes")
        ->type_name("R")
        ->capture_default_str()
        ->check(entierEntre(0, 100000));
    app.add_option("--replay", options.relecture,
                   "Replay the state trace FILE (aquarium-batch --state) instead of running a "
                   "world")
        ->type_name("FILE");
    app.add_option("--stats", options.stats,
                   "Write the command line's run's statistics to FILE, as aquarium-batch does")
        ->type_name("FILE");
    app.add_option("--control-token", options.jeton,
                   "Let the pages drive the run only with TOKEN, on any address; without it, "
                   "only a loopback address's pages may")
        ->type_name("TOKEN")
        ->check(CLI::Validator(
            [](const std::string& jeton) {
                return jeton.empty() ? std::string("expects a token, not an empty one")
                                     : std::string();
            },
            ""));
    declarerPhylogenie(app, options.phylogenie);
}

// A replay runs no world: the options that make one would silently mean nothing. It writes no
// console report either, so that --quiet holds anyway.
std::string optionDeMonde(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        const std::string nom = option->get_name();
        if (option->count() > 0 && nom != "--listen" && nom != "--replay" && nom != "--quiet") {
            return nom;
        }
    }
    return {};
}

void signaler(const std::string& message) {
    std::cerr << kProgramme << ": " << message << std::endl;
}

// A signal held since the end of the run arrives as soon as it is let through.
void attendreArret() {
    intercepterArret();
    retenirSignaux(false);
    while (arretDemande() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    relacherArret();
}

// Until Ctrl-C, or a world a page starts, which then runs with the server's console settings.
std::optional<OptionsMonde> attendreMonde(Pilotage& pilotage, const OptionsMonde& ligne) {
    intercepterArret();
    retenirSignaux(false);
    std::optional<OptionsMonde> suivant = pilotage.attendreMonde();
    if (!suivant) {
        relacherArret();
        return suivant;
    }
    suivant->silencieux = ligne.silencieux;
    return suivant;
}

bool ecouter(Serveur& serveur, const OptionsServeur& options) {
    std::string erreur;
    if (serveur.ecouter(options.hote, options.port, erreur)) return true;
    signaler("--listen: " + erreur);
    return false;
}

int relire(const OptionsServeur& options) {
    std::string erreur;
    const std::unique_ptr<LecteurTrace> trace = ouvrirTrace(options.relecture, erreur);
    if (!trace) {
        signaler("--replay '" + options.relecture + "': " + erreur);
        return kStatutRefus;
    }
    Serveur serveur(kProgramme);
    serveur.relire(*trace);
    if (!ecouter(serveur, options)) return kStatutRefus;
    serveur.demarrer();
    attendreArret();
    return 0;
}

// The command line's world first, with its files; then each world a page starts, with none,
// until Ctrl-C.
int servir(const OptionsMonde& ligne, const OptionsServeur& options) {
    Pilotage pilotage(options.ticksParSeconde);
    Serveur serveur(kProgramme);
    serveur.piloter(pilotage, options.jeton);
    if (!ecouter(serveur, options)) return kStatutRefus;
    const std::unique_ptr<SortiePhylogenie> phylogenie = sortiePhylogenie(options.phylogenie);
    std::optional<SortieStats> stats;
    if (!options.stats.empty()) stats.emplace(options.stats);
    std::vector<Sortie*> fichiers;
    if (phylogenie) fichiers.push_back(phylogenie.get());
    if (stats) fichiers.push_back(&*stats);
    const fiches::Lignee* lignee = phylogenie ? &phylogenie->lignee() : nullptr;
    std::optional<OptionsMonde> monde = ligne;
    for (bool dePage = false; monde; dePage = true) {
        pilotage.commencer(*monde, dePage);
        SortieDiffusion diffusion(serveur, pilotage, dePage ? nullptr : lignee);
        std::vector<Sortie*> sorties = {&diffusion};
        if (!dePage) sorties.insert(sorties.end(), fichiers.begin(), fichiers.end());
        const int statut =
            executer(kProgramme, *monde, sorties, [&pilotage] { return pilotage.remplacee(); });
        if (statut != 0) return statut;
        // The pages go on showing the last tick until the program is stopped.
        if (!pilotage.remplacee()) {
            signaler("the run has ended: its last tick is shown until Ctrl-C or a new world");
        }
        monde = attendreMonde(pilotage, ligne);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the aquarium as aquarium-batch does and serves a web page that shows it "
                 "live; or replays a recorded run.",
                 kProgramme);
    OptionsMonde monde;
    OptionsServeur options;
    declarerOptionsMonde(app, monde);
    declarerServeur(app, options);
    if (const std::optional<int> statut = analyserLigne(app, argc, argv)) return *statut;
    if (options.hote.empty()) lireEcoute(options.ecoute, options.hote, options.port);
    if (!options.relecture.empty()) {
        if (const std::string autre = optionDeMonde(app); !autre.empty()) {
            signaler("--replay plays a recorded run: " + autre + " does not apply");
            return kStatutRefus;
        }
        return relire(options);
    }
    if (memeFichier(options.stats, monde.pointDeReprise) ||
        memeFichier(options.stats, monde.reprendreDe) ||
        memeFichier(options.stats, options.phylogenie)) {
        signaler("--stats names the file of another option");
        return kStatutRefus;
    }

    return servir(monde, options);
}
