#pragma once

#include "Image.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// A recorded run, read back one dumped tick at a time as the page's pictures, through fiches'
/// reader of its format.
class LecteurTrace {
public:
    virtual ~LecteurTrace() = default;
    /// The dumped ticks, in the file's order (ticks strictly increasing).
    virtual std::size_t lignes() const = 0;
    /// One population chart row per dumped tick (ajouterHistorique's), known from the opening.
    virtual const std::vector<std::int32_t>& historique() const = 0;
    /// The whole picture of dumped tick `ligne`; false with the reason when the file changed
    /// under the program.
    virtual bool lire(std::size_t ligne, Image& image, std::string& erreur) = 0;
};

/// Opens and checks a whole trace, JSON Lines or HDF5, so that a damaged one is refused before
/// anything is served. nullptr, with the reason in `erreur`, when it is refused.
std::unique_ptr<LecteurTrace> ouvrirTrace(const std::string& chemin, std::string& erreur);
