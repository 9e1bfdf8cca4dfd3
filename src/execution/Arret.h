#pragma once

// The clean stop of a headless run: SIGINT or SIGTERM only asks the run loop to stop after the
// tick under way, so that every output ends whole; a second signal ends the process at once.

/// From now on, SIGINT and SIGTERM ask for the stop. Interrupted system calls resume, so that
/// a write under way when the signal comes is not cut short.
void intercepterArret();

/// The signal that asked for the stop; 0 while none has.
int arretDemande();

/// Gives SIGINT and SIGTERM back their default action, and forgets any request.
void relacherArret();

/// "SIGINT" or "SIGTERM".
const char* nomSignal(int signal);
