#include "PhaseLarge.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Contact.h"

#include <algorithm>
#include <cmath>

namespace {

// The longest contact distances, with a unit of margin for float rounding: head to head or to
// a ring (16 and 14), cutit to head or to a ring (11 and 9).
constexpr float kPorteeTete = RAYON_TETE + RAYON_TETE + 1.0f;
constexpr float kPorteeCutit = RAYON_CUTIT + RAYON_TETE + 1.0f;

// The rows visited hold every body within reach, whatever the side of the cells: the side only
// sets the cost. Finer cells than these hold fewer bodies around each head but cost more rows
// than they save.
constexpr float kCoteMinimal = 17.0f;

// About one cell per body, so that a thin population does not pay for a fine grid.
GrilleUniforme grillePour(std::size_t corps) {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const double volume =
        static_cast<double>(monde->getTailleX()) * monde->getTailleY() * monde->getTailleZ();
    const double cote = std::cbrt(volume / static_cast<double>(std::max<std::size_t>(corps, 1)));
    return GrilleUniforme(std::max(kCoteMinimal, static_cast<float>(cote)), monde->getTailleX(),
                          monde->getTailleY(), monde->getTailleZ());
}

std::size_t compterCorps(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    std::size_t corps = speedbricks.size();
    for (const C_SPEEDBRICK* s : speedbricks)
        corps += s->anneaux().size();
    return corps;
}

// The squared distance formed exactly as enContact forms it. Beyond (rayonA + rayonB + 1)^2 the
// rounded square root is at least rayonA + rayonB + 1, and each rounded step of enContact is
// monotone, so enContact says no: this only spares square roots, it never drops a contact.
bool horsDePortee(float ax, float ay, float az, float rayonA, float bx, float by, float bz,
                  float rayonB) {
    const float dx = ax - bx;
    const float dy = ay - by;
    const float dz = az - bz;
    const float portee = rayonA + rayonB + 1.0f;
    return dx * dx + dy * dy + dz * dz > portee * portee;
}

// Calls visiter(premiere, derniere) for each row along x of the cells that hold the points
// within `portee` of (x, y, z) along every axis, with the indices of the row's first and last
// cells. The grid's places never decrease with the coordinate, so those cells run from the
// place of the coordinate minus the reach to that of the coordinate plus the reach. A margin in
// the reach covers the rounding of those two sums (far outside the tank, where rounding grows,
// every place is the border's).
template <typename Visiteur>
void visiterRangees(const GrilleUniforme& grille, float x, float y, float z, float portee,
                    Visiteur visiter) {
    const int premiere = grille.rang(0, x - portee);
    const int derniere = grille.rang(0, x + portee);
    for (int cz = grille.rang(2, z - portee); cz <= grille.rang(2, z + portee); ++cz) {
        for (int cy = grille.rang(1, y - portee); cy <= grille.rang(1, y + portee); ++cy) {
            visiter(grille.indice(premiere, cy, cz), grille.indice(derniere, cy, cz));
        }
    }
}

} // namespace

// Careful: a split during the pass shrinks the speedbrick's ring list. What it keeps is a part
// of what is read here, so a test left out stays one that cannot find a contact.
const std::vector<RencontrePossible>&
PhaseLarge::rencontresAvecCutits(const std::vector<C_SPEEDBRICK*>& speedbricks,
                                 const std::vector<C_CUTIT*>& cutits) {
    rencontres_.clear();
    if (cutits.empty()) return rencontres_;
    const GrilleUniforme grille = grillePour(compterCorps(speedbricks));
    preparerCutits(grille, cutits);
    for (std::uint32_t i = 0; i < speedbricks.size(); ++i) {
        const C_SPEEDBRICK* s = speedbricks[i];
        // A speedbrick without rings never meets a cutit.
        if (s->anneaux().empty()) continue;
        cutitsProches_.clear();
        ajouterCutitsAutourDe(grille, cutits, s->getPosX(), s->getPosY(), s->getPosZ(), RAYON_TETE);
        for (const C_ANNEAU* a : s->anneaux()) {
            ajouterCutitsAutourDe(grille, cutits, a->getPosX(), a->getPosY(), a->getPosZ(),
                                  RAYON_ANNEAU);
        }
        std::sort(cutitsProches_.begin(), cutitsProches_.end());
        const auto fin = std::unique(cutitsProches_.begin(), cutitsProches_.end());
        for (auto j = cutitsProches_.begin(); j != fin; ++j)
            rencontres_.push_back({i, *j});
    }
    return rencontres_;
}

// Each cutit is filed in every cell within its reach, so that a body looks in its own cell
// only: cutits are few, bodies many.
void PhaseLarge::preparerCutits(const GrilleUniforme& grille, const std::vector<C_CUTIT*>& cutits) {
    cutits_.vider(grille.nombreCellules());
    for (std::uint32_t j = 0; j < cutits.size(); ++j) {
        const C_CUTIT* c = cutits[j];
        visiterRangees(grille, c->getPosX(), c->getPosY(), c->getPosZ(), kPorteeCutit,
                       [&](int premiere, int derniere) {
                           for (int cellule = premiere; cellule <= derniere; ++cellule) {
                               cutits_.ajouter(cellule, j);
                           }
                       });
    }
    cutits_.ranger();
}

// Arguments in the order in which the speedbrick-cutit test gives them to enContact.
void PhaseLarge::ajouterCutitsAutourDe(const GrilleUniforme& grille,
                                       const std::vector<C_CUTIT*>& cutits, float x, float y,
                                       float z, float rayon) {
    const int cellule = grille.cellule(x, y, z);
    for (const std::uint32_t* j = cutits_.debut(cellule); j != cutits_.fin(cellule); ++j) {
        const C_CUTIT* c = cutits[*j];
        if (!horsDePortee(c->getPosX(), c->getPosY(), c->getPosZ(), RAYON_CUTIT, x, y, z, rayon)) {
            cutitsProches_.push_back(*j);
        }
    }
}

const std::vector<ContactSpeedbricks>&
PhaseLarge::contactsEntreSpeedbricks(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    const GrilleUniforme grille = grillePour(compterCorps(speedbricks));
    preparerCorps(grille, speedbricks);
    trouves_.clear();
    // Head after head in cell order, not registry order: neighbours then look at the same cells
    // while they are still in the cache. The sort by pair restores the order.
    for (const Corps& c : corps_.elements()) {
        if (c.tete) trouverContactsDeLaTete(grille, c);
    }
    trierParPaire(speedbricks.size());
    return contacts_;
}

void PhaseLarge::preparerCorps(const GrilleUniforme& grille,
                               const std::vector<C_SPEEDBRICK*>& speedbricks) {
    corps_.vider(grille.nombreCellules());
    for (std::uint32_t i = 0; i < speedbricks.size(); ++i) {
        const C_SPEEDBRICK* s = speedbricks[i];
        const Corps tete{s->getPosX(), s->getPosY(), s->getPosZ(), i, true};
        corps_.ajouter(grille.cellule(tete.x, tete.y, tete.z), tete);
        for (const C_ANNEAU* a : s->anneaux()) {
            const Corps anneau{a->getPosX(), a->getPosY(), a->getPosZ(), i, false};
            corps_.ajouter(grille.cellule(anneau.x, anneau.y, anneau.z), anneau);
        }
    }
    corps_.ranger();
}

// Every contact of a head with a head after it or with another speedbrick's ring. Each contact
// of the pair pass has a head in it, so looking around every head finds each exactly once.
// Arguments go to enContact in the order in which the pair-by-pair test gives them.
void PhaseLarge::trouverContactsDeLaTete(const GrilleUniforme& grille, const Corps& tete) {
    const std::uint32_t i = tete.proprietaire;
    const float x = tete.x;
    const float y = tete.y;
    const float z = tete.z;
    visiterRangees(grille, x, y, z, kPorteeTete, [&](int premiere, int derniere) {
        const Corps* fin = corps_.fin(derniere);
        for (const Corps* c = corps_.debut(premiere); c != fin; ++c) {
            // Most bodies of the rows: out of reach of a head, hence of a ring too.
            if (horsDePortee(x, y, z, RAYON_TETE, c->x, c->y, c->z, RAYON_TETE)) continue;
            const std::uint32_t j = c->proprietaire;
            if (j == i) continue;
            if (c->tete) {
                if (j > i && enContact(x, y, z, RAYON_TETE, c->x, c->y, c->z, RAYON_TETE)) {
                    trouves_.push_back({i, j});
                }
            } else if (enContact(x, y, z, RAYON_TETE, c->x, c->y, c->z, RAYON_ANNEAU)) {
                trouves_.push_back({std::min(i, j), std::max(i, j)});
            }
        }
    });
}

// A counting sort on the first of the pair, then a short sort of each first's few partners.
void PhaseLarge::trierParPaire(std::size_t speedbricks) {
    debutsParPremier_.assign(speedbricks + 1, 0);
    for (const ContactSpeedbricks& c : trouves_)
        debutsParPremier_[c.premier + 1]++;
    for (std::size_t i = 1; i <= speedbricks; ++i) {
        debutsParPremier_[i] += debutsParPremier_[i - 1];
    }
    contacts_.resize(trouves_.size());
    for (const ContactSpeedbricks& c : trouves_)
        contacts_[debutsParPremier_[c.premier]++] = c;
    // Each start has moved up to the next one's: the first's range now ends there.
    std::uint32_t debut = 0;
    for (std::size_t i = 0; i < speedbricks; ++i) {
        const std::uint32_t fin = debutsParPremier_[i];
        std::sort(contacts_.begin() + debut, contacts_.begin() + fin,
                  [](const ContactSpeedbricks& a, const ContactSpeedbricks& b) {
                      return a.second < b.second;
                  });
        debut = fin;
    }
}
