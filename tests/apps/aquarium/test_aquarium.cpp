// The real program as a user meets it, on the virtual X server: found and typed into with
// xdotool, looked at through ImageMagick's screenshots.
#include "Image.h"
#include "Monde.h"
#include "Processus.h"

#include <set>

namespace {

using namespace std::chrono_literals;

// The program, its environment changed by these words of env ("-u NAME", then "NAME=value").
Lancement aquarium(std::vector<std::string> environnement = {}) {
    Lancement l;
    l.arguments = {"/usr/bin/env"};
    l.arguments.insert(l.arguments.end(), environnement.begin(), environnement.end());
#ifdef AQUARIUM_PRECHARGE
    // Keeps Mesa's driver loaded until the leak check (see CMakeLists.txt).
    l.arguments.push_back("LD_PRELOAD=" AQUARIUM_PRECHARGE);
#endif
    l.arguments.push_back(AQUARIUM_PROGRAMME);
    return l;
}

// Windows titled exactly "Aquarium"; with `visibles`, only those mapped, which can take keys.
std::vector<std::string> fenetres(bool visibles) {
    std::vector<std::string> commande = {XDOTOOL, "search", "--name", "^Aquarium$"};
    if (visibles) commande.insert(commande.begin() + 2, "--onlyvisible");
    return lignes(executer(commande).sortie);
}

// import waits for a click when the window is gone: a timeout ends that wait.
Image capturer(const std::string& fenetre) {
    return Image::depuisPpm(
        executer({"/usr/bin/timeout", "20", IMPORT, "-window", fenetre, "-depth", "8", "ppm:-"})
            .sortie);
}

bool taper(const std::string& fenetre, std::vector<std::string> touches) {
    if (executer({XDOTOOL, "windowfocus", "--sync", fenetre}).statut != 0) return false;
    touches.insert(touches.begin(), {XDOTOOL, "key", "--delay", "30"});
    return executer(touches).statut == 0;
}

std::size_t couleurs(const Image& image) {
    std::set<int> vues;
    for (std::size_t k = 0; k + 2 < image.rgb.size(); k += 3)
        vues.insert(image.rgb[k] << 16 | image.rgb[k + 1] << 8 | image.rgb[k + 2]);
    return vues.size();
}

} // namespace

// Standard output takes the founders' lines and then holds the program on the shoals' line: no
// window may exist meanwhile.
TEST(Aquarium, RapportFenetreImageEtTouches) {
    std::string fondateurs;
    for (std::size_t i = 0; i < 20; ++i) {
        fondateurs += "Nouveau Speedbrick avec le g\xe9nome suivant : " + std::string(i, '0') +
                      "1" + std::string(19 - i, '0') + "\n";
    }
    Lancement l = aquarium();
    l.sortieBloqueeApres = fondateurs.size();
    Processus p(l);
    ASSERT_TRUE(p.attendreEcrits(fondateurs.size(), 60s)) << p.erreurs();
    EXPECT_TRUE(fenetres(false).empty()) << "a window exists before the report is written";
    p.lireSortie();
    std::vector<std::string> f;
    ASSERT_TRUE(attendreQue([&] { return !(f = fenetres(true)).empty(); }, 60s)) << p.erreurs();

    // Once frames come: the outline, the founders and the cutits, on black.
    Image image;
    EXPECT_TRUE(attendreQue([&] { return couleurs(image = capturer(f[0])) > 20; }, 60s));
    EXPECT_EQ(image.largeur, 1000);
    EXPECT_EQ(image.hauteur, 800);

    // Q only redraws: the b typed after it are still obeyed, up to a view of 180 degrees where
    // everything shrinks to a point. q then ends the program with status 0.
    ASSERT_TRUE(taper(f[0], {"Q", "b", "b", "b", "b", "b", "b", "b", "b", "b", "b", "b", "b"}));
    const auto noir = [&] { return !p.enCours() || capturer(f[0]).noirs() > 1000L * 800 - 16; };
    EXPECT_TRUE(attendreQue(noir, 60s));
    ASSERT_TRUE(p.enCours()) << "Q quit";
    ASSERT_TRUE(taper(f[0], {"q"}));
    const std::optional<Issue> fin = p.attendreFin(60s);
    ASSERT_TRUE(fin.has_value()) << "q did not end the program";
    EXPECT_EQ(fin->statut, 0) << fin->erreurs;
    const std::string rapport = fondateurs + "6 bancs de 8 cutits cr\xe9\xe9s.\n";
    EXPECT_EQ(fin->sortie.substr(0, rapport.size()), rapport);
    EXPECT_TRUE(fenetres(false).empty());
}

TEST(Aquarium, SansAffichageUneLigneEtLeStatutUn) {
    struct Cas {
        std::vector<std::string> environnement;
        std::string erreur;
    };
    for (const Cas& c :
         {Cas{{"-u", "DISPLAY"}, "aquarium: no X display to open: DISPLAY is not set\n"},
          Cas{{"DISPLAY=:65000"}, "aquarium: cannot open the X display \":65000\"\n"}}) {
        const std::optional<Issue> fin = Processus(aquarium(c.environnement)).attendreFin(60s);
        ASSERT_TRUE(fin.has_value()) << "hangs without a display";
        EXPECT_EQ(fin->statut, 1);
        EXPECT_EQ(fin->erreurs, c.erreur);
        EXPECT_EQ(fin->sortie, "");
    }
}
