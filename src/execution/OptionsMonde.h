#pragma once

#include "Scenario.h"

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Validator;
} // namespace CLI

/// The run every headless program makes, as read from its command line.
struct OptionsMonde {
    /// The calendar time unless given, as the windowed program seeds itself.
    unsigned graine = 0;
    int ticks = 3000;
    int fondateurs = 20;
    int bancs = 6;
    /// Tank, lifespan, time unit, sterility and shoal size.
    ReglagesMonde reglages;
    /// No console report on standard output.
    bool silencieux = false;

    /// The checkpoint's file; empty: none.
    std::string pointDeReprise;
    /// A checkpoint every this many ticks as well as at the end; 0: at the end only.
    int periodeReprise = 0;
    /// The checkpoint to take the run up from; empty: a fresh run.
    std::string reprendreDe;
    /// The run ends with the first tick that leaves more speedbricks alive; -1: no bound.
    long long maxSpeedbricks = -1;
    /// The world's options given on the command line, by name ("--seed"): a resumed run takes
    /// the others from its checkpoint and refuses these if they differ.
    std::vector<std::string> imposees;
};

/// Only plain decimal digits within [minimum, maximum] pass, with a message saying what the
/// option takes.
CLI::Validator entierEntre(unsigned long long minimum, unsigned long long maximum);

/// Declares --seed, --ticks, --founders, --shoals, the world's settings (--tank, --lifespan,
/// --time-unit, --sterility, --shoal-size) and --quiet, and seeds `options` with the calendar
/// time. The settings that only fail together are checked as the app's final callback. Then
/// the options of long runs (declarerOptionsReprise).
void declarerOptionsMonde(CLI::App& app, OptionsMonde& options);

/// Declares --checkpoint, --checkpoint-every, --resume and --max-speedbricks, and notes in
/// `options.imposees` which world options the command line gives.
void declarerOptionsReprise(CLI::App& app, OptionsMonde& options);

/// The options that make this world again, from the seed to the shoal size ("--seed 1
/// --founders 20 ... --shoal-size 8"), to say in a file which run made it.
std::string ligneDeCommande(const OptionsMonde& options);

/// Parses the command line. Returns the exit status when the program must stop there: 0 after
/// --help or --version, 2 after a refused value, whose one-line reason is already on stderr.
std::optional<int> analyserLigne(CLI::App& app, int argc, char** argv);

/// Whether two paths name the same file, when both are given.
bool memeFichier(const std::string& a, const std::string& b);
