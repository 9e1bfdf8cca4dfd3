#pragma once

#include <array>
#include <cstdint>

/// The simulation's random numbers: for the same seed, exactly the sequence of the C library's
/// srand()/rand() on glibc (its additive feedback generator of degree 31), from a state that
/// the program owns. It can be saved and restored, and a draw takes no lock.
class GenerateurAleatoire {
public:
    static constexpr int kDegre = 31;
    static constexpr int kSeparation = 3;
    static constexpr int kMaximum = 2147483647;

    /// Everything the next draws depend on.
    struct Etat {
        std::array<std::uint32_t, kDegre> table{};
        /// Places in the table of the two taps; `avant` is always `arriere` + 3, modulo 31.
        int avant = kSeparation;
        int arriere = 0;
        bool operator==(const Etat& autre) const {
            return table == autre.table && avant == autre.avant && arriere == autre.arriere;
        }
    };

    /// As srand(graine): 0 seeds like 1.
    void semer(unsigned graine);

    /// As rand(): a number from 0 to kMaximum.
    int tirer() {
        Prises prises = prisesActuelles();
        const std::uint32_t somme = avancer(prises);
        garder(prises);
        return static_cast<int>(somme >> 1);
    }

    /// As three calls of tirer(), in order. The taps lie three apart, so none of the three reads
    /// what another writes: they go side by side, the taps' places kept out of memory.
    std::array<int, 3> tirerTrois() {
        std::array<int, 3> tirages{};
        Prises prises = prisesActuelles();
        for (int& tirage : tirages)
            tirage = static_cast<int>(avancer(prises) >> 1);
        garder(prises);
        return tirages;
    }

    /// As `nombre` calls of tirer() whose numbers are not used.
    void passer(std::size_t nombre) {
        Prises prises = prisesActuelles();
        for (; nombre > 0; --nombre)
            avancer(prises);
        garder(prises);
    }

    const Etat& etat() const { return etat_; }
    /// Takes up the sequence where `etat` was saved; it must come from etat().
    void restaurer(const Etat& etat);

private:
    /// The taps' places, held out of the state while draws are taken.
    struct Prises {
        std::size_t avant = 0;
        std::size_t arriere = 0;
    };

    Prises prisesActuelles() const {
        return {static_cast<std::size_t>(etat_.avant), static_cast<std::size_t>(etat_.arriere)};
    }
    void garder(const Prises& prises) {
        etat_.avant = static_cast<int>(prises.avant);
        etat_.arriere = static_cast<int>(prises.arriere);
    }
    /// One step of the feedback: the table's new number, the taps moved on.
    std::uint32_t avancer(Prises& prises) {
        const std::uint32_t somme = etat_.table[prises.avant] + etat_.table[prises.arriere];
        etat_.table[prises.avant] = somme;
        prises.avant = prises.avant + 1 == kDegre ? 0 : prises.avant + 1;
        prises.arriere = prises.arriere + 1 == kDegre ? 0 : prises.arriere + 1;
        return somme;
    }

    Etat etat_{};
};

/// The one generator that every draw of the simulation takes from.
extern GenerateurAleatoire G_aleatoire;

/// Seeds the simulation's generator, as srand() would.
inline void semerAleatoire(unsigned graine) { G_aleatoire.semer(graine); }
/// The next number of the simulation's generator, as rand() would give it.
inline int aleatoire() { return G_aleatoire.tirer(); }
