#pragma once

#include "C_SPEEDBRICK.h"
#include "Contact.h"

#include <array>
#include <cstdint>
#include <vector>

/// The pair pass's encounters, as C_AQUARIUM::interaction has them, from what they read of each
/// speedbrick gathered beforehand: the speedbricks of a crowd lie all over memory, and each
/// encounter would wait for its two, while these few bytes stay in the cache. Only a fertile
/// female's encounter touches the speedbricks themselves. The new velocities are drawn in turn
/// but given at the end of the pass: nothing reads a velocity before. Keeps its buffers from one
/// pass to the next.
class Rencontres {
public:
    /// Reads the snapshot, on every thread. The snapshot must outlive the pass.
    void preparer(const std::vector<C_SPEEDBRICK*>& paires);

    /// The sexes the broad phase needs to drop the contacts of speedbricks that cannot breed
    /// together, unless every encounter is being recorded: they change nothing.
    const std::vector<T_Sexe>* sexesPourElaguer() const;

    /// Each contact, as many times as it counts, in order.
    void rencontrer(const std::vector<ContactSpeedbricks>& contacts);

    /// Gives the speedbricks their last new velocity, on every thread.
    void conclure();

private:
    struct Etat {
        bool tourneAUnMur;
        bool feconde;
        bool aChangeDeVitesse;
    };

    bool peuventSeReproduire(std::uint32_t i, std::uint32_t j) const {
        return C_SPEEDBRICK::peuventSeReproduire(sexes_[i], sexes_[j]);
    }
    void seReproduire(std::uint32_t i, std::uint32_t j);
    void seReproduirePlusieursFois(std::uint32_t i, std::uint32_t j, std::uint32_t fois);
    void changerDeVitesse(Etat& etat, std::uint32_t i);

    const std::vector<C_SPEEDBRICK*>* paires_ = nullptr;
    std::vector<T_Sexe> sexes_;
    std::vector<Etat> etats_;
    std::vector<std::array<float, 3>> vitesses_;
};
