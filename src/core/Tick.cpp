#include "Tick.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "Fils.h"
#include "PhaseLarge.h"

#include <array>
#include <cstdint>
#include <vector>

void avancerTick() {
    passerTemps();
    animerOrganismes();
    gererCollisions();
}

void avancerTickParPaires() {
    passerTemps();
    animerOrganismes();
    gererCollisionsParPaires();
}

void passerTemps() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    monde->setTempsEcoule(monde->getTempsEcoule() + 1);
}

namespace {

// Speedbricks taken by one task of a pass on every thread: enough that handing it out costs
// little.
constexpr std::size_t kSpeedbricksParTache = 1024;

// How far ahead a pass over the registry asks for the speedbricks, then for what they point to:
// each would otherwise wait on memory in turn, being scattered over it.
constexpr std::size_t kAvance = 16;

// Calls pas(i) for the speedbricks from debut to fin, each fetched some time before.
template <typename Pas>
void parcourir(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t debut, std::size_t fin,
               Pas pas) {
    for (std::size_t i = debut; i < fin; ++i) {
        if (i + kAvance < fin) speedbricks[i + kAvance]->precharger();
        if (i + kAvance / 2 < fin) speedbricks[i + kAvance / 2]->prechargerAnneauADeplacer();
        pas(i);
    }
}

// The same, blocks of speedbricks on every thread: for passes in which a speedbrick changes
// nothing but itself, and draws nothing.
template <typename Pas>
void parcourirSurChaqueFil(const std::vector<C_SPEEDBRICK*>& speedbricks, Pas pas) {
    executerParBlocs(
        speedbricks.size(), kSpeedbricksParTache,
        [&](std::size_t debut, std::size_t fin) { parcourir(speedbricks, debut, fin, pas); });
}

// Most speedbricks only age: that goes on every thread. The few that die or take a ring (and
// maybe a sex, drawn) this tick then grow in registry order.
void grandirSpeedbricks(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    static std::vector<char> enAttente;
    enAttente.assign(speedbricks.size(), 0);
    parcourirSurChaqueFil(speedbricks, [&speedbricks](std::size_t i) {
        enAttente[i] = static_cast<char>(!speedbricks[i]->grandirSansEvenement());
    });
    for (std::size_t i = 0; i < speedbricks.size(); ++i) {
        if (enAttente[i] != 0) speedbricks[i]->grandir();
    }
}

} // namespace

// Careful: a speedbrick that dies in the growth pass leaves the registry but not these
// snapshots, and still moves this tick. It is freed only at the end of the tick.
void animerOrganismes() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const std::vector<C_SPEEDBRICK*> speedbricks = monde->getListeSpeedbrick();
    const std::vector<C_CUTIT*> cutits = monde->getListeCutit();
    grandirSpeedbricks(speedbricks);
    // A speedbrick moves only itself and its rings, and draws nothing.
    parcourirSurChaqueFil(speedbricks,
                          [&speedbricks](std::size_t i) { speedbricks[i]->seDeplacer(); });
    for (C_CUTIT* c : cutits)
        c->seDeplacer();
}

namespace {

// The pair pass's encounters, as C_AQUARIUM::interaction has them, from what they read of each
// speedbrick gathered beforehand: the speedbricks of a crowd lie all over memory, and each
// encounter would wait for its two, while these few bytes stay in the cache. Only a fertile
// female's encounter touches the speedbricks themselves. The new velocities are drawn in turn but
// given at the end of the pass: nothing reads a velocity before.
class Rencontres {
public:
    /// Reads the snapshot, on every thread.
    void preparer(const std::vector<C_SPEEDBRICK*>& paires) {
        paires_ = &paires;
        sexes_.resize(paires.size());
        etats_.resize(paires.size());
        vitesses_.resize(paires.size());
        parcourirSurChaqueFil(paires, [this](std::size_t i) {
            const C_SPEEDBRICK& s = *(*paires_)[i];
            sexes_[i] = s.getSexe();
            etats_[i] = {s.tourneAUnMur(), s.estFeconde(), false};
        });
    }

    /// The sexes the broad phase needs to drop the contacts of speedbricks that cannot breed
    /// together, unless every encounter is being recorded: they change nothing.
    const std::vector<T_Sexe>* sexesPourElaguer() const {
        return C_AQUARIUM::getAquarium()->noteLesRencontres() ? nullptr : &sexes_;
    }

    /// Each contact, as many times as it counts, in order.
    void rencontrer(const std::vector<ContactSpeedbricks>& contacts) {
        C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
        const bool noter = monde->noteLesRencontres();
        for (const ContactSpeedbricks& c : contacts) {
            const bool fertiles = peuventSeReproduire(c.premier, c.second);
            if (!noter) {
                if (fertiles) seReproduirePlusieursFois(c.premier, c.second, c.nombre);
                continue;
            }
            for (std::uint32_t n = 0; n < c.nombre; ++n) {
                monde->noterRencontre(*(*paires_)[c.premier], *(*paires_)[c.second]);
                if (fertiles) seReproduire(c.premier, c.second);
            }
        }
    }

    /// Gives the speedbricks their last new velocity, on every thread.
    void conclure() {
        parcourirSurChaqueFil(*paires_, [this](std::size_t i) {
            if (!etats_[i].aChangeDeVitesse) return;
            const std::array<float, 3>& v = vitesses_[i];
            (*paires_)[i]->setVelocite(v[0], v[1], v[2]);
        });
    }

private:
    struct Etat {
        bool tourneAUnMur;
        bool feconde;
        bool aChangeDeVitesse;
    };

    bool peuventSeReproduire(std::uint32_t i, std::uint32_t j) const {
        return C_SPEEDBRICK::peuventSeReproduire(sexes_[i], sexes_[j]);
    }

    // C_SPEEDBRICK::seReproduireAvec, step by step.
    void seReproduire(std::uint32_t i, std::uint32_t j) {
        Etat& premier = etats_[i];
        Etat& second = etats_[j];
        if (premier.feconde || second.feconde) {
            (*paires_)[i]->feconder((*paires_)[j]);
            premier.feconde = (*paires_)[i]->estFeconde();
            second.feconde = (*paires_)[j]->estFeconde();
        }
        changerDeVitesse(second, j);
        changerDeVitesse(premier, i);
    }

    // Once neither can bear young, an encounter only draws the two new velocities, and only
    // the last ones land: the draws before are passed over.
    void seReproduirePlusieursFois(std::uint32_t i, std::uint32_t j, std::uint32_t fois) {
        for (; fois > 0 && (etats_[i].feconde || etats_[j].feconde); --fois)
            seReproduire(i, j);
        if (fois == 0) return;
        const std::size_t vitesses =
            (etats_[i].tourneAUnMur ? 0 : 1) + (etats_[j].tourneAUnMur ? 0 : 1);
        C_SPEEDBRICK::passerVecteursDeplacement(vitesses * (fois - 1));
        seReproduire(i, j);
    }

    void changerDeVitesse(Etat& etat, std::uint32_t i) {
        if (etat.tourneAUnMur) return;
        vitesses_[i] = C_SPEEDBRICK::tirerVecteurDeplacement();
        etat.aChangeDeVitesse = true;
    }

    const std::vector<C_SPEEDBRICK*>* paires_ = nullptr;
    std::vector<T_Sexe> sexes_;
    std::vector<Etat> etats_;
    std::vector<std::array<float, 3>> vitesses_;
};

} // namespace

// Careful: encounters append to the registry during the pass. The cutit pass walks a snapshot
// taken before any split; the pair pass a fresh one, so a speedbrick born of a split meets the
// others this tick, while a child born in the pair pass waits for the next. Nothing moves during
// the pass, and only a split changes a ring list, so what the broad phase filed at the start
// holds for the whole pass unless a split registered a child.
void gererCollisions() {
    // Kept from tick to tick: their buffers are then reused, not paged in afresh every tick.
    static PhaseLarge phaseLarge;
    static Rencontres rencontres;
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const std::vector<C_SPEEDBRICK*> speedbricks = monde->getListeSpeedbrick();
    const std::vector<C_CUTIT*> cutits = monde->getListeCutit();
    phaseLarge.ranger(speedbricks);
    for (const RencontrePossible& r : phaseLarge.rencontresAvecCutits(cutits)) {
        testCollision(speedbricks[r.speedbrick], cutits[r.cutit]);
    }

    const std::vector<C_SPEEDBRICK*> paires = monde->getListeSpeedbrick();
    if (paires.size() != speedbricks.size()) phaseLarge.rangerApresScissions(paires);
    rencontres.preparer(paires);
    phaseLarge.contactsEntreSpeedbricks(
        [](const std::vector<ContactSpeedbricks>& contacts) { rencontres.rencontrer(contacts); },
        rencontres.sexesPourElaguer());
    rencontres.conclure();

    monde->libererMorts();
}

void gererCollisionsParPaires() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const std::vector<C_SPEEDBRICK*> speedbricks = monde->getListeSpeedbrick();
    const std::vector<C_CUTIT*> cutits = monde->getListeCutit();
    for (C_SPEEDBRICK* s : speedbricks) {
        for (C_CUTIT* c : cutits)
            testCollision(s, c);
    }

    const std::vector<C_SPEEDBRICK*> paires = monde->getListeSpeedbrick();
    for (size_t i = 0; i + 1 < paires.size(); ++i) {
        for (size_t j = i + 1; j < paires.size(); ++j)
            testCollision(paires[i], paires[j]);
    }

    monde->libererMorts();
}

namespace {

bool teteContreAnneau(const C_SPEEDBRICK* s, const C_ANNEAU* anneau) {
    return enContact(s->getPosX(), s->getPosY(), s->getPosZ(), RAYON_TETE, anneau->getPosX(),
                     anneau->getPosY(), anneau->getPosZ(), RAYON_ANNEAU);
}

} // namespace

void testCollision(C_SPEEDBRICK* premier, C_SPEEDBRICK* second) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    if (enContact(premier->getPosX(), premier->getPosY(), premier->getPosZ(), RAYON_TETE,
                  second->getPosX(), second->getPosY(), second->getPosZ(), RAYON_TETE)) {
        monde->interaction(premier, second);
    }
    for (C_ANNEAU* anneau : second->getListeAnneaux()) {
        if (teteContreAnneau(premier, anneau)) monde->interaction(premier, second);
    }
    for (C_ANNEAU* anneau : premier->getListeAnneaux()) {
        if (teteContreAnneau(second, anneau)) monde->interaction(premier, second);
    }
}

void testCollision(C_SPEEDBRICK* s, C_CUTIT* c) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    if (s->getListeAnneaux().empty()) return;
    if (enContact(c->getPosX(), c->getPosY(), c->getPosZ(), RAYON_CUTIT, s->getPosX(), s->getPosY(),
                  s->getPosZ(), RAYON_TETE)) {
        monde->interaction(s, s->getNombreAnneaux() / 2);
    }
    // A fresh copy: a split just above leaves the speedbrick only the rings it kept.
    for (C_ANNEAU* anneau : s->getListeAnneaux()) {
        if (s->getDureeInvincible() != 0) continue;
        if (enContact(c->getPosX(), c->getPosY(), c->getPosZ(), RAYON_CUTIT, anneau->getPosX(),
                      anneau->getPosY(), anneau->getPosZ(), RAYON_ANNEAU)) {
            monde->interaction(s, anneau->getIdAnneau());
        }
    }
}
