#pragma once

#include "Fiches.h"

#include <pybind11/pybind11.h>

#include <string>

/// A table's rows as numpy arrays, one per field under its name: an integer or a name's index a
/// column, a triplet (n, 3), the genes (n, genes).
pybind11::dict colonnes(const fiches::Rangees& rangees);

/// The same rows as a pandas DataFrame of flat columns, the row's tick first, a triplet's axes
/// and the genes each their own column (x, y, z for a position, velocity_x..., genome_0...).
pybind11::object cadre(const fiches::Rangees& rangees);

/// The rows of the table named `nom` in a tick's rows; ValueError for a name of no table.
const fiches::Rangees& rangeesNommees(const fiches::Releve& releve, const std::string& nom);

/// A docstring of the columns of a table: `debut`, then each field and its meaning.
std::string docColonnes(const char* debut, const fiches::Table& table);

/// The tables' names, in their order.
pybind11::tuple nomsDesTables();
