#pragma once

#include <optional>
#include <string>

/// What one batch run does, as read from the command line.
struct OptionsLot {
    /// The calendar time unless given, as the windowed program seeds itself.
    unsigned graine = 0;
    int ticks = 3000;
    int fondateurs = 20;
    int bancs = 6;
    /// Empty: no state trace.
    std::string fichierEtat;
    /// 0: the state trace holds only the first and the last tick.
    int periodeEtat = 0;
    /// Empty: no statistics.
    std::string fichierStats;
    bool silencieux = false;
};

/// The program's name, at the head of every line it writes to standard error.
inline constexpr char kProgramme[] = "aquarium-batch";

/// Reads the command line. Returns the exit status when the program must stop there: 0 after
/// --help or --version, 2 after a refused value, whose one-line reason is already on stderr.
std::optional<int> lireOptions(int argc, char** argv, OptionsLot& options);
