#pragma once

#include "Image.h"

#include <optional>
#include <string>
#include <vector>

// The X server seen from outside, as a user would: xdotool finds windows and types, ImageMagick
// takes screenshots.

struct Geometrie {
    int x = 0;
    int y = 0;
    int largeur = 0;
    int hauteur = 0;
};

/// Windows titled exactly "Aquarium"; with visibles, only those already mapped on screen (a
/// window gets its title before it is mapped, and cannot take the keyboard until it is).
std::vector<std::string> fenetresAquarium(bool visibles = false);
std::string titre(const std::string& fenetre);
std::optional<Geometrie> geometrie(const std::string& fenetre);
/// What the screen shows where the window is, saved as a PNG at chemin too.
Image capturer(const Geometrie& g, const std::string& chemin);
/// Gives the window the keyboard, then types the keys (xdotool key names) through XTEST.
bool taper(const std::string& fenetre, const std::string& touches);
