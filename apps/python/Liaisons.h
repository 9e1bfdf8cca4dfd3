#pragma once

#include <pybind11/pybind11.h>

/// Binds World, the core's world (Monde.cpp).
void lierMonde(pybind11::module_& m);
/// Binds Trace and read_trace, a recorded run read back (Trace.cpp).
void lierTrace(pybind11::module_& m);
