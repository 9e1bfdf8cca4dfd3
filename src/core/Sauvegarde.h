#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The whole world as bytes, so that a long run can stop and take up again where it stopped:
// the same ticks, draws and reports as if it had never stopped.

/// The layout of the saved bytes; a change of it gets a new number.
inline constexpr std::uint32_t kVersionMonde = 1;

/// Appends to `octets` everything the next tick reads: the settings, clock and counters, every
/// speedbrick and cutit with every field in registry order, each speedbrick's rings in order,
/// and the generator's state. The world must exist, between two ticks.
void sauvegarderMonde(std::string& octets);

/// Replaces the world, if any, by the one saved in `octets`, and the generator's state by the
/// saved one. When the bytes are not one whole saved world, says why in `erreur`, leaves no
/// world and the generator as it was, and returns false.
bool restaurerMonde(std::string_view octets, std::string& erreur);
