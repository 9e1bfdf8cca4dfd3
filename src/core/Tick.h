#pragma once

class C_SPEEDBRICK;
class C_CUTIT;

// One tick of the world, the same for the window and for the headless programs.

/// One whole tick: passerTemps(), animerOrganismes(), gererCollisions(), in that order.
void avancerTick();
/// The same tick with the pair-by-pair collision pass, the reference of the broad phase.
void avancerTickParPaires();

/// Advances the world's clock by one tick.
void passerTemps();

/// Grows every speedbrick, then moves every speedbrick, then every cutit.
void animerOrganismes();

/// Tests every speedbrick against every cutit, then every pair of speedbricks, handing each
/// contact to the world's encounter rules; then frees the speedbricks that died this tick.
/// A broad phase leaves out the tests that cannot find a contact: the encounters, their
/// arguments and their order are those of gererCollisionsParPaires().
void gererCollisions();

/// The same pass with every test made, pair by pair: the reference for gererCollisions(), for
/// tests and benchmarks. Its cost grows with the square of the population.
void gererCollisionsParPaires();

/// Every contact of two speedbricks' heads, or of one's head with the other's rings, calls
/// the encounter once with (premier, second).
void testCollision(C_SPEEDBRICK* premier, C_SPEEDBRICK* second);

/// A cutit touching the head asks for a split at the middle ring; touching a ring, at that
/// ring's index. A speedbrick without rings never meets a cutit.
void testCollision(C_SPEEDBRICK* s, C_CUTIT* c);
