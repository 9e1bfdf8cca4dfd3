#pragma once

// What the window shows and how it moves, as plain numbers free of OpenGL: the window draws
// with them, and aquarium-serve gives them to its page, which draws the same.

/// The spheres' diffuse colours, RGBA: young (undecided), male and female heads, rings, cutits.
inline constexpr float kCouleurJeune[4] = {0.3f, 0.8f, 0.3f, 0.0f};
inline constexpr float kCouleurMale[4] = {0.0f, 0.0f, 1.0f, 0.0f};
inline constexpr float kCouleurFemelle[4] = {1.0f, 0.0f, 1.0f, 0.0f};
inline constexpr float kCouleurAnneau[4] = {1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr float kCouleurCutit[4] = {1.0f, 0.0f, 0.0f, 0.0f};

/// The window's size in pixels, whose proportions the camera is made for.
inline constexpr int kLargeurFenetre = 1000;
inline constexpr int kHauteurFenetre = 800;
inline constexpr double kProportion = 1.25;
/// The camera's field of view in degrees: at the start, per key press, at most.
inline constexpr float kFocaleInitiale = 60.0f;
inline constexpr float kPasFocale = 10.0f;
inline constexpr float kFocaleMax = 180.0f;
/// The near and far planes of the perspective.
inline constexpr double kPlanProche = 1.5;
inline constexpr double kPlanLointain = 5000.0;
/// Degrees the scene turns per frame, and the milliseconds a frame (a tick) lasts.
inline constexpr double kTourParImage = 0.2;
inline constexpr double kDureeTick = 25.0;
