#include "C_SPHERE.h"
#include "Console.h"
#include "Fenetre.h"
#include "Main.h"
#include "Scenario.h"

#include <gtest/gtest.h>

// Display lists must only make the frame cheaper: the picture stays the same to the pixel.

namespace {

using Listes = TestFenetre;

/// Draws spheres the given way for as long as it lives, then goes back to display lists.
class FaconDeDessiner {
public:
    explicit FaconDeDessiner(bool parListes) { dessinerSpheresParListes(parListes); }
    ~FaconDeDessiner() { dessinerSpheresParListes(true); }
    FaconDeDessiner(const FaconDeDessiner&) = delete;
    FaconDeDessiner& operator=(const FaconDeDessiner&) = delete;
};

Image dessiner(bool parListes, float angle) {
    const FaconDeDessiner facon(parListes);
    G_rotationAutomatique = false;
    G_rotation = angle;
    afficherScene();
    return lireImage();
}

int nonNoirs(const Image& image) {
    int n = 0;
    for (int y = 0; y < image.hauteur(); ++y) {
        for (int x = 0; x < image.largeur(); ++x) {
            const Pixel p = image.at(x, y);
            n += (p.r | p.g | p.b) != 0 ? 1 : 0;
        }
    }
    return n;
}

} // namespace

TEST_F(Listes, LImageEstLaMemeAuPixelPres) {
    {
        const Console silence;
        construireMondeSynthetique(300, 19, 11);
    }
    for (float angle : {0.0f, 137.4f}) {
        const Image chaqueFois = dessiner(false, angle);
        const Image parListes = dessiner(true, angle);
        EXPECT_GT(nonNoirs(parListes), 50000) << "too little drawn to compare";
        const int differences = chaqueFois.differences(parListes);
        EXPECT_EQ(differences, 0) << "at " << angle << " degrees";
        if (differences == 0) continue;
        chaqueFois.enregistrerPpm("spheres-immediates.ppm", true);
        parListes.enregistrerPpm("spheres-par-listes.ppm", true);
    }
}
