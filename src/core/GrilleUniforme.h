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

/// Items sorted by cell with a counting sort: each cell's items contiguous and in the order in
/// which they were added, the cells of one row along x one after the other. Keeps its memory
/// from one filling to the next.
template <typename T> class Casiers {
public:
    /// Empties every bin, for a grid of the given number of cells.
    void vider(int nombreCellules);
    void ajouter(int cellule, const T& element) {
        cellules_.push_back(cellule);
        enAttente_.push_back(element);
    }
    /// Sorts what was added since vider(); call before reading.
    void ranger();
    /// Every item, cell after cell.
    const std::vector<T>& elements() const { return elements_; }
    /// The items of cells debut to fin, inclusive.
    const T* debut(int premiereCellule) const {
        return elements_.data() + debuts_[premiereCellule];
    }
    const T* fin(int derniereCellule) const {
        return elements_.data() + debuts_[derniereCellule + 1];
    }

private:
    std::vector<int> cellules_;
    std::vector<T> enAttente_;
    std::vector<std::uint32_t> debuts_;
    std::vector<std::uint32_t> places_;
    std::vector<T> elements_;
};

template <typename T> void Casiers<T>::vider(int nombreCellules) {
    cellules_.clear();
    enAttente_.clear();
    debuts_.assign(static_cast<std::size_t>(nombreCellules) + 1, 0);
}

template <typename T> void Casiers<T>::ranger() {
    for (int cellule : cellules_)
        debuts_[static_cast<std::size_t>(cellule) + 1]++;
    for (std::size_t c = 1; c < debuts_.size(); ++c)
        debuts_[c] += debuts_[c - 1];
    places_.assign(debuts_.begin(), debuts_.end() - 1);
    elements_.resize(enAttente_.size());
    for (std::size_t k = 0; k < enAttente_.size(); ++k) {
        elements_[places_[static_cast<std::size_t>(cellules_[k])]++] = enAttente_[k];
    }
}
