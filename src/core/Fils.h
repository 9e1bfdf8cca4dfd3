#pragma once

#include <cstddef>
#include <functional>

// The threads a tick spreads its heavier passes over. The simulation itself stays on the
// calling thread: only work whose result does not depend on who does it goes to the others.

/// How many threads share the work from now on, the calling one included; 0 means one per core.
/// Call between ticks, never from a task.
void fixerNombreDeFils(unsigned nombre);

/// The threads that share the work, the calling one included.
unsigned nombreDeFils();

/// Calls tache(k) once for every k from 0 to nombre - 1, spread over the threads in no fixed
/// order (a batch of a few tasks stays on the calling thread), and returns once every call has
/// returned. Each task must write only its own data.
void executerEnParallele(std::size_t nombre, const std::function<void(std::size_t)>& tache);

/// executerEnParallele over blocks: calls tache(debut, fin) for consecutive runs of at most
/// parBloc items that together cover 0 to nombre - 1.
void executerParBlocs(std::size_t nombre, std::size_t parBloc,
                      const std::function<void(std::size_t, std::size_t)>& tache);

/// As executerEnParallele, with the tasks taken in the order of k, and suite(k) called on the
/// calling thread for every k in order, once tache(k) has returned: the caller works through
/// the results while the other threads prepare the next. suite may change what it likes but
/// what the tasks read, and must not hand out work itself.
void executerEtSuivre(std::size_t nombre, const std::function<void(std::size_t)>& tache,
                      const std::function<void(std::size_t)>& suite);
