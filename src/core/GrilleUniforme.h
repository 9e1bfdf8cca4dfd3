#pragma once

#include "Fils.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

/// A uniform grid of cubic cells over the tank, for finding what lies near a point without
/// looking at everything. Points outside the tank fall in the nearest border cell, so every
/// coordinate has a cell; a cell's place along an axis never decreases with the coordinate (NaN
/// lands in place 0), so the cells of a range of coordinates run from the place of its low end
/// to that of its high end.
class GrilleUniforme {
public:
    /// One cell holding everything.
    GrilleUniforme() = default;
    /// Cells of side `cote` covering 0..taille on each axis.
    GrilleUniforme(float cote, int tailleX, int tailleY, int tailleZ);

    /// The place along one axis (0 x, 1 y, 2 z) of the cells holding this coordinate.
    int rang(int axe, float coordonnee) const {
        const float f = coordonnee * inverseCote_;
        if (!(f >= 0.0f)) return 0;
        if (f >= static_cast<float>(nombre_[axe])) return nombre_[axe] - 1;
        return static_cast<int>(f);
    }
    /// Index of the cell of a point.
    int cellule(float x, float y, float z) const {
        return indice(rang(0, x), rang(1, y), rang(2, z));
    }
    /// Cells along x have consecutive indices.
    int indice(int cx, int cy, int cz) const { return (cz * nombre_[1] + cy) * nombre_[0] + cx; }
    /// Number of cells along one axis.
    int nombre(int axe) const { return nombre_[axe]; }
    int nombreCellules() const { return nombre_[0] * nombre_[1] * nombre_[2]; }

private:
    float inverseCote_ = 1.0f;
    int nombre_[3] = {1, 1, 1};
};

/// Where items go when sorted by cell with a counting sort: each cell's items contiguous and in
/// the order in which they were given, the cells of one row along x one after the other. Large
/// sorts are shared out among the threads (see Fils.h), with the same result. Keeps its memory
/// from one sort to the next.
class Casiers {
public:
    /// Sorts items 0 to nombre - 1 into cells 0 to nombreCellules - 1: celluleDe(k) gives the
    /// cell of item k, and deposer(k, place) is then called with its place in cell order. Both
    /// are called once per item, possibly from several threads at once.
    template <typename CelluleDe, typename Deposer>
    void ranger(int nombreCellules, std::size_t nombre, CelluleDe celluleDe, Deposer deposer);
    /// The place of the first item of a cell.
    std::uint32_t debut(int cellule) const { return debuts_[static_cast<std::size_t>(cellule)]; }
    /// One past the place of the last item of a cell.
    std::uint32_t fin(int cellule) const { return debuts_[static_cast<std::size_t>(cellule) + 1]; }

private:
    /// Below this many items, one thread sorts them sooner than it would wake the others.
    static constexpr std::size_t kParPartMinimum = 16384;

    std::size_t debutDePart(std::size_t part) const {
        return cellules_.size() * part / places_.size();
    }

    std::vector<int> cellules_;
    std::vector<std::uint32_t> debuts_;
    /// For each part of the items, the next place of each cell.
    std::vector<std::vector<std::uint32_t>> places_;
};

// Each part counts its own items by cell; the cells' places then go to the parts in the order of
// the items, so that each part lays its items where one pass over them all would.
template <typename CelluleDe, typename Deposer>
void Casiers::ranger(int nombreCellules, std::size_t nombre, CelluleDe celluleDe, Deposer deposer) {
    const auto cellules = static_cast<std::size_t>(nombreCellules);
    places_.resize(
        std::max<std::size_t>(1, std::min<std::size_t>(nombreDeFils(), nombre / kParPartMinimum)));
    cellules_.resize(nombre);
    executerEnParallele(places_.size(), [&](std::size_t part) {
        std::vector<std::uint32_t>& comptes = places_[part];
        comptes.assign(cellules, 0);
        for (std::size_t k = debutDePart(part); k < debutDePart(part + 1); ++k) {
            cellules_[k] = celluleDe(k);
            comptes[static_cast<std::size_t>(cellules_[k])]++;
        }
    });
    debuts_.resize(cellules + 1);
    std::uint32_t place = 0;
    for (std::size_t c = 0; c < cellules; ++c) {
        debuts_[c] = place;
        for (std::vector<std::uint32_t>& comptes : places_) {
            const std::uint32_t compte = comptes[c];
            comptes[c] = place;
            place += compte;
        }
    }
    debuts_[cellules] = place;
    executerEnParallele(places_.size(), [&](std::size_t part) {
        std::vector<std::uint32_t>& prochaine = places_[part];
        for (std::size_t k = debutDePart(part); k < debutDePart(part + 1); ++k)
            deposer(k, prochaine[static_cast<std::size_t>(cellules_[k])]++);
    });
}
