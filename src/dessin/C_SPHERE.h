#pragma once

class C_SPEEDBRICK;
class C_ANNEAU;
class C_CUTIT;

/// Draws one creature, or one ring, as a lit sphere at its place. Keeps nothing between calls
/// and leaves the model-view matrix as it found it.
class C_SPHERE {
public:
    /// The head, coloured by sex: light green undecided, blue male, magenta female.
    void afficheToi(C_SPEEDBRICK* s);
    /// A white ring.
    void afficheToi(C_ANNEAU* anneau);
    /// A red cutit.
    void afficheToi(C_CUTIT* c);
};

/// How spheres are drawn: replayed from a display list per radius of the same 15 × 15 sphere
/// (the default), made again in each GL context that draws, or sent from the vertex arrays for
/// every sphere. The pictures are the same.
void dessinerSpheresParListes(bool oui);
