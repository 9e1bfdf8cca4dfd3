#include "C_AQUARIUM.h"
#include "Monde.h"
#include "Sauvegarde.h"
#include "Scenario.h"
#include "Tick.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

/// The fingerprint after `ticks` more ticks, and what they reported.
struct Suite {
    std::uint64_t empreinte = 0;
    std::string rapport;
};

Suite continuer(int ticks) {
    Console console;
    for (int t = 0; t < ticks; ++t)
        avancerTick();
    return {empreinteMonde(), console.texte()};
}

// A crowded small tank, with settings of its own, some ticks in: wall turns, splits, births and
// countdowns under way, rings half recycled. Saved and restored over the world that went on, it
// goes on to the same fingerprint and the same report, and saves to the same bytes.
TEST(Sauvegarde, UnMondeRestaureContinueCommeLOriginal) {
    C_AQUARIUM* monde = mondeSynthetiqueMuet(1500, 19, 11, 300);
    monde->setUniteTemps(120);
    monde->setDureeVie(30);
    monde->setDureeSterilite(40);
    monde->setNbCutitParBanc(5);
    continuer(15);

    std::string octets;
    sauvegarderMonde(octets);
    const std::uint64_t sauvee = empreinteMonde();
    const Suite attendue = continuer(40);
    ASSERT_NE(attendue.rapport, "") << "nothing happened in the ticks after the save";

    std::string erreur;
    ASSERT_TRUE(restaurerMonde(octets, erreur)) << erreur;
    EXPECT_EQ(empreinteMonde(), sauvee);
    std::string resauvee;
    sauvegarderMonde(resauvee);
    EXPECT_EQ(resauvee, octets);
    const Suite obtenue = continuer(40);
    EXPECT_EQ(obtenue.empreinte, attendue.empreinte);
    EXPECT_EQ(obtenue.rapport, attendue.rapport);
    detruireMonde();
}

// Cut anywhere, or followed by more, the bytes are refused whole: no world is left, and
// nothing leaks (the sanitizer build checks).
TEST(Sauvegarde, DesOctetsCoupesOuEnTropSontRefuses) {
    mondeSynthetiqueMuet(30, 3, 5);
    continuer(200);
    std::string octets;
    sauvegarderMonde(octets);
    detruireMonde();
    for (std::size_t taille = 0; taille < octets.size(); taille += 1 + taille / 8) {
        std::string erreur;
        EXPECT_FALSE(restaurerMonde(std::string_view(octets).substr(0, taille), erreur)) << taille;
        EXPECT_NE(erreur, "");
        EXPECT_EQ(C_AQUARIUM::getAquarium(), nullptr);
    }
    std::string erreur;
    EXPECT_FALSE(restaurerMonde(octets + '\0', erreur));
    EXPECT_EQ(C_AQUARIUM::getAquarium(), nullptr);
}

} // namespace
