#pragma once

#include "C_SPEEDBRICK.h"
#include "Contact.h"
#include "GrilleUniforme.h"

#include <cstdint>
#include <vector>

// What PhaseLarge files and finds between its calls: the layout its search reads, shared by
// its methods and the helpers of PhaseLarge.cpp. Nobody else uses it.

namespace detailPhaseLarge {

/// A head or a ring: its centre and its owner's place in the snapshot.
struct Corps {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    std::uint32_t proprietaire = 0;
};

/// The parts bodies are filed in, by their owner's sex: a speedbrick only breeds with one of
/// the other sex, so the search for its partners reads one part alone. Sexes outside T_Sexe go
/// with the undecided.
constexpr int kParties = 3;

inline std::uint8_t partieDe(T_Sexe sexe) {
    return sexe == MALE || sexe == FEMELLE ? static_cast<std::uint8_t>(sexe) : 0;
}

/// Heads, or rings, filed by part, then by cell, a field at a time, so that the search reads
/// four at once; each field has three places to spare at its end. Cell c of part p is cell
/// p * grid cells + c of the casiers.
struct Classement {
    /// Files `corps`, whose owners are in `parties`; places[k] then tells where corps[k] went.
    void classer(const GrilleUniforme& grille, const std::vector<Corps>& corps,
                 const std::vector<std::uint8_t>& parties) {
        deposer(grille, corps, parties);
        repartir();
    }
    Casiers casiers;
    std::vector<Corps> parCellule;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> z;
    std::vector<std::uint32_t> proprietaires;
    std::vector<std::uint32_t> places;

private:
    /// The bodies in cell order, on the calling thread: a counting sort shared out among threads
    /// would have them write the same cache lines at every cell's border.
    void deposer(const GrilleUniforme& grille, const std::vector<Corps>& corps,
                 const std::vector<std::uint8_t>& parties);
    /// Then split into fields, on every thread.
    void repartir();
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

} // namespace detailPhaseLarge
