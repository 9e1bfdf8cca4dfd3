#include "PhaseLarge.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "Fils.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <emmintrin.h>

using namespace detailPhaseLarge;

namespace {

// The longest contact distances, with a unit of margin for float rounding: head to head or to
// a ring (16 and 14), cutit to head or to a ring (11 and 9).
constexpr float kPorteeTete = RAYON_TETE + RAYON_TETE + 1.0f;
constexpr float kPorteeCutit = RAYON_CUTIT + RAYON_TETE + 1.0f;

// The rows visited hold every body within reach, whatever the side of the cells: the side only
// sets the cost. Finer cells than these hold fewer bodies around each head but cost more rows
// than they save.
constexpr float kCoteMinimal = 17.0f;

// The sizes of the tasks shared among the threads: enough work that handing a task out costs
// little, few enough that a crowd in one part of the tank is shared out. Heads searched around,
// speedbricks whose contacts are put in order (the encounters of the first wait for it),
// speedbricks whose bodies are copied, bodies split into fields.
constexpr std::size_t kTetesParMorceau = 256;
constexpr std::size_t kPremiersParTranche = 1024;
constexpr std::size_t kSpeedbricksParBloc = 2048;
constexpr std::size_t kCorpsParMorceau = 65536;

std::size_t parMorceaux(std::size_t nombre, std::size_t parMorceau) {
    return (nombre + parMorceau - 1) / parMorceau;
}

// About one cell per body, so that a thin population does not pay for a fine grid.
GrilleUniforme grillePour(std::size_t corps) {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const double volume =
        static_cast<double>(monde->getTailleX()) * monde->getTailleY() * monde->getTailleZ();
    const double cote = std::cbrt(volume / static_cast<double>(std::max<std::size_t>(corps, 1)));
    return GrilleUniforme(std::max(kCoteMinimal, static_cast<float>(cote)), monde->getTailleX(),
                          monde->getTailleY(), monde->getTailleZ());
}

// The rings of the speedbricks from debut to fin (or the last).
std::size_t compterAnneaux(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t debut,
                           std::size_t fin) {
    fin = std::min(fin, speedbricks.size());
    std::size_t anneaux = 0;
    for (std::size_t i = debut; i < fin; ++i)
        anneaux += speedbricks[i]->anneaux().size();
    return anneaux;
}

// The squared distance formed exactly as enContact forms it. Beyond (rayonA + rayonB + 1)^2 the
// rounded square root is at least rayonA + rayonB + 1, and each rounded step of enContact is
// monotone, so enContact says no: this only spares square roots, it never drops a contact.
bool horsDePortee(float ax, float ay, float az, float rayonA, float bx, float by, float bz,
                  float rayonB) {
    const float portee = rayonA + rayonB + 1.0f;
    return distanceCarree(ax, ay, az, bx, by, bz) > portee * portee;
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
    const int premierY = grille.rang(1, y - portee);
    const int dernierY = grille.rang(1, y + portee);
    const int dernierZ = grille.rang(2, z + portee);
    for (int cz = grille.rang(2, z - portee); cz <= dernierZ; ++cz) {
        for (int cy = premierY; cy <= dernierY; ++cy)
            visiter(grille.indice(premiere, cy, cz), grille.indice(derniere, cy, cz));
    }
}

// The speedbrick an entry is about: the speedbricks a head touches are bare places, its partners'
// and the tranches' entries say how many contacts too.
std::uint32_t placeDe(std::uint32_t speedbrick) { return speedbrick; }
std::uint32_t placeDe(const Partenaire& partenaire) { return partenaire.speedbrick; }

// A least-significant-digit radix sort on the speedbrick's place, as many bytes as the largest
// place has.
template <typename Entree>
void trierParOctets(Entree* debut, Entree* fin, std::vector<Entree>& tampon) {
    const auto n = static_cast<std::size_t>(fin - debut);
    std::uint32_t bits = 0;
    for (const Entree* p = debut; p != fin; ++p)
        bits |= placeDe(*p);
    if (tampon.size() < n) tampon.resize(n);
    Entree* source = debut;
    Entree* cible = tampon.data();
    for (unsigned decalage = 0; decalage < 32 && (bits >> decalage) != 0; decalage += 8) {
        std::size_t places[257] = {};
        for (std::size_t k = 0; k < n; ++k)
            places[((placeDe(source[k]) >> decalage) & 0xffu) + 1]++;
        for (std::size_t octet = 1; octet < 257; ++octet)
            places[octet] += places[octet - 1];
        for (std::size_t k = 0; k < n; ++k)
            cible[places[(placeDe(source[k]) >> decalage) & 0xffu]++] = source[k];
        std::swap(source, cible);
    }
    if (source != debut) std::copy(source, source + n, debut);
}

// By speedbrick. The speedbricks a head touches, or a speedbrick's partners, are mostly few, and
// go by insertion; in a crowd they are many, and go by a radix sort, a byte of the place at a
// time, through `tampon`.
template <typename Entree>
void trierParSpeedbrick(Entree* debut, Entree* fin, std::vector<Entree>& tampon) {
    const auto n = static_cast<std::size_t>(fin - debut);
    if (n > 32) {
        trierParOctets(debut, fin, tampon);
        return;
    }
    // An empty range may be a null pointer, which takes no offset.
    if (n < 2) return;
    for (Entree* p = debut + 1; p < fin; ++p) {
        const Entree valeur = *p;
        Entree* q = p;
        for (; q > debut && placeDe(valeur) < placeDe(*(q - 1)); --q)
            *q = *(q - 1);
        *q = valeur;
    }
}

// For each mask of four lanes, the lanes set, first to last (the rest repeats the last lane),
// and how many there are.
struct Voies {
    std::uint8_t rangs[4];
    std::uint32_t nombre;
};

constexpr std::array<Voies, 16> voiesParMasque() {
    std::array<Voies, 16> table{};
    for (unsigned masque = 0; masque < 16; ++masque) {
        Voies& v = table[masque];
        for (std::uint8_t voie = 0; voie < 4; ++voie) {
            if ((masque >> voie & 1u) != 0) v.rangs[v.nombre++] = voie;
        }
        for (std::uint32_t k = v.nombre; k < 4; ++k)
            v.rangs[k] = 3;
    }
    return table;
}

constexpr std::array<Voies, 16> kVoies = voiesParMasque();

// The largest squared distances of a head to a head and to a ring at which enContact says yes
// (see carreDeContactMaximal).
const float kCarreTetes = carreDeContactMaximal(RAYON_TETE, RAYON_TETE);
const float kCarreAnneau = carreDeContactMaximal(RAYON_TETE, RAYON_ANNEAU);

// Appends to `sortie` the owners of the bodies debut to fin that the head touches and reports,
// one entry a contact, and returns the new end. A head reports the heads after it (the contact
// of two heads is found from the earlier one) and the rings of every other speedbrick. The test
// compares the squared distance, formed as enContact forms it, with the largest at which
// enContact says yes. Most bodies are out of reach, and which ones is anybody's guess: four at
// a time and without a branch, the last group masked (the fields have room to read past their
// end); the owners of the bodies kept are written all four, then the end moved past the kept
// ones (the list has room for three more entries than bodies).
template <bool kTetes>
std::uint32_t* retenir(const Corps& tete, const Classement& corps, std::uint32_t debut,
                       std::uint32_t fin, std::uint32_t* sortie) {
    const __m128 x = _mm_set1_ps(tete.x);
    const __m128 y = _mm_set1_ps(tete.y);
    const __m128 z = _mm_set1_ps(tete.z);
    const __m128 carreMaximal = _mm_set1_ps(kTetes ? kCarreTetes : kCarreAnneau);
    const __m128i moi = _mm_set1_epi32(static_cast<int>(tete.proprietaire));
    const __m128i voies = _mm_setr_epi32(0, 1, 2, 3);
    for (std::uint32_t k = debut; k < fin; k += 4) {
        const __m128 dx = _mm_sub_ps(x, _mm_loadu_ps(corps.x.data() + k));
        const __m128 dy = _mm_sub_ps(y, _mm_loadu_ps(corps.y.data() + k));
        const __m128 dz = _mm_sub_ps(z, _mm_loadu_ps(corps.z.data() + k));
        const __m128 carre =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
        const __m128i dansLaPlage =
            _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(fin - k)), voies);
        const __m128 touche =
            _mm_and_ps(_mm_cmple_ps(carre, carreMaximal), _mm_castsi128_ps(dansLaPlage));
        // Places fit in 31 bits: a signed comparison orders them.
        const __m128i leurs =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(corps.proprietaires.data() + k));
        const __m128 garde =
            kTetes ? _mm_and_ps(touche, _mm_castsi128_ps(_mm_cmpgt_epi32(leurs, moi)))
                   : _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(leurs, moi)), touche);
        const Voies& gardees = kVoies[static_cast<std::size_t>(_mm_movemask_ps(garde))];
        for (std::size_t r = 0; r < 4; ++r)
            sortie[r] = corps.proprietaires[k + gardees.rangs[r]];
        sortie += gardees.nombre;
    }
    return sortie;
}

// A count for every speedbrick, one table per thread, all naught between two heads.
std::uint32_t* comptesDuFil(std::size_t speedbricks) {
    thread_local std::vector<std::uint32_t> comptes;
    if (comptes.size() < speedbricks) comptes.resize(speedbricks);
    return comptes.data();
}

} // namespace

// The bodies land in cell order whole, one write each, and only then are split into fields: a
// write to each field's place would miss the cache four times a body.
void detailPhaseLarge::Classement::deposer(const GrilleUniforme& grille,
                                           const std::vector<Corps>& corps,
                                           const std::vector<std::uint8_t>& parties) {
    const std::size_t n = corps.size();
    parCellule.resize(n);
    places.resize(n);
    const int cellules = grille.nombreCellules();
    casiers.ranger(
        cellules * kParties, n,
        [&](std::size_t k) {
            return parties[corps[k].proprietaire] * cellules +
                   grille.cellule(corps[k].x, corps[k].y, corps[k].z);
        },
        [&](std::size_t k, std::uint32_t place) {
            parCellule[place] = corps[k];
            places[k] = place;
        });
}

void detailPhaseLarge::Classement::repartir() {
    const std::size_t n = parCellule.size();
    // Room for reading a group of four from the last body on.
    x.resize(n + 3);
    y.resize(n + 3);
    z.resize(n + 3);
    proprietaires.resize(n + 3);
    executerParBlocs(n, kCorpsParMorceau, [&](std::size_t debut, std::size_t fin) {
        for (std::size_t k = debut; k < fin; ++k) {
            x[k] = parCellule[k].x;
            y[k] = parCellule[k].y;
            z[k] = parCellule[k].z;
            proprietaires[k] = parCellule[k].proprietaire;
        }
    });
}

// The bodies are first copied out in registry order, block after block of speedbricks on every
// thread, then filed. The copy waits on memory for every ring: with nothing else to do, each
// thread waits on many at once.
void PhaseLarge::ranger(const std::vector<C_SPEEDBRICK*>& speedbricks) {
    assert(speedbricks.size() < 0x80000000u && "more speedbricks than the broad phase can number");
    const std::size_t blocs = parMorceaux(speedbricks.size(), kSpeedbricksParBloc);
    debutsBlocs_.assign(blocs + 1, 0);
    executerEnParallele(blocs, [&](std::size_t bloc) {
        debutsBlocs_[bloc + 1] = compterAnneaux(speedbricks, bloc * kSpeedbricksParBloc,
                                                (bloc + 1) * kSpeedbricksParBloc);
    });
    for (std::size_t bloc = 0; bloc < blocs; ++bloc)
        debutsBlocs_[bloc + 1] += debutsBlocs_[bloc];
    tetesEnOrdre_.resize(speedbricks.size());
    anneauxEnOrdre_.resize(debutsBlocs_[blocs]);
    anneaux_.resize(speedbricks.size());
    sexesRanges_.resize(speedbricks.size());
    parties_.resize(speedbricks.size());
    executerEnParallele(blocs, [&](std::size_t bloc) { copierBloc(speedbricks, bloc); });
    grille_ = grillePour(tetesEnOrdre_.size() + anneauxEnOrdre_.size());
    tetes_.classer(grille_, tetesEnOrdre_, parties_);
    anneauxClasses_.classer(grille_, anneauxEnOrdre_, parties_);
}

void PhaseLarge::copierBloc(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t bloc) {
    Corps* anneau = anneauxEnOrdre_.data() + debutsBlocs_[bloc];
    const std::size_t fin = std::min((bloc + 1) * kSpeedbricksParBloc, speedbricks.size());
    for (std::size_t place = bloc * kSpeedbricksParBloc; place < fin; ++place) {
        const auto i = static_cast<std::uint32_t>(place);
        const C_SPEEDBRICK* s = speedbricks[i];
        tetesEnOrdre_[i] = {s->getPosX(), s->getPosY(), s->getPosZ(), i};
        for (const C_ANNEAU* a : s->anneaux())
            *anneau++ = {a->getPosX(), a->getPosY(), a->getPosZ(), i};
        anneaux_[i] = static_cast<std::uint32_t>(s->anneaux().size());
        sexesRanges_[i] = s->getSexe();
        parties_[i] = partieDe(sexesRanges_[i]);
    }
}

// Careful: this leans on how a split goes. Only a speedbrick tested against the cutits splits,
// at most once a pass (it comes out invincible); it keeps its first rings and its child, appended
// to the registry, takes the others in order and stands at its head. The children therefore come
// in the order of their parents, and nothing else has moved: the rings handed on only change
// owner, and only the heads are filed again. Anything else, and the whole snapshot is filed
// again.
void PhaseLarge::rangerApresScissions(const std::vector<C_SPEEDBRICK*>& paires) {
    if (!trouverScissions(paires)) {
        ranger(paires);
        return;
    }
    auto enfant = static_cast<std::uint32_t>(tetesEnOrdre_.size());
    for (const Scission& scission : scissions_) {
        cederAnneaux(scission, enfant, *paires[enfant]);
        ++enfant;
    }
    for (const Scission& scission : scissions_)
        anneaux_[scission.parent] = scission.gardes;
    tetes_.classer(grille_, tetesEnOrdre_, parties_);
}

// The speedbricks tested against the cutits that kept fewer rings than were filed, each with a
// child of the right size, in order, at the end of paires; false when the children do not match.
bool PhaseLarge::trouverScissions(const std::vector<C_SPEEDBRICK*>& paires) {
    scissions_.clear();
    std::size_t enfant = tetesEnOrdre_.size();
    for (std::size_t r = 0; r < rencontres_.size(); ++r) {
        const std::uint32_t parent = rencontres_[r].speedbrick;
        if (r > 0 && rencontres_[r - 1].speedbrick == parent) continue;
        const std::size_t gardes = paires[parent]->anneaux().size();
        if (gardes == anneaux_[parent]) continue;
        if (enfant == paires.size() ||
            gardes + paires[enfant]->anneaux().size() != anneaux_[parent] ||
            paires[enfant]->getSexe() != sexesRanges_[parent]) {
            return false;
        }
        scissions_.push_back({parent, static_cast<std::uint32_t>(gardes)});
        ++enfant;
    }
    return enfant == paires.size();
}

void PhaseLarge::cederAnneaux(const Scission& scission, std::uint32_t enfant,
                              const C_SPEEDBRICK& s) {
    const std::size_t bloc = scission.parent / kSpeedbricksParBloc;
    std::size_t debut = debutsBlocs_[bloc];
    for (std::size_t i = bloc * kSpeedbricksParBloc; i < scission.parent; ++i)
        debut += anneaux_[i];
    for (std::size_t k = debut + scission.gardes; k < debut + anneaux_[scission.parent]; ++k) {
        anneauxEnOrdre_[k].proprietaire = enfant;
        anneauxClasses_.proprietaires[anneauxClasses_.places[k]] = enfant;
    }
    tetesEnOrdre_.push_back({s.getPosX(), s.getPosY(), s.getPosZ(), enfant});
    anneaux_.push_back(anneaux_[scission.parent] - scission.gardes);
    sexesRanges_.push_back(sexesRanges_[scission.parent]);
    parties_.push_back(parties_[scission.parent]);
}

// Careful: a split during the pass shrinks the speedbrick's ring list. What it keeps is a part
// of what was filed, so a test left out stays one that cannot find a contact.
const std::vector<RencontrePossible>&
PhaseLarge::rencontresAvecCutits(const std::vector<C_CUTIT*>& cutits) {
    rencontres_.clear();
    for (std::uint32_t j = 0; j < cutits.size(); ++j) {
        const float x = cutits[j]->getPosX();
        const float y = cutits[j]->getPosY();
        const float z = cutits[j]->getPosZ();
        const auto proches = [&](const Classement& corps, float rayon, int premiere, int derniere) {
            for (std::uint32_t k = corps.casiers.debut(premiere); k < corps.casiers.fin(derniere);
                 ++k) {
                // A speedbrick without rings never meets a cutit.
                const std::uint32_t i = corps.proprietaires[k];
                if (anneaux_[i] == 0) continue;
                if (!horsDePortee(x, y, z, RAYON_CUTIT, corps.x[k], corps.y[k], corps.z[k],
                                  rayon)) {
                    rencontres_.push_back({i, j});
                }
            }
        };
        const int cellules = grille_.nombreCellules();
        visiterRangees(grille_, x, y, z, kPorteeCutit, [&](int premiere, int derniere) {
            for (int p = 0; p < kParties; ++p) {
                proches(tetes_, RAYON_TETE, p * cellules + premiere, p * cellules + derniere);
                proches(anneauxClasses_, RAYON_ANNEAU, p * cellules + premiere,
                        p * cellules + derniere);
            }
        });
    }
    std::sort(rencontres_.begin(), rencontres_.end(),
              [](const RencontrePossible& a, const RencontrePossible& b) {
                  return a.speedbrick != b.speedbrick ? a.speedbrick < b.speedbrick
                                                      : a.cutit < b.cutit;
              });
    rencontres_.erase(std::unique(rencontres_.begin(), rencontres_.end(),
                                  [](const RencontrePossible& a, const RencontrePossible& b) {
                                      return a.speedbrick == b.speedbrick && a.cutit == b.cutit;
                                  }),
                      rencontres_.end());
    return rencontres_;
}

// Each contact of the pair pass has a head in it, so looking around every head finds each
// exactly once. The heads are taken in cell order, not registry order: neighbours then look at
// the same cells while they are still in the cache. What each finds is sorted in its task; each
// tranche of speedbricks then gathers its pairs in registry order, while the calling thread
// hands on those of the tranches before.
void PhaseLarge::contactsEntreSpeedbricks(
    const std::function<void(const std::vector<ContactSpeedbricks>&)>& suite,
    const std::vector<T_Sexe>* sexes) {
    assert((sexes == nullptr || sexes->size() == tetesEnOrdre_.size()) &&
           "one sex for each speedbrick of the snapshot");
    choisirParties(sexes);
    const std::size_t tetes = tetesEnOrdre_.size();
    morceaux_.resize(parMorceaux(tetes, kTetesParMorceau));
    suivants_.resize(tetes);
    tranches_.resize(parMorceaux(tetes, kPremiersParTranche));
    executerEnParallele(morceaux_.size(), [this](std::size_t m) { chercherMorceau(m); });
    executerEtSuivre(
        tranches_.size(), [this](std::size_t t) { fusionnerTranche(t); },
        [&](std::size_t t) { suite(tranches_[t].contacts); });
}

// The parts are read alone only when the sexes given are those filed, each one of T_Sexe: an
// odd sex breeds with some of either part.
void PhaseLarge::choisirParties(const std::vector<T_Sexe>* sexes) {
    sexes_ = sexes;
    parSexe_ = sexes != nullptr && *sexes == sexesRanges_ &&
               std::all_of(sexes->begin(), sexes->end(), [](T_Sexe sexe) {
                   return sexe == INDETERMINE || sexe == MALE || sexe == FEMELLE;
               });
}

bool PhaseLarge::peutSeReproduire(std::uint32_t speedbrick) const {
    if (sexes_ == nullptr) return true;
    const T_Sexe sexe = (*sexes_)[speedbrick];
    return C_SPEEDBRICK::peuventSeReproduire(sexe, MALE) ||
           C_SPEEDBRICK::peuventSeReproduire(sexe, FEMELLE);
}

bool PhaseLarge::peuventSeReproduire(std::uint32_t premier, std::uint32_t second) const {
    return sexes_ == nullptr ||
           C_SPEEDBRICK::peuventSeReproduire((*sexes_)[premier], (*sexes_)[second]);
}

void PhaseLarge::chercherMorceau(std::size_t morceau) {
    Morceau& m = morceaux_[morceau];
    m.suivants.clear();
    m.precedents.resize(tranches_.size());
    for (std::vector<ContactSpeedbricks>& precedents : m.precedents)
        precedents.clear();
    const std::size_t debut = morceau * kTetesParMorceau;
    const std::size_t fin = std::min(debut + kTetesParMorceau, tetesEnOrdre_.size());
    std::uint32_t* comptes = comptesDuFil(tetesEnOrdre_.size());
    for (std::size_t t = debut; t < fin; ++t) {
        const std::size_t premier = m.suivants.size();
        if (peutSeReproduire(tetes_.proprietaires[t])) chercherAutourDe(t, m, comptes);
        suivants_[tetes_.proprietaires[t]] = {
            static_cast<std::uint32_t>(morceau), static_cast<std::uint32_t>(premier),
            static_cast<std::uint32_t>(m.suivants.size() - premier)};
    }
}

// Calls visiter(tetes, debut, fin) for each run of bodies the head may touch, in a row of
// cells of one part: heads when `tetes`, rings otherwise.
template <typename Visiteur>
void PhaseLarge::visiterPlagesAutour(const Corps& tete, Visiteur visiter) const {
    // A male's partners are all female and a female's male; anybody else's may be anywhere.
    int premiere = 0;
    int derniere = kParties - 1;
    if (parSexe_) {
        premiere = sexesRanges_[tete.proprietaire] == MALE ? FEMELLE : MALE;
        derniere = premiere;
    }
    const int cellules = grille_.nombreCellules();
    visiterRangees(grille_, tete.x, tete.y, tete.z, kPorteeTete, [&](int debut, int fin) {
        for (int p = premiere; p <= derniere; ++p) {
            const int de = p * cellules + debut;
            const int a = p * cellules + fin;
            if (tetes_.casiers.debut(de) != tetes_.casiers.fin(a))
                visiter(true, tetes_.casiers.debut(de), tetes_.casiers.fin(a));
            if (anneauxClasses_.casiers.debut(de) != anneauxClasses_.casiers.fin(a))
                visiter(false, anneauxClasses_.casiers.debut(de), anneauxClasses_.casiers.fin(a));
        }
    });
}

// What the head touches, counted by speedbrick in a table as long as the snapshot: only the
// speedbricks touched, far fewer than the contacts in a crowd, are then sorted.
void PhaseLarge::chercherAutourDe(std::size_t t, Morceau& m, std::uint32_t* comptes) {
    const Corps tete{tetes_.x[t], tetes_.y[t], tetes_.z[t], tetes_.proprietaires[t]};
    std::size_t retenus = 0;
    visiterPlagesAutour(tete, [&](bool tetes, std::uint32_t debut, std::uint32_t fin) {
        const std::size_t place = retenus + (fin - debut) + 3;
        if (m.touches.size() < place) m.touches.resize(2 * place);
        std::uint32_t* sortie = m.touches.data() + retenus;
        sortie = tetes ? retenir<true>(tete, tetes_, debut, fin, sortie)
                       : retenir<false>(tete, anneauxClasses_, debut, fin, sortie);
        retenus = static_cast<std::size_t>(sortie - m.touches.data());
    });
    std::uint32_t* debut = m.touches.data();
    std::uint32_t* fin = debut + retenus;
    // The list is rewritten in place, behind where it is read: each speedbrick kept once, the
    // first time it is counted. One that is not kept is never counted; a head that read its
    // partners' part alone keeps every one without asking.
    const std::uint32_t i = tete.proprietaire;
    std::uint32_t* touchees = debut;
    for (const std::uint32_t* p = debut; p != fin; ++p) {
        const std::uint32_t j = *p;
        const std::uint32_t garde = parSexe_ || peuventSeReproduire(i, j) ? 1 : 0;
        const std::uint32_t compte = comptes[j];
        comptes[j] = compte + garde;
        *touchees = j;
        touchees += compte == 0 ? garde : 0;
    }
    trierParSpeedbrick(debut, touchees, m.tampon);
    for (const std::uint32_t* p = debut; p != touchees; ++p) {
        const std::uint32_t j = *p;
        const std::uint32_t contacts = comptes[j];
        comptes[j] = 0;
        if (j > i) {
            m.suivants.push_back({j, contacts});
        } else {
            m.precedents[j / kPremiersParTranche].push_back({j, i, contacts});
        }
    }
}

// The contacts of later heads with the tranche's rings, filed by speedbrick with a counting sort.
void PhaseLarge::classerPrecedents(std::size_t tranche) {
    Tranche& t = tranches_[tranche];
    const std::size_t debut = tranche * kPremiersParTranche;
    t.debuts.assign(kPremiersParTranche + 1, 0);
    for (const Morceau& m : morceaux_) {
        for (const ContactSpeedbricks& c : m.precedents[tranche])
            t.debuts[c.premier - debut + 1]++;
    }
    for (std::size_t k = 0; k < kPremiersParTranche; ++k)
        t.debuts[k + 1] += t.debuts[k];
    t.precedents.resize(t.debuts[kPremiersParTranche]);
    for (const Morceau& m : morceaux_) {
        for (const ContactSpeedbricks& c : m.precedents[tranche])
            t.precedents[t.debuts[c.premier - debut]++] = {c.second, c.nombre};
    }
    // Each start moved to the next one's place: shifted back.
    for (std::size_t k = kPremiersParTranche; k > 0; --k)
        t.debuts[k] = t.debuts[k - 1];
    t.debuts[0] = 0;
}

// Each speedbrick's later partners, from its head and from the others' heads, in order.
void PhaseLarge::fusionnerTranche(std::size_t tranche) {
    classerPrecedents(tranche);
    Tranche& t = tranches_[tranche];
    t.contacts.clear();
    const std::size_t debut = tranche * kPremiersParTranche;
    const std::size_t fin = std::min(debut + kPremiersParTranche, suivants_.size());
    for (std::size_t premier = debut; premier < fin; ++premier) {
        const auto i = static_cast<std::uint32_t>(premier);
        Partenaire* b = t.precedents.data() + t.debuts[premier - debut];
        Partenaire* finB = t.precedents.data() + t.debuts[premier - debut + 1];
        trierParSpeedbrick(b, finB, t.tampon);
        const Suivants& s = suivants_[i];
        const Partenaire* a = morceaux_[s.morceau].suivants.data() + s.debut;
        const Partenaire* finA = a + s.nombre;
        while (a != finA || b != finB) {
            const bool deA = b == finB || (a != finA && a->speedbrick <= b->speedbrick);
            const Partenaire& p = deA ? *a++ : *b++;
            t.contacts.push_back({i, p.speedbrick, p.contacts});
        }
    }
}

namespace {

// Counts the candidates debut to fin within the reach searched and those the exact test keeps,
// as retenir() decides (a head reports the later heads and the rings of the others).
void compterPlage(const Corps& tete, const Classement& corps, std::uint32_t debut,
                  std::uint32_t fin, bool tetes, PhaseLarge::Mesure& mesure) {
    const float carreMaximal = tetes ? kCarreTetes : kCarreAnneau;
    mesure.candidats += fin - debut;
    for (std::uint32_t k = debut; k < fin; ++k) {
        const std::uint32_t leur = corps.proprietaires[k];
        if (tetes ? leur <= tete.proprietaire : leur == tete.proprietaire) continue;
        const float carre =
            distanceCarree(tete.x, tete.y, tete.z, corps.x[k], corps.y[k], corps.z[k]);
        if (carre <= kPorteeTete * kPorteeTete) mesure.aPortee++;
        if (carre <= carreMaximal) mesure.contacts++;
    }
}

} // namespace

PhaseLarge::Mesure PhaseLarge::mesurer(const std::vector<T_Sexe>* sexes) {
    choisirParties(sexes);
    Mesure mesure;
    mesure.corps = tetes_.parCellule.size() + anneauxClasses_.parCellule.size();
    for (std::size_t t = 0; t < tetes_.parCellule.size(); ++t) {
        if (!peutSeReproduire(tetes_.proprietaires[t])) continue;
        const Corps tete{tetes_.x[t], tetes_.y[t], tetes_.z[t], tetes_.proprietaires[t]};
        mesure.tetes++;
        visiterPlagesAutour(tete, [&](bool tetes, std::uint32_t debut, std::uint32_t fin) {
            compterPlage(tete, tetes ? tetes_ : anneauxClasses_, debut, fin, tetes, mesure);
        });
    }
    return mesure;
}
