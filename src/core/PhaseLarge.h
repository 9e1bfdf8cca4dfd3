#pragma once

#include "GrilleUniforme.h"

#include <cstdint>
#include <vector>

class C_SPEEDBRICK;
class C_CUTIT;

/// A speedbrick and a cutit that may touch, as their places in the pass's snapshots.
struct RencontrePossible {
    std::uint32_t speedbrick = 0;
    std::uint32_t cutit = 0;
};

/// One contact between two speedbricks, as their places in the pair pass's snapshot, the
/// earlier one first.
struct ContactSpeedbricks {
    std::uint32_t premier = 0;
    std::uint32_t second = 0;
};

/// The broad phase of the collision pass: from the positions, it finds the few speedbrick-cutit
/// tests and speedbrick contacts there are, in the order in which the pair-by-pair loops reach
/// them, with a uniform grid instead of looking at every pair. Keeps its buffers from one tick
/// to the next.
class PhaseLarge {
public:
    /// Every speedbrick-cutit test that may find a contact, in the order of the pair-by-pair
    /// loops (speedbricks outside, cutits inside). Only tests in which no body of the speedbrick
    /// comes near the cutit are left out. Reads the ring lists as they stand: call before the
    /// pass. Valid until the next call.
    const std::vector<RencontrePossible>&
    rencontresAvecCutits(const std::vector<C_SPEEDBRICK*>& speedbricks,
                         const std::vector<C_CUTIT*>& cutits);

    /// Every contact of the pair pass, found with the exact test: one entry per contact that a
    /// pair-by-pair test would find (head against head, head against rings, either way),
    /// sorted by pair in the order of the pair-by-pair loops. Valid until the next call.
    const std::vector<ContactSpeedbricks>&
    contactsEntreSpeedbricks(const std::vector<C_SPEEDBRICK*>& speedbricks);

    /// A head or a ring, filed by cell with its owner's place in the snapshot.
    struct Corps {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        std::uint32_t proprietaire = 0;
        bool tete = false;
    };

private:
    void preparerCutits(const GrilleUniforme& grille, const std::vector<C_CUTIT*>& cutits);
    void ajouterCutitsAutourDe(const GrilleUniforme& grille, const std::vector<C_CUTIT*>& cutits,
                               float x, float y, float z, float rayon);
    void preparerCorps(const GrilleUniforme& grille, const std::vector<C_SPEEDBRICK*>& speedbricks);
    void trouverContactsDeLaTete(const GrilleUniforme& grille, const Corps& tete);
    void trierParPaire(std::size_t speedbricks);

    Casiers<std::uint32_t> cutits_;
    std::vector<std::uint32_t> cutitsProches_;
    std::vector<RencontrePossible> rencontres_;
    Casiers<Corps> corps_;
    std::vector<ContactSpeedbricks> trouves_;
    std::vector<std::uint32_t> debutsParPremier_;
    std::vector<ContactSpeedbricks> contacts_;
};
