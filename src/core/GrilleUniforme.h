#pragma once

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
/// the order in which they were given, the cells of one row along x one after the other. Keeps
/// its memory from one sort to the next.
class Casiers {
public:
    /// Sorts items 0 to nombre - 1 into cells 0 to nombreCellules - 1: celluleDe(k) gives the
    /// cell of item k, and deposer(k, place) is then called with its place in cell order, once
    /// per item, in order.
    template <typename CelluleDe, typename Deposer>
    void ranger(int nombreCellules, std::size_t nombre, CelluleDe celluleDe, Deposer deposer);
    /// The place of the first item of a cell.
    std::uint32_t debut(int cellule) const { return debuts_[static_cast<std::size_t>(cellule)]; }
    /// One past the place of the last item of a cell.
    std::uint32_t fin(int cellule) const { return debuts_[static_cast<std::size_t>(cellule) + 1]; }

private:
    std::vector<int> cellules_;
    /// Each cell's first place, then one past the last item's; one more entry, which the sort
    /// uses as it goes.
    std::vector<std::uint32_t> debuts_;
};

// Cell c's count lands two entries on, so that once summed, entry c + 1 holds c's first place:
// the items then move it on to c's end, which is c + 1's start, and no copy of the starts is
// needed for the way.
template <typename CelluleDe, typename Deposer>
void Casiers::ranger(int nombreCellules, std::size_t nombre, CelluleDe celluleDe, Deposer deposer) {
    const auto cellules = static_cast<std::size_t>(nombreCellules);
    cellules_.resize(nombre);
    debuts_.assign(cellules + 2, 0);
    for (std::size_t k = 0; k < nombre; ++k) {
        cellules_[k] = celluleDe(k);
        debuts_[static_cast<std::size_t>(cellules_[k]) + 2]++;
    }
    for (std::size_t c = 2; c < cellules + 1; ++c)
        debuts_[c] += debuts_[c - 1];
    for (std::size_t k = 0; k < nombre; ++k)
        deposer(k, debuts_[static_cast<std::size_t>(cellules_[k]) + 1]++);
}
