#pragma once

#include "C_SPEEDBRICK.h"

#include <utility>
#include <vector>

/// Circles widely and slowly in the y-z plane, ignoring its velocity; never dies.
class C_SPEEDBRICK_GENTIL : public C_SPEEDBRICK {
public:
    /// Birth at (x, y, z) with the given genome; the caller registers the child.
    C_SPEEDBRICK_GENTIL(std::vector<int> genome, float x, float y, float z)
        : C_SPEEDBRICK(std::move(genome), x, y, z) {}

    /// This kind never leaves the world.
    void mourir() override {}
    void seDeplacer() override;
    void seScinder(int k) override;
    T_Genre getGenre() const override { return GENRE_GENTIL; }

private:
    friend class C_SPEEDBRICK;
    /// The bare organism that a split or a saved world fills in.
    C_SPEEDBRICK_GENTIL() = default;
};
