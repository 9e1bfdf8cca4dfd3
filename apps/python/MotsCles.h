#pragma once

#include "OptionsMonde.h"

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

/// A keyword as the command line writes its value: a whole number, whatever its size, so that
/// the command line says what is wrong with it; TypeError for anything else.
std::string entier(const pybind11::handle& valeur, const char* nom);

/// A path as os.fspath gives it, in the file system's encoding. What its conversion raises, a
/// Ctrl-C in a path object's own code among it, is raised as it is, not as pybind11's TypeError.
std::string cheminDe(const pybind11::handle& valeur);

/// The options that build a world again, as World's keywords.
pybind11::dict reglages(const OptionsMonde& options);

/// World's keywords, and a seed unless None, as the command line's words, which the options'
/// own parser then reads; TypeError for a keyword of no option.
std::vector<std::string> ligneDesMotsCles(const pybind11::object& seed,
                                          const pybind11::kwargs& mots);

/// The keywords, their defaults and what they do, from the options' table.
std::string aideCreation();
