#pragma once

#include "OptionsMonde.h"

#include <string>
#include <string_view>
#include <variant>

/// What a page may ask of the live run.
enum class Action { pause, jouer, pas, cadence, demarrer };

/// A page's control, read and checked.
struct Commande {
    Action action = Action::pause;
    /// The pace's: 0, as fast as the machine goes.
    int ticksParSeconde = 0;
    /// The world to start, read by the command line's own parser.
    OptionsMonde options;
};

/// A control refused: why, and the form's field it is about (empty: none, or not known).
struct RefusCommande {
    std::string erreur;
    std::string option;
};

/// The largest body a control may have.
inline constexpr std::size_t kCorpsCommandeMax = 4096;

/// Reads a control's JSON body. A world's options are those of the form only, each a text as
/// the command line writes it (an empty one taken as absent), checked as the command line is:
/// the refusal is then the command line's, less the program's name.
std::variant<Commande, RefusCommande> lireCommande(std::string_view corps);

/// The form a page starts a world with, as /options.json: the seed, the world's settings and
/// the run's other non-file options, each with its help, its value in `courantes`, its default,
/// its range if a whole number, and the name of its value, in the table's order.
std::string formulaire(const OptionsMonde& courantes);
