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
        const std::uint32_t somme = etat_.table[avant()] + etat_.table[arriere()];
        etat_.table[avant()] = somme;
        etat_.avant = etat_.avant + 1 == kDegre ? 0 : etat_.avant + 1;
        etat_.arriere = etat_.arriere + 1 == kDegre ? 0 : etat_.arriere + 1;
        return static_cast<int>(somme >> 1);
    }

    /// As three calls of tirer(), in order. The taps lie three apart, so none of the three reads
    /// what another writes: they go side by side, the taps' places kept out of memory.
    std::array<int, 3> tirerTrois() {
        std::array<int, 3> tirages{};
        int avant = etat_.avant;
        int arriere = etat_.arriere;
        for (int& tirage : tirages) {
            const std::uint32_t somme = etat_.table[static_cast<std::size_t>(avant)] +
                                        etat_.table[static_cast<std::size_t>(arriere)];
            etat_.table[static_cast<std::size_t>(avant)] = somme;
            tirage = static_cast<int>(somme >> 1);
            avant = avant + 1 == kDegre ? 0 : avant + 1;
            arriere = arriere + 1 == kDegre ? 0 : arriere + 1;
        }
        etat_.avant = avant;
        etat_.arriere = arriere;
        return tirages;
    }

    /// As `nombre` calls of tirer() whose numbers are not used.
    void passer(std::size_t nombre) {
        std::size_t avant = this->avant();
        std::size_t arriere = this->arriere();
        for (; nombre > 0; --nombre) {
            etat_.table[avant] += etat_.table[arriere];
            avant = avant + 1 == kDegre ? 0 : avant + 1;
            arriere = arriere + 1 == kDegre ? 0 : arriere + 1;
        }
        etat_.avant = static_cast<int>(avant);
        etat_.arriere = static_cast<int>(arriere);
    }

    const Etat& etat() const { return etat_; }
    /// Takes up the sequence where `etat` was saved; it must come from etat().
    void restaurer(const Etat& etat);

private:
    std::size_t avant() const { return static_cast<std::size_t>(etat_.avant); }
    std::size_t arriere() const { return static_cast<std::size_t>(etat_.arriere); }

    Etat etat_{};
};

/// The one generator that every draw of the simulation takes from.
extern GenerateurAleatoire G_aleatoire;

/// Seeds the simulation's generator, as srand() would.
inline void semerAleatoire(unsigned graine) { G_aleatoire.semer(graine); }
/// The next number of the simulation's generator, as rand() would give it.
inline int aleatoire() { return G_aleatoire.tirer(); }
