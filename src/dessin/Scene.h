#pragma once

// The scene that the window shows and the recorder films: the camera, the turn of the view and
// the drawing of one frame, into whatever GL context is current.

extern int G_dimensionAquariumX;
extern int G_dimensionAquariumY;
extern int G_dimensionAquariumZ;
/// Vertical field of view, in degrees, kept within 0 to 180.
extern float G_focaleCamera;
/// Whether each frame drawn turns the view a little further.
extern bool G_rotationAutomatique;
/// Angle of the view about the vertical axis, in degrees.
extern float G_rotation;

/// Projection, camera and fixed rendering state, rebuilt from the globals.
void initialisationScene();

/// One frame of the tank and everything in it, left in the draw buffer: the caller shows it or
/// reads it. Turns the view one step further when the automatic turn is on.
void dessinerScene();
