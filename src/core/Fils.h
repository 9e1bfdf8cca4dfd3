#pragma once

#include <cstddef>
#include <functional>

// The threads the collision pass spreads its search over. The simulation itself stays on the
// calling thread: only work whose result does not depend on who does it goes to the others.

/// How many threads share the work from now on, the calling one included; 0 means one per core.
/// Call between ticks, never from a task.
void fixerNombreDeFils(unsigned nombre);

/// The threads that share the work, the calling one included.
unsigned nombreDeFils();

/// Calls tache(k) once for every k from 0 to nombre - 1, spread over the threads in no fixed
/// order, and returns once every call has returned. Each task must write only its own data.
void executerEnParallele(std::size_t nombre, const std::function<void(std::size_t)>& tache);
