#include "Tick.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "Parcours.h"
#include "PhaseLarge.h"
#include "Rencontres.h"

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

// What the passes keep from one tick to the next, whatever the world: their buffers are then
// reused, not paged in afresh every tick, nor for every world a test or a benchmark builds.
struct MemoireTick {
    // Which speedbricks of the growth pass wait to grow in registry order.
    std::vector<char> enAttente;
    PhaseLarge phaseLarge;
    Rencontres rencontres;
};

MemoireTick memoire;

// Most speedbricks only age: that goes on every thread. The few that die or take a ring (and
// maybe a sex, drawn) this tick then grow in registry order.
void grandirSpeedbricks(const std::vector<C_SPEEDBRICK*>& speedbricks,
                        std::vector<char>& enAttente) {
    enAttente.assign(speedbricks.size(), 0);
    parcourirSurChaqueFil(speedbricks, [&speedbricks, &enAttente](std::size_t i) {
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
    grandirSpeedbricks(speedbricks, memoire.enAttente);
    // A speedbrick moves only itself and its rings, and draws nothing.
    parcourirSurChaqueFil(speedbricks,
                          [&speedbricks](std::size_t i) { speedbricks[i]->seDeplacer(); });
    for (C_CUTIT* c : cutits)
        c->seDeplacer();
}

// Careful: encounters append to the registry during the pass. The cutit pass walks a snapshot
// taken before any split; the pair pass a fresh one, so a speedbrick born of a split meets the
// others this tick, while a child born in the pair pass waits for the next. Nothing moves during
// the pass, and only a split changes a ring list, so what the broad phase filed at the start
// holds for the whole pass unless a split registered a child.
void gererCollisions() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    PhaseLarge& phaseLarge = memoire.phaseLarge;
    Rencontres& rencontres = memoire.rencontres;
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
        [&](const std::vector<ContactSpeedbricks>& contacts) {
            rencontres.rencontrer(contacts);
        },
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
