#pragma once

#include <nlohmann/json.hpp>

#include <string>

struct OptionsMonde;

/// Which run made a file, as the files say it: the program, its version, the command that
/// makes the same world again, the seed and the world's settings.
struct Provenance {
    /// The program's own name ("aquarium-batch").
    std::string programme;
    std::string version;
    /// The program's name and the options that make this world again.
    std::string commande;
    unsigned graine = 0;
    /// By their summary keys (reglagesEnJson's).
    nlohmann::ordered_json reglages;
};

/// The provenance of the run that `programme` makes with `options` (a resumed run's own).
Provenance provenance(const char* programme, const OptionsMonde& options);
