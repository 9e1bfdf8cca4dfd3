#pragma once

/// A speedbrick's head as a class of its own. It holds and draws nothing, and nothing creates
/// one: heads are drawn by C_SPHERE.
class C_TETE {
public:
    C_TETE();
    ~C_TETE();
};
