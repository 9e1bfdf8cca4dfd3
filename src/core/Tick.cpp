#include "Tick.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "Fils.h"
#include "PhaseLarge.h"

#include <algorithm>
#include <vector>

void passerTemps() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    monde->setTempsEcoule(monde->getTempsEcoule() + 1);
}

namespace {

// Speedbricks moved by one task: enough that handing it out costs little.
constexpr std::size_t kSpeedbricksParDeplacement = 1024;

// A speedbrick moves itself and its own rings, and draws nothing: blocks of them move on every
// thread, with the same result.
void deplacerSpeedbricks(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    const std::size_t blocs =
        (speedbricks.size() + kSpeedbricksParDeplacement - 1) / kSpeedbricksParDeplacement;
    executerEnParallele(blocs, [&speedbricks](std::size_t bloc) {
        const std::size_t debut = bloc * kSpeedbricksParDeplacement;
        const std::size_t fin = std::min(debut + kSpeedbricksParDeplacement, speedbricks.size());
        for (std::size_t i = debut; i < fin; ++i)
            speedbricks[i]->seDeplacer();
    });
}

} // namespace

// Careful: a speedbrick that dies in the growth pass leaves the registry but not these
// snapshots, and still moves this tick. It is freed only at the end of the tick.
void animerOrganismes() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const std::vector<C_SPEEDBRICK*> speedbricks = monde->getListeSpeedbrick();
    const std::vector<C_CUTIT*> cutits = monde->getListeCutit();
    for (C_SPEEDBRICK* s : speedbricks)
        s->grandir();
    deplacerSpeedbricks(speedbricks);
    for (C_CUTIT* c : cutits)
        c->seDeplacer();
}

namespace {

// The speedbricks of a crowd lie all over memory: each encounter would wait for its two. Asking
// for them a few contacts ahead lets those waits overlap.
void rencontrer(const std::vector<C_SPEEDBRICK*>& paires,
                const std::vector<ContactSpeedbricks>& contacts) {
    constexpr std::size_t kAvance = 16;
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    for (std::size_t k = 0; k < contacts.size(); ++k) {
        if (k + kAvance < contacts.size()) {
            paires[contacts[k + kAvance].premier]->precharger();
            paires[contacts[k + kAvance].second]->precharger();
        }
        for (std::uint32_t n = 0; n < contacts[k].nombre; ++n)
            monde->interaction(paires[contacts[k].premier], paires[contacts[k].second]);
    }
}

} // namespace

// Careful: encounters append to the registry during the pass. The cutit pass walks a snapshot
// taken before any split; the pair pass a fresh one, so a speedbrick born of a split meets the
// others this tick, while a child born in the pair pass waits for the next. Nothing moves during
// the pass, and only a split changes a ring list, so what the broad phase filed at the start
// holds for the whole pass unless a split registered a child.
void gererCollisions() {
    // Kept from tick to tick: its buffers are then reused, not paged in afresh every tick.
    static PhaseLarge phaseLarge;
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const std::vector<C_SPEEDBRICK*> speedbricks = monde->getListeSpeedbrick();
    const std::vector<C_CUTIT*> cutits = monde->getListeCutit();
    phaseLarge.ranger(speedbricks);
    for (const RencontrePossible& r : phaseLarge.rencontresAvecCutits(cutits)) {
        testCollision(speedbricks[r.speedbrick], cutits[r.cutit]);
    }

    const std::vector<C_SPEEDBRICK*> paires = monde->getListeSpeedbrick();
    if (paires.size() != speedbricks.size()) phaseLarge.rangerApresScissions(paires);
    phaseLarge.contactsEntreSpeedbricks(
        [&paires](const std::vector<ContactSpeedbricks>& contacts) { rencontrer(paires, contacts); });

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
