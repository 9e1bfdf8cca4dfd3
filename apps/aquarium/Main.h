#pragma once

#include "Scene.h"

// The window shell: start-up, the paced tick, the window around the scene and the controls.
// Everything here runs on the one thread of the GLUT event loop.

/// Identifier of the one window, kept for the quit key.
extern int G_laFenetrePrincipale;
/// Last horizontal mouse position, from which a drag is measured.
extern int G_xold;

/// The whole program: checks the display, starts the world, opens the window and runs
/// the event loop. Returns non-zero, having written one line on stderr, when no display opens.
int lancerAquarium(int argc, char** argv);

/// glutInit, then the window: RGBA, double-buffered with depth, 1000 x 800 at (200, 200),
/// titled "Aquarium", with afficherScene as its display callback.
void ouvrirFenetre(int argc, char** argv);

/// The headless programs' start-up with the tank's extents: seeds the generator from the
/// calendar time, creates the world and seeds its first population.
void initialiserAquarium();

/// The idle callback: one tick, paced to at most one per 25 ms, then a redraw request.
void animerScene();

/// Sleeps until 25 ms have passed since debut, a reading of GLUT's elapsed-time counter.
void attendre(long debut);

/// Milliseconds left to sleep of a tick started at debut when the counter reads maintenant:
/// none once the tick has used its 25 ms.
unsigned int resteDuTick(long debut, long maintenant);

/// The display callback: one frame of the scene, then the swap that shows it.
void afficherScene();

void gererClavier(unsigned char touche, int x, int y);
void mousePress(int bouton, int etat, int x, int y);
void mouseMotion(int x, int y);

/// The X display that glutInit will open: the name after -display, else null for $DISPLAY.
const char* affichageDemande(int argc, char** argv);

struct _XDisplay;

/// A connection to the display that glutInit will open, made before anything else so that a
/// missing display fails first: if it does not open, one line on stderr, headed by the
/// program's name, says which display.
/// Keep it until the window exists: an X server that loses its last client resets, and
/// refuses the next connection for a moment.
class VerificationAffichage {
public:
    VerificationAffichage(int argc, char** argv);
    ~VerificationAffichage();
    VerificationAffichage(const VerificationAffichage&) = delete;
    VerificationAffichage& operator=(const VerificationAffichage&) = delete;

    bool ouvert() const { return affichage_ != nullptr; }

private:
    _XDisplay* affichage_ = nullptr;
};
