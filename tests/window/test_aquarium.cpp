#include "EcranX.h"
#include "Processus.h"
#include "Rapport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

// The real program, as a user meets it: started as a process on the virtual X server, looked
// at with screenshots, driven with keys.

namespace {

using namespace std::chrono_literals;

constexpr auto kDelai = 60s;

const std::string kLigneDesBancs = "6 bancs de 8 cutits cr\xe9\xe9s.\n";

Lancement aquarium() {
    Lancement l;
    l.arguments = {AQUARIUM_PROGRAMME};
#ifdef AQUARIUM_PRECHARGE
    // Keeps Mesa's driver loaded until the leak check (see CMakeLists.txt).
    l.variablesPosees.emplace_back("LD_PRELOAD", AQUARIUM_PRECHARGE);
#endif
    return l;
}

std::string attendreLaFenetre() {
    std::vector<std::string> fenetres;
    attendreQue([&] { return !(fenetres = fenetresAquarium(true)).empty(); }, kDelai);
    return fenetres.empty() ? std::string() : fenetres.front();
}

struct Couleurs {
    int blancs = 0;
    int verts = 0;
    int rouges = 0;
    int autres = 0;
    int noirs = 0;
};

Couleurs compter(const Image& image) {
    Couleurs c;
    for (int y = 0; y < image.hauteur(); ++y) {
        for (int x = 0; x < image.largeur(); ++x) {
            const Pixel p = image.at(x, y);
            if (p.r == 0 && p.g == 0 && p.b == 0) {
                ++c.noirs;
            } else if (p.r > 200 && p.g > 200 && p.b > 200) {
                ++c.blancs;
            } else if (p.g > p.r + 40 && p.g > p.b + 40) {
                ++c.verts;
            } else if (p.r > p.g + 60 && p.r > p.b + 60) {
                ++c.rouges;
            } else {
                ++c.autres;
            }
        }
    }
    return c;
}

void quitter(Processus& p, const std::string& fenetre) {
    ASSERT_TRUE(taper(fenetre, "q"));
    const std::optional<Issue> fin = p.attendreFin(kDelai);
    ASSERT_TRUE(fin.has_value()) << "q did not end the program";
    EXPECT_EQ(fin->statut, 0) << "signal " << fin->signal << "\n" << fin->erreurs;
}

} // namespace

// Standard output is a pipe that takes the founders' lines and then holds the program on the
// shoal line: no window may exist while it is held.
TEST(Aquarium, LeRapportEstEcritAvantQueLaFenetreNExiste) {
    const std::string fondateurs = lignesDesFondateurs(20);
    Lancement l = aquarium();
    l.sortieBloqueeApres = fondateurs.size();
    Processus p(l);
    ASSERT_TRUE(p.attendreEcrits(fondateurs.size(), kDelai)) << p.erreurs();
    EXPECT_TRUE(fenetresAquarium().empty()) << "a window exists before the report is written";

    p.lireSortie();
    const std::string fenetre = attendreLaFenetre();
    ASSERT_FALSE(fenetre.empty()) << p.erreurs();
    const std::string attendu = fondateurs + kLigneDesBancs;
    EXPECT_TRUE(attendreQue([&] { return p.sortie().size() >= attendu.size(); }, kDelai));
    EXPECT_EQ(p.sortie().substr(0, attendu.size()), attendu);
    quitter(p, fenetre);
}

TEST(Aquarium, UneFenetreAquariumDe1000Sur800MontreLeBacEtLesCreatures) {
    Processus p(aquarium());
    const std::string fenetre = attendreLaFenetre();
    ASSERT_FALSE(fenetre.empty()) << p.erreurs();
    EXPECT_EQ(titre(fenetre), "Aquarium");
    const std::optional<Geometrie> g = geometrie(fenetre);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->largeur, 1000);
    EXPECT_EQ(g->hauteur, 800);
    EXPECT_EQ(g->x, 200);
    EXPECT_EQ(g->y, 200);

    // The outline, the founders' light-green heads and the red cutits, once frames come.
    Couleurs c;
    const auto vivante = [&] {
        c = compter(capturer(*g, "aquarium-e2e.png"));
        return c.blancs > 1000 && c.verts > 50 && c.rouges > 20;
    };
    EXPECT_TRUE(attendreQue(vivante, kDelai))
        << "white " << c.blancs << ", green " << c.verts << ", red " << c.rouges;
    EXPECT_GT(c.noirs, 500000);
    quitter(p, fenetre);
}

// Q only redraws: the program goes on and still answers the keys typed after it; b twelve
// times opens the view to 180 degrees, where the whole scene shrinks to nothing.
TEST(Aquarium, QMajusculeNeQuittePasQMinusculeQuitteAvecZero) {
    Processus p(aquarium());
    const std::string fenetre = attendreLaFenetre();
    ASSERT_FALSE(fenetre.empty()) << p.erreurs();
    const std::optional<Geometrie> g = geometrie(fenetre);
    ASSERT_TRUE(g.has_value());

    ASSERT_TRUE(taper(fenetre, "Q b b b b b b b b b b b b"));
    const auto vide = [&] {
        const Couleurs c = compter(capturer(*g, "aquarium-e2e-180.png"));
        return c.noirs > 1000 * 800 - 16 && !fenetresAquarium().empty();
    };
    EXPECT_TRUE(attendreQue(vide, kDelai));
    EXPECT_TRUE(p.enCours());
    quitter(p, fenetre);
    EXPECT_TRUE(attendreQue([] { return fenetresAquarium().empty(); }, kDelai));
}

namespace {

struct SansAffichage {
    const char* nom;
    /// DISPLAY as the program sees it; unset when empty.
    std::string affichage;
    std::string erreur;
};

std::ostream& operator<<(std::ostream& flux, const SansAffichage& s) { return flux << s.nom; }

} // namespace

class AffichageAbsent : public ::testing::TestWithParam<SansAffichage> {};

TEST_P(AffichageAbsent, UneLigneSurStderrEtUnEchec) {
    Lancement l = aquarium();
    if (GetParam().affichage.empty()) {
        l.variablesRetirees = {"DISPLAY"};
    } else {
        l.variablesPosees.emplace_back("DISPLAY", GetParam().affichage);
    }
    const std::optional<Issue> fin = Processus(l).attendreFin(kDelai);
    ASSERT_TRUE(fin.has_value()) << "hangs without a display";
    EXPECT_GT(fin->statut, 0) << "signal " << fin->signal;
    EXPECT_EQ(fin->erreurs, GetParam().erreur);
    EXPECT_EQ(fin->sortie, "");
}

INSTANTIATE_TEST_SUITE_P(
    Aquarium, AffichageAbsent,
    ::testing::Values(
        SansAffichage{"NonDefini", "", "aquarium: no X display to open: DISPLAY is not set\n"},
        SansAffichage{"Injoignable", ":65000", "aquarium: cannot open the X display \":65000\"\n"}),
    [](const auto& info) { return std::string(info.param.nom); });
