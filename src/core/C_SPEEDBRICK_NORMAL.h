#pragma once

#include "C_SPEEDBRICK.h"

#include <utility>
#include <vector>

/// Travels along its velocity, undulates, bounces off the walls and dies of old age.
class C_SPEEDBRICK_NORMAL : public C_SPEEDBRICK {
public:
    /// Founder carrying gene k (the seeding's speedbricks).
    explicit C_SPEEDBRICK_NORMAL(int k) : C_SPEEDBRICK(k) {}
    /// Birth at (x, y, z) with the given genome; the caller registers the child.
    C_SPEEDBRICK_NORMAL(std::vector<int> genome, float x, float y, float z)
        : C_SPEEDBRICK(std::move(genome), x, y, z) {}

    void seDeplacer() override;
    void seScinder(int k) override;
    T_Genre getGenre() const override { return GENRE_NORMAL; }
    /// Sideways swing across the line of travel, in step with the clock.
    void onduler();

private:
    friend class C_SPEEDBRICK;
    /// The bare organism that a split or a saved world fills in.
    C_SPEEDBRICK_NORMAL() = default;
};
