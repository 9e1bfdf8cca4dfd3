// The rule tables of the core, row by row: the kind of a child, the contact distances, the
// wall turn, the splits; the order of a tick's passes; the report's bytes.
#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "Contact.h"
#include "Monde.h"
#include "Tick.h"

#include <cmath>
#include <tuple>

using Regles = MondeTest;

TEST_F(Regles, LEcartDuGenomeChoisitLeGenreDeLEnfant) {
    struct Cas {
        std::vector<int> femelle, male;
        int genre; // -1: no child
        std::string ligne;
    };
    const std::string bebe = "B\xe9"
                             "b\xe9 speedbrick ";
    const Cas table[] = {
        {{0, 0, 0}, {0, 0, 0}, GENRE_NORMAL, bebe + "normal n\xe9 avec le g\xe8nome : 000\n"},
        {{1, 0, 0}, {0, 1, 0}, GENRE_NORMAL, bebe + "normal n\xe9 avec le g\xe8nome : 110\n"},
        {{2, 2, 1}, {0, 0, 0}, GENRE_NORMAL, bebe + "normal n\xe9 avec le g\xe8nome : 221\n"},
        {{1, 1, 0}, {1, 1, 0}, GENRE_GENTIL, bebe + "gentil n\xe9 avec le g\xe8nome : 220.\n"},
        {{2, 1, 0}, {1, 0, 0}, GENRE_GENTIL, bebe + "gentil n\xe9 avec le g\xe8nome : 310.\n"},
        {{2, 0, 0}, {1, 0, 0}, GENRE_AGA, bebe + "aga n\xe9 avec le g\xe8nome : 300.\n"},
        {{2, 1, 1}, {2, 0, 0}, GENRE_AGA, bebe + "aga n\xe9 avec le g\xe8nome : 411.\n"},
        {{2, 0, 0}, {2, 0, 0}, -1, ""},
        {{5, 1, 0}, {0, 0, 0}, -1, ""},
    };
    for (const Cas& c : table) {
        C_SPEEDBRICK* femelle = poser(GENRE_NORMAL, c.femelle, 100, 200, 300, FEMELLE);
        C_SPEEDBRICK* male = poser(GENRE_NORMAL, c.male, 400, 500, 100, MALE);
        console.prendre();
        femelle->seReproduireAvec(male);
        EXPECT_EQ(console.prendre(), c.ligne);
        const C_SPEEDBRICK* dernier = monde->speedbricks().back();
        EXPECT_EQ(dernier == male ? -1 : dernier->getGenre(), c.genre) << c.ligne;
        EXPECT_EQ(femelle->getDureeSteriliteRestante(), 75);
    }
}

// Two spheres touch up to the sum of their radii, not a float beyond: head and head at 16,
// head and ring at 14, cutit and head at 11, cutit and ring at 9.
TEST(Contact, LesDistancesDeContactSontInclusives) {
    for (const auto& [a, b, d] :
         {std::tuple{RAYON_TETE, RAYON_TETE, 16.0f}, std::tuple{RAYON_TETE, RAYON_ANNEAU, 14.0f},
          std::tuple{RAYON_CUTIT, RAYON_TETE, 11.0f},
          std::tuple{RAYON_CUTIT, RAYON_ANNEAU, 9.0f}}) {
        EXPECT_TRUE(enContact(100, 200, 300, a, 100 + d, 200, 300, b)) << d;
        EXPECT_TRUE(enContact(100, 200, 300, a, 100, 200, 300 - d, b)) << d;
        EXPECT_FALSE(enContact(100, 200, 300, a, std::nextafter(100 + d, 1e3f), 200, 300, b)) << d;
    }
    // 16² + 0.004² rounds to the float just above 256, whose square root is exactly 16: a
    // contact, though comparing squares would say no.
    EXPECT_TRUE(enContact(0, 0, 0, RAYON_TETE, 16, 0.004f, 0, RAYON_TETE));
}

// Near a wall (25 units) the velocity swings by 0.2 a call to its opposite, whichever way the
// creature goes, and never moves it.
TEST_F(Regles, LeDemiTourAuMur) {
    struct Cas {
        float x, vx;
        int appels;
        float vitesseFinale;
    };
    for (Cas c : {Cas{575, 0.5f, 6, -0.5f}, Cas{575, -0.5f, 6, 0.5f}, Cas{575, 1.5f, 15, -1.5f},
                  Cas{20, -1.5f, 15, 1.5f}, Cas{25, -2.5f, 26, 2.5f}, Cas{590, 2.5f, 26, -2.5f},
                  Cas{574.9f, 1.5f, 1, 1.5f}, Cas{10, 0, 1, 0}}) {
        C_CUTIT* cutit = poserCutit(c.x, 300, 300);
        cutit->setVelocite(c.vx, 0, 0);
        int appels = 0;
        do {
            cutit->rebondMur();
        } while (++appels < 100 && cutit->getRetournementEnCours(0));
        EXPECT_EQ(appels, c.appels) << c.x << " " << c.vx;
        EXPECT_NEAR(cutit->getVelX(), c.vitesseFinale, 1e-5f) << c.x << " " << c.vx;
        EXPECT_EQ(cutit->getPosX(), c.x);
    }
}

// A cutit's touch asks for a split at ring k: rings k.. go to a newcomer of the same kind,
// unless k is past the last ring or the speedbrick is invincible.
TEST_F(Regles, LesScissions) {
    struct Cas {
        T_Genre genre;
        int anneaux, k, invincible;
        int garde, cede; // cede -1: no newcomer
        std::string ligne;
    };
    const std::string ne = " n\xe9 d'une scission.\n";
    const Cas table[] = {
        {GENRE_NORMAL, 3, 0, 0, 0, 3, "Nouveau speedbrick normal" + ne},
        {GENRE_GENTIL, 3, 3, 0, 3, 0, "Nouveau speedbrick gentil" + ne},
        {GENRE_AGA, 5, 2, 0, 2, 3, "Nouveau speedbrick aga" + ne},
        {GENRE_NORMAL, 3, 4, 0, 3, -1, ""},
        {GENRE_AGA, 3, 1, 5, 3, -1, ""},
    };
    for (const Cas& c : table) {
        C_SPEEDBRICK* s = poser(c.genre, {0, 2, 1}, 100, 200, 300, FEMELLE, c.anneaux);
        s->setDureeInvincible(c.invincible);
        console.prendre();
        monde->interaction(s, c.k);
        EXPECT_EQ(console.prendre(), c.ligne);
        EXPECT_EQ(s->getNombreAnneaux(), c.garde) << c.ligne;
        const C_SPEEDBRICK* nouveau = monde->speedbricks().back();
        ASSERT_EQ(nouveau == s ? -1 : nouveau->getNombreAnneaux(), c.cede) << c.ligne;
        if (c.cede < 0) continue;
        EXPECT_EQ(nouveau->getGenre(), c.genre);
        if (c.cede > 0) {
            EXPECT_EQ(nouveau->anneaux()[0]->getIdAnneau(), c.k);
        }
        EXPECT_EQ(s->getDureeInvincible(), 150);
    }
}

namespace {

// A registered speedbrick on its last tick of life, that writes down what the tick asks of it
// and its end.
class Espion : public C_SPEEDBRICK {
public:
    Espion(std::string nom, std::string& journal)
        : C_SPEEDBRICK(std::vector<int>(3, 0), 300, 300, 300), nom_(std::move(nom)),
          journal_(journal) {
        setAge(2999);
        ajouterOrganisme();
    }
    ~Espion() override { journal_ += nom_ + " detruit. "; }
    void mourir() override {
        journal_ += nom_ + " meurt. ";
        C_SPEEDBRICK::mourir();
    }
    void seDeplacer() override { journal_ += nom_ + " bouge. "; }
    void seScinder(int) override {}
    T_Genre getGenre() const override { return GENRE_NORMAL; }

private:
    std::string nom_;
    std::string& journal_;
};

} // namespace

// Everything grows, then everything moves, the dead of the growth pass included; they are
// freed only once the collision pass is over.
TEST_F(Regles, ToutGranditPuisToutBougeLesMortsPartentEnFinDeTick) {
    std::string journal;
    for (const char* nom : {"A", "B"})
        new Espion(nom, journal); // the world owns it
    passerTemps();
    animerOrganismes();
    EXPECT_EQ(journal, "A meurt. B meurt. A bouge. B bouge. ");
    gererCollisions();
    EXPECT_EQ(journal, "A meurt. B meurt. A bouge. B bouge. A detruit. B detruit. ");
}

// The founders' lines, the shoals' line and the nine-line description, in ISO-8859-1.
TEST_F(Regles, LeRapportOctetParOctet) {
    monde->initialiserPopulation(2, 1);
    C_SPEEDBRICK* s = monde->speedbricks()[1];
    s->setAge(160);
    s->setPosition(100, 200.5f, 300);
    s->setVelocite(-2.5f, 0.5f, 1.5f);
    s->setSexe(FEMELLE);
    s->ajouterAnneau();
    s->setDureeInvincible(7);
    s->setDureeSteriliteRestante(3);
    s->afficherEnConsole();
    EXPECT_EQ(console.texte(), "Nouveau Speedbrick avec le g\xe9nome suivant : 10\n"
                               "Nouveau Speedbrick avec le g\xe9nome suivant : 01\n"
                               "1 bancs de 8 cutits cr\xe9\xe9s.\n"
                               "Speedbrick n\xb0"
                               "2\n"
                               "Age : 160\n"
                               "Position : 100 200.5 300\n"
                               "Vecteur : -2.5 0.5 1.5\n"
                               "01\n"
                               "Invincible pendant 7 jours\n"
                               "St\xe9rile pendant 3 jours\n"
                               "Poss\xe8"
                               "de 1 anneaux\n"
                               "Est un 2 (0 Indetermine, 1 Male, 2 Femelle)\n");
}
