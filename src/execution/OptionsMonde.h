#pragma once

#include "Scenario.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace CLI {
class App;
class ParseError;
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
    /// The options given on the command line, by name ("--seed"): a resumed run takes the
    /// world's others from its checkpoint and refuses these if they differ.
    std::vector<std::string> imposees;

    /// Whether the command line gave this option.
    bool donnee(const std::string& nom) const;
};

/// The tank's three sides, given as one option ("600,600,600").
struct CuveMonde {};

/// Where an option's value lives: a field of the options or of the world's settings, or the
/// tank.
using ChampOption = std::variant<unsigned OptionsMonde::*, int OptionsMonde::*,
                                 long long OptionsMonde::*, bool OptionsMonde::*,
                                 std::string OptionsMonde::*, int ReglagesMonde::*, CuveMonde>;

/// What an option says of the run.
enum class RoleOption {
    /// The seed: the world's first draw.
    graine,
    /// A setting of the world, fixed at its seeding.
    reglage,
    /// How this run goes, which a resumed run may change.
    course,
};

/// One option that every headless program takes, declared here once: the command line, its
/// refusals, a resumed run's contradiction check, the checkpoint, the command-line echo and the
/// summary's settings all read it from this table.
struct DefinitionOption {
    const char* nom;
    const char* aide;
    ChampOption champ;
    RoleOption role = RoleOption::course;
    /// Its key in the summary ("timeUnit"); nullptr: not there.
    const char* cle = nullptr;
    /// The range of a whole number.
    unsigned long long minimum = 0;
    unsigned long long maximum = 0;
    /// What --help calls the value ("FILE"); nullptr: its type's.
    const char* typeNom = nullptr;
    /// Whether --help shows the default, which must then say something.
    bool defautAffiche = true;
    /// The option it is meaningless without, if any.
    const char* requiert = nullptr;

    /// A resumed run takes it from its checkpoint, and refuses another value.
    bool repris() const { return role != RoleOption::course; }
};

/// Every shared option, in the order of --help, of the checkpoint and of the summary.
const std::vector<DefinitionOption>& optionsCommunes();

/// The option's value as the command line writes it ("600,600,600", "20").
std::string texteOption(const DefinitionOption& option, const OptionsMonde& options);
/// Whether two runs' options agree on this one.
bool memeValeur(const DefinitionOption& option, const OptionsMonde& a, const OptionsMonde& b);
/// Copies this option's value from one run's options to another's.
void copierValeur(const DefinitionOption& option, OptionsMonde& vers, const OptionsMonde& de);

/// Only plain decimal digits within [minimum, maximum] pass, with a message saying what the
/// option takes.
CLI::Validator entierEntre(unsigned long long minimum, unsigned long long maximum);

/// Declares every shared option and seeds `options` with the calendar time. The settings that
/// only fail together are checked as the app's final callback; `options.imposees` notes the
/// options the command line gives.
void declarerOptionsMonde(CLI::App& app, OptionsMonde& options);

/// The options that make this world again, from the seed to the shoal size ("--seed 1
/// --founders 20 ... --shoal-size 8"), to say in a file which run made it.
std::string ligneDeCommande(const OptionsMonde& options);

/// The world's settings by their summary keys: {"founders":20,...,"tank":[600,600,600],...}.
nlohmann::ordered_json reglagesEnJson(const OptionsMonde& options);

/// Declares --version, then parses the command line. Returns the exit status when the program must stop there: 0 after
/// --help or --version, 2 after a refused value, whose one-line reason is already on stderr.
std::optional<int> analyserLigne(CLI::App& app, int argc, char** argv);

/// The one-line reason of a refused command line, as analyserLigne writes it after the
/// program's name.
std::string raisonRefus(const CLI::ParseError& erreur);

/// Whether two paths name the same file, when both are given.
bool memeFichier(const std::string& a, const std::string& b);
