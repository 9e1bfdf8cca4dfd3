#pragma once

#include "C_SPEEDBRICK.h"
#include "GrilleUniforme.h"

#include <cstdint>
#include <functional>
#include <vector>

class C_CUTIT;

/// A speedbrick and a cutit that may touch, as their places in the pass's snapshots.
struct RencontrePossible {
    std::uint32_t speedbrick = 0;
    std::uint32_t cutit = 0;
};

/// Two speedbricks in contact, as their places in the pair pass's snapshot, the earlier one
/// first, and how many contacts of their bodies the pair-by-pair test would find.
struct ContactSpeedbricks {
    std::uint32_t premier = 0;
    std::uint32_t second = 0;
    std::uint32_t nombre = 0;
};

/// The broad phase of the collision pass: from the positions, it finds the few speedbrick-cutit
/// tests and speedbrick contacts there are, in the order in which the pair-by-pair loops reach
/// them, with a uniform grid instead of looking at every pair. The search for contacts runs on
/// every thread (see Fils.h); what it finds does not depend on their number. Keeps its buffers
/// from one tick to the next.
class PhaseLarge {
public:
    /// Files every head and ring of the snapshot by cell. The searches read what was filed:
    /// file again once a ring list or a position has changed.
    void ranger(const std::vector<C_SPEEDBRICK*>& speedbricks);

    /// Files again after rencontresAvecCutits() and the tests it asked for, when splits
    /// registered children: `paires` is the filed snapshot followed by them. Once per ranger().
    void rangerApresScissions(const std::vector<C_SPEEDBRICK*>& paires);

    /// Every speedbrick-cutit test that may find a contact, in the order of the pair-by-pair
    /// loops (speedbricks outside, cutits inside), the speedbricks as places in the filed
    /// snapshot. Only tests in which no body of the speedbrick comes near the cutit are left
    /// out. Valid until the next call.
    const std::vector<RencontrePossible>& rencontresAvecCutits(const std::vector<C_CUTIT*>& cutits);

    /// Hands every contact of the pair pass over the filed snapshot to `suite`, on the calling
    /// thread, a run at a time: found with the exact test (head against head, head against
    /// rings, either way), by pair in the order of the pair-by-pair loops: a pair comes once or
    /// twice in a row, and its counts add up to the contacts that a pair-by-pair test would
    /// find. The other threads prepare the next runs meanwhile: `suite` must leave the filed
    /// snapshot alone. Given `sexes` (one a speedbrick of the snapshot), only the contacts of
    /// speedbricks that can breed together are handed on, and a speedbrick that can breed with
    /// nobody is not even looked around.
    void contactsEntreSpeedbricks(
        const std::function<void(const std::vector<ContactSpeedbricks>&)>& suite,
        const std::vector<T_Sexe>* sexes = nullptr);

    /// A head or a ring: its centre and its owner's place in the snapshot.
    struct Corps {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        std::uint32_t proprietaire = 0;
    };

    /// Heads, or rings, filed by cell a field at a time, so that the search reads four at once;
    /// each field has three places to spare at its end.
    struct Classement {
        /// Files `corps`; places[k] then tells where corps[k] went.
        void classer(const GrilleUniforme& grille, const std::vector<Corps>& corps) {
            deposer(grille, corps);
            repartir();
        }
        /// The first step of classer(), on the calling thread alone: the bodies in cell order.
        void deposer(const GrilleUniforme& grille, const std::vector<Corps>& corps);
        /// The second, on every thread: the bodies split into fields.
        void repartir();

        Casiers casiers;
        std::vector<Corps> parCellule;
        std::vector<float> x;
        std::vector<float> y;
        std::vector<float> z;
        std::vector<std::uint32_t> proprietaires;
        std::vector<std::uint32_t> places;
    };

    /// The places of the bodies of one row of cells in a classement.
    struct Plage {
        std::uint32_t debut = 0;
        std::uint32_t fin = 0;
    };

    /// A speedbrick a head touches, and how many times.
    struct Partenaire {
        std::uint32_t speedbrick = 0;
        std::uint32_t contacts = 0;
    };

    /// What one task of the search finds, for a run of heads in cell order: each head's later
    /// partners, and the contacts of its head with the rings of earlier speedbricks, by the
    /// tranche of the earlier one.
    struct Morceau {
        std::vector<Partenaire> suivants;
        std::vector<std::vector<ContactSpeedbricks>> precedents;
        std::vector<Plage> plagesTetes;
        std::vector<Plage> plagesAnneaux;
        std::vector<std::uint32_t> touches;
        std::vector<std::uint32_t> tampon;
    };

    /// Where a head's later partners lie: in which task's list, from where, how many.
    struct Suivants {
        std::uint32_t morceau = 0;
        std::uint32_t debut = 0;
        std::uint32_t nombre = 0;
    };

    /// The contacts of a run of speedbricks with later ones, in order, and the room to put them
    /// in order.
    struct Tranche {
        std::vector<std::uint32_t> debuts;
        std::vector<Partenaire> precedents;
        std::vector<Partenaire> tampon;
        std::vector<ContactSpeedbricks> contacts;
    };

private:
    /// A speedbrick of the filed snapshot that split: its place, and the rings it kept.
    struct Scission {
        std::uint32_t parent = 0;
        std::uint32_t gardes = 0;
    };

    void copierBloc(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t bloc);
    bool trouverScissions(const std::vector<C_SPEEDBRICK*>& paires);
    void cederAnneaux(const Scission& scission, std::uint32_t enfant, const C_SPEEDBRICK& s);
    bool peutSeReproduire(std::uint32_t speedbrick) const;
    bool peuventSeReproduire(std::uint32_t premier, std::uint32_t second) const;
    void chercherMorceau(std::size_t morceau);
    void chercherAutourDe(std::size_t tete, Morceau& m, std::uint32_t* comptes);
    void classerPrecedents(std::size_t tranche);
    void fusionnerTranche(std::size_t tranche);

    GrilleUniforme grille_;
    /// The filed snapshot's heads, at their speedbricks' places, and its rings, speedbrick after
    /// speedbrick, in ring order; where each block of speedbricks' rings starts among them; how
    /// many rings each speedbrick has.
    std::vector<Corps> tetesEnOrdre_;
    std::vector<Corps> anneauxEnOrdre_;
    std::vector<std::size_t> debutsBlocs_;
    std::vector<std::uint32_t> anneaux_;
    Classement tetes_;
    Classement anneauxClasses_;
    std::vector<RencontrePossible> rencontres_;
    std::vector<Scission> scissions_;
    std::vector<Morceau> morceaux_;
    std::vector<Suivants> suivants_;
    std::vector<Tranche> tranches_;
    /// The sexes given to contactsEntreSpeedbricks(), if any.
    const std::vector<T_Sexe>* sexes_ = nullptr;
};
