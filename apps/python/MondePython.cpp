#include "MondePython.h"

#include "C_AQUARIUM.h"
#include "Console.h"
#include "Octets.h"
#include "Reprise.h"
#include "Sauvegarde.h"
#include "Scenario.h"

#include <CLI/CLI.hpp>

#include <stdexcept>

namespace {

// Whether a MondePython holds the core's world.
bool mondeReserve = false;

// The core reports to std::cout: for as long as it works, the report goes to the object's
// string, or nowhere in a quiet world (a stream without a buffer fails each write before
// formatting anything, as the batch runner's --quiet does).
class Capture {
public:
    Capture(std::string& rapport, bool silencieux)
        : tampon_(rapport), detour_(silencieux ? nullptr : &tampon_) {}

private:
    EcritureOctets tampon_;
    DetourConsole detour_;
};

} // namespace

OptionsMonde lireOptions(const std::vector<std::string>& mots) {
    CLI::App app;
    OptionsMonde options;
    declarerOptionsMonde(app, options);
    std::vector<const char*> arguments = {"aquarium"};
    for (const std::string& mot : mots)
        arguments.push_back(mot.c_str());
    try {
        app.parse(static_cast<int>(arguments.size()), arguments.data());
    } catch (const CLI::ParseError& e) {
        throw std::invalid_argument(e.what());
    }
    return options;
}

void MondePython::reserver() {
    if (mondeReserve) {
        throw std::runtime_error("the core keeps one world at a time and another World is open: "
                                 "close it first (close(), a with block, or del)");
    }
    mondeReserve = true;
}

MondePython::MondePython(const OptionsMonde& options) : options_(options) {
    reserver();
    const Capture capture(rapport_, options_.silencieux);
    demarrerMonde(options_.graine, options_.fondateurs, options_.bancs, options_.reglages);
    course_.demarrer(monde());
    lignee_.fonder(*C_AQUARIUM::getAquarium());
}

MondePython::MondePython(const OptionsMonde& options, int tick, const Historique& historique)
    : options_(options), avantConnu_(false) {
    course_.reprendre(monde(), tick, historique);
    lignee_.fonder(*C_AQUARIUM::getAquarium());
}

std::unique_ptr<MondePython> MondePython::charger(const std::string& chemin, bool silencieux) {
    reserver();
    PointDeReprise point;
    std::string erreur;
    if (!lireReprise(chemin, point, erreur) || !restaurerMonde(point.monde, erreur)) {
        mondeReserve = false;
        throw std::invalid_argument("'" + chemin + "': " + erreur);
    }
    point.options.silencieux = silencieux;
    return std::unique_ptr<MondePython>(
        new MondePython(point.options, point.tick, point.historique));
}

void MondePython::fermer() {
    if (!ouvert_) return;
    detruireMonde();
    ouvert_ = false;
    mondeReserve = false;
}

const C_AQUARIUM& MondePython::monde() const { return *C_AQUARIUM::getAquarium(); }

fiches::Rangees MondePython::phylogenie() const {
    fiches::Rangees rangees = lignee_.mortes();
    lignee_.ajouterVivantes(monde(), rangees);
    return rangees;
}

// The batch runner's loop, outputs aside.
FinDeCourse MondePython::courir(int jusqua, long long borne,
                                const std::function<bool()>& interrompre) {
    options_.ticks = jusqua;
    const Capture capture(rapport_, options_.silencieux);
    FinDeCourse fin = FinDeCourse::aucune;
    while (fin == FinDeCourse::aucune) {
        fin = course_.avancer(monde(), jusqua, borne, [&interrompre] {
            return interrompre() ? FinDeCourse::interruption : FinDeCourse::aucune;
        });
        avantConnu_ = true;
    }
    return fin;
}

// The columns of the statistics file. Taken up from a checkpoint, the world knows its census
// but not the one a tick before: the tick's events are unknown.
std::vector<std::pair<std::string, std::optional<long long>>> MondePython::recensement() const {
    std::vector<std::pair<std::string, std::optional<long long>>> ligne;
    for (const ColonneStats& colonne : colonnesStats()) {
        std::optional<long long> valeur;
        if (avantConnu_ || !colonne.evenement)
            valeur = colonne.valeur(course_.tick, course_.apres, course_.avant);
        ligne.emplace_back(colonne.nom, valeur);
    }
    return ligne;
}

std::string MondePython::prendreRapport() {
    std::string rapport;
    rapport.swap(rapport_);
    return rapport;
}

bool MondePython::sauvegarder(const std::string& chemin, std::string& erreur) const {
    return ecrireReprise(chemin, options_, course_.tick, course_.historique, {}, erreur);
}
