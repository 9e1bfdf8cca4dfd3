#pragma once

struct OptionsLot;

/// Runs the world as the options say. Returns the exit status: 0; 1 when a write failed
/// during the run; 2 when an output could not be opened, in which case nothing was simulated
/// and no file is left behind.
int executerLot(const OptionsLot& options);
