#pragma once

#include "Fiches.h"
#include "Recensement.h"
#include "Scenario.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

/// A recorded run read back one dumped tick at a time, whatever its format: the server's replay
/// and Python's read_trace read through it.
namespace fiches {

class LecteurReleves {
public:
    virtual ~LecteurReleves() = default;
    LecteurReleves() = default;
    LecteurReleves(const LecteurReleves&) = delete;
    LecteurReleves& operator=(const LecteurReleves&) = delete;

    /// The dumped ticks, in the file's order (strictly increasing).
    const std::vector<int>& ticks() const { return ticks_; }
    /// Each dumped tick's head counts, known from the opening; its events are not.
    const std::vector<Recensement>& recensements() const { return recensements_; }
    /// The tank of the run, as its first line or its settings name it.
    const std::array<int, 3>& cuve() const { return cuve_; }
    /// The rows of dumped tick number `ligne`; false with the reason when the file changed under
    /// the program.
    virtual bool lire(std::size_t ligne, Releve& releve, std::string& erreur) = 0;

protected:
    /// Notes one more dumped tick; the reason it cannot follow the previous one, if so.
    std::string noter(const Releve& releve);

    std::vector<int> ticks_;
    std::vector<Recensement> recensements_;
    std::array<int, 3> cuve_{TAILLE_AQUARIUM, TAILLE_AQUARIUM, TAILLE_AQUARIUM};
};

/// Opens and checks a whole trace, JSON Lines or HDF5 by its first bytes, so that a damaged one
/// is refused before anything is read from it. nullptr, with the reason in `erreur`, when it is
/// refused.
std::unique_ptr<LecteurReleves> ouvrirReleves(const std::string& chemin, std::string& erreur);

/// ouvrirReleves's reader of HDF5 traces (LectureHdf5.cpp).
std::unique_ptr<LecteurReleves> ouvrirRelevesHdf5(const std::string& chemin, std::string& erreur);

/// Counts speedbrick row `i` by kind and by sex, and its rings; false, counting nothing, for a
/// kind or a sex that is none of the world's.
bool compterSpeedbrick(const Rangees& speedbricks, std::size_t i, Recensement& recensement);
/// The head counts of a tick's rows (its events left 0); false as compterSpeedbrick.
bool recenser(const Releve& releve, Recensement& recensement);

} // namespace fiches
