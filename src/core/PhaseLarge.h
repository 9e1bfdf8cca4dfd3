#pragma once

#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "GrilleUniforme.h"
#include "PhaseLargeDetail.h"

#include <cstdint>
#include <functional>
#include <vector>

class C_CUTIT;

/// The broad phase of the collision pass: from the positions, it finds the few speedbrick-cutit
/// tests and speedbrick contacts there are, in the order in which the pair-by-pair loops reach
/// them, with a uniform grid instead of looking at every pair. The search for contacts runs on
/// every thread (see Fils.h); what it finds does not depend on their number. Keeps its buffers
/// from one tick to the next.
class PhaseLarge {
public:
    /// Files every head and ring of the snapshot by its speedbrick's sex, then by cell. The
    /// searches read what was filed: file again once a ring list, a position or a sex has
    /// changed.
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
    /// speedbricks that can breed together are handed on, a speedbrick that can breed with
    /// nobody is not even looked around, and when they are the sexes filed, a head only reads
    /// the bodies of the other sex.
    void contactsEntreSpeedbricks(
        const std::function<void(const std::vector<ContactSpeedbricks>&)>& suite,
        const std::vector<T_Sexe>* sexes = nullptr);

    /// What the search of contactsEntreSpeedbricks() does over the filed snapshot, counted.
    struct Mesure {
        /// Heads and rings filed.
        std::uint64_t corps = 0;
        /// Heads looked around, and the bodies their exact test reads.
        std::uint64_t tetes = 0;
        std::uint64_t candidats = 0;
        /// Candidates within the reach searched, and those the exact test keeps.
        std::uint64_t aPortee = 0;
        std::uint64_t contacts = 0;
    };

    /// Counts what the search does over the filed snapshot, on the calling thread, with the
    /// same `sexes` as contactsEntreSpeedbricks(): slowly, for a benchmark's figures.
    Mesure mesurer(const std::vector<T_Sexe>* sexes = nullptr);

private:
    /// A speedbrick of the filed snapshot that split: its place, and the rings it kept.
    struct Scission {
        std::uint32_t parent = 0;
        std::uint32_t gardes = 0;
    };

    void copierBloc(const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t bloc);
    bool trouverScissions(const std::vector<C_SPEEDBRICK*>& paires);
    void cederAnneaux(const Scission& scission, std::uint32_t enfant, const C_SPEEDBRICK& s);
    void choisirParties(const std::vector<T_Sexe>* sexes);
    bool peutSeReproduire(std::uint32_t speedbrick) const;
    bool peuventSeReproduire(std::uint32_t premier, std::uint32_t second) const;
    void chercherMorceau(std::size_t morceau);
    template <typename Visiteur>
    void visiterPlagesAutour(const detailPhaseLarge::Corps& tete, Visiteur visiter) const;
    void chercherAutourDe(std::size_t tete, detailPhaseLarge::Morceau& m, std::uint32_t* comptes);
    void classerPrecedents(std::size_t tranche);
    void fusionnerTranche(std::size_t tranche);

    GrilleUniforme grille_;
    /// The filed snapshot's heads, at their speedbricks' places, and its rings, speedbrick after
    /// speedbrick, in ring order; where each block of speedbricks' rings starts among them; how
    /// many rings each speedbrick has.
    std::vector<detailPhaseLarge::Corps> tetesEnOrdre_;
    std::vector<detailPhaseLarge::Corps> anneauxEnOrdre_;
    std::vector<std::size_t> debutsBlocs_;
    std::vector<std::uint32_t> anneaux_;
    /// Each speedbrick's sex when it was filed, and the part its bodies were filed in.
    std::vector<T_Sexe> sexesRanges_;
    std::vector<std::uint8_t> parties_;
    detailPhaseLarge::Classement tetes_;
    detailPhaseLarge::Classement anneauxClasses_;
    std::vector<RencontrePossible> rencontres_;
    std::vector<Scission> scissions_;
    std::vector<detailPhaseLarge::Morceau> morceaux_;
    std::vector<detailPhaseLarge::Suivants> suivants_;
    std::vector<detailPhaseLarge::Tranche> tranches_;
    /// The sexes given to contactsEntreSpeedbricks(), if any, and whether its search reads the
    /// partners' part alone.
    const std::vector<T_Sexe>* sexes_ = nullptr;
    bool parSexe_ = false;
};
