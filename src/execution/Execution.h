#pragma once

#include "Sortie.h"

#include <functional>
#include <vector>

struct OptionsMonde;

/// Runs the world as the options say, exactly as the window would from the same seed, handing
/// every tick to the outputs, and the checkpoint when one is asked for; or takes up the run a
/// checkpoint saved. SIGINT or SIGTERM ends the run cleanly after the tick under way, a second
/// one at once; so does `remplacee` when given and true, another world taking the run's place.
/// Standard error gets the seed, a progress line when it is a terminal, and a summary at the end
/// saying why the run ended, each headed by `programme`. Returns the exit status: 0 when the run
/// reached its last tick or its bound, or was replaced; 128 + the signal's number when a signal
/// stopped it; kStatutEchecEcriture when a write failed during the run; kStatutRefus when the
/// checkpoint to resume is refused, contradicts the options, or an output could not be opened, in
/// which case nothing was simulated nor written and no file is left behind.
int executer(const char* programme, const OptionsMonde& options,
             const std::vector<Sortie*>& sorties, std::function<bool()> remplacee = {});
