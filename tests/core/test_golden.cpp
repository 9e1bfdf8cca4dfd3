// Seeded runs against constants: the hash of the whole state and a digest of the console
// report so far, at a few ticks. A change of any draw, rounding, order or byte of the report
// anywhere in the core shows here. When a change is meant to alter the runs, paste the values
// the failure prints.
#include "Monde.h"
#include "Tick.h"

#include <functional>
#include <sstream>

namespace {

struct Releve {
    int tick = 0;
    std::uint64_t etat = 0;
    std::uint64_t rapport = 0;
};

std::string enTexte(const std::vector<Releve>& releves) {
    std::ostringstream texte;
    for (const Releve& r : releves)
        texte << std::dec << "{" << r.tick << std::hex << ", 0x" << r.etat << ", 0x" << r.rapport
              << "},\n";
    return texte.str();
}

void verifierCourse(const std::function<void()>& demarrer, const std::vector<Releve>& attendus) {
    Console console;
    demarrer();
    std::vector<Releve> obtenus;
    for (const Releve& attendu : attendus) {
        while (C_AQUARIUM::getAquarium()->getTempsEcoule() < attendu.tick)
            avancerTick();
        obtenus.push_back({attendu.tick, empreinteMonde(), fnv1a(console.texte())});
    }
    // Under the sanitizers, freeing a world whose founders died also checks the reclaiming.
    detruireMonde();
    EXPECT_EQ(enTexte(obtenus), enTexte(attendus));
}

} // namespace

// The program's world: births, splits and wall turns, and the founders' death at tick 3000.
TEST(Golden, MondeParDefautGraineUn) {
    verifierCourse([] { demarrerMonde(1); }, {{1000, 0x95bce5afabf211a4, 0xda8c311c4f25faaf},
                                              {2000, 0x62a4d0a2e0244ff5, 0xffa8b6000f459d3f},
                                              {3000, 0xdafbc6b1c75f70fd, 0x27fb1eb1fd038dfd},
                                              {3200, 0x3760209f001e7a7b, 0xaae2ba64ebdeea80}});
}

// A hundred births, splits of every kind, deaths every tick or two, a thousand contacts a tick.
TEST(Golden, MondeSerre) {
    verifierCourse([] { mondeSerre(3, 250); }, {{10, 0xa1e1e5d8addd16c1, 0x53c4e95798c78f52},
                                                {20, 0x7ced56dc32ad22b9, 0x62217c4737ea4ab5},
                                                {40, 0x4dc9da191238bc5c, 0xbf5b2c001f6879ce}});
}

// Few founders and no shoals: two births in 3000 ticks, nothing ever splits, and the founders'
// death leaves the two children alone.
TEST(Golden, PeuDeFondateursSansBanc) {
    verifierCourse([] { demarrerMonde(6, 6, 0); },
                   {{1500, 0x43ca9ebe8ad7312a, 0x571aa6ac045f631b},
                    {3100, 0xdc94602f642285e1, 0xef8c0893b5c27811}});
}
