// The organism base and the cutits: identifiers, the wall turn in single precision, movement.
#include "Aleatoire.h"
#include "C_CUTIT.h"
#include "Monde.h"

namespace {

// Calls rebondMur until the turn on x ends; returns the number of calls, the first included.
int appelsPourTournerSurX(C_ORGANISME& o) {
    int appels = 0;
    do {
        o.rebondMur();
        ++appels;
    } while (o.getRetournementEnCours(0) && appels < 1000);
    return appels;
}

} // namespace

class RebondMur : public MondeTest {
protected:
    C_CUTIT* cutitEn(float x, float vx) {
        C_CUTIT* c = poserCutit(x, 300, 300);
        c->setVelocite(vx, 0, 0);
        return c;
    }
};

TEST_F(RebondMur, LeDemiTourPrendSixQuinzeEtVingtSixAppels) {
    struct Cas {
        float x, vx;
        int appels;
    };
    for (Cas cas : {Cas{575.0f, 0.5f, 6}, Cas{575.0f, -0.5f, 6}, Cas{575.0f, 1.5f, 15},
                    Cas{20.0f, -1.5f, 15}, Cas{25.0f, -2.5f, 26}, Cas{590.0f, 2.5f, 26}}) {
        C_CUTIT* c = cutitEn(cas.x, cas.vx);
        EXPECT_EQ(appelsPourTournerSurX(*c), cas.appels) << cas.x << " " << cas.vx;
        EXPECT_NEAR(c->getVelX(), -cas.vx, 1e-5f);
        EXPECT_EQ(c->getPosX(), cas.x) << "the wall turn never moves the creature";
    }
}

TEST_F(RebondMur, PremierPasEtFinDuDemiTour) {
    C_CUTIT* c = cutitEn(575.0f, 1.5f);
    c->rebondMur();
    EXPECT_TRUE(c->getRetournementEnCours(0));
    EXPECT_EQ(c->getVelX(), 1.5f - 0.2f);
    EXPECT_EQ(c->getRetournementRestant(0), 3.0f - 0.2f);
    for (int i = 0; i < 14; ++i)
        c->rebondMur();
    EXPECT_FALSE(c->getRetournementEnCours(0));
    EXPECT_NEAR(c->getVelX(), -1.5f, 1e-5f);

    C_CUTIT* dehors = cutitEn(574.9f, 1.5f);
    dehors->rebondMur();
    EXPECT_FALSE(dehors->getRetournementEnCours(0));
    EXPECT_EQ(dehors->getVelX(), 1.5f);
}

TEST_F(RebondMur, AuReposLeDemiTourCommenceEtFinitDansLeMemeAppel) {
    C_CUTIT* c = cutitEn(10.0f, 0.0f);
    c->rebondMur();
    EXPECT_FALSE(c->getRetournementEnCours(0));
    EXPECT_EQ(c->getVelX(), 0.0f);
}

TEST_F(RebondMur, LesAxesTournentIndependamment) {
    C_CUTIT* c = poserCutit(590.0f, 300.0f, 10.0f);
    c->setVelocite(1.5f, 0.5f, -0.5f);
    c->rebondMur();
    EXPECT_TRUE(c->getRetournementEnCours(0));
    EXPECT_FALSE(c->getRetournementEnCours(1));
    EXPECT_TRUE(c->getRetournementEnCours(2));
    EXPECT_EQ(c->getVelY(), 0.5f);
    EXPECT_EQ(c->getVelZ(), -0.5f + 0.2f);
}

TEST_F(RebondMur, UnCutitQuiSEloigneDuMurOscilleDansLaZone) {
    C_CUTIT* c = cutitEn(580.0f, -0.5f);
    float minimum = 1000, maximum = 0;
    for (int tick = 0; tick < 60; ++tick) {
        c->seDeplacer();
        minimum = std::min(minimum, c->getPosX());
        maximum = std::max(maximum, c->getPosX());
    }
    EXPECT_NEAR(minimum, 579.1f, 0.05f);
    EXPECT_NEAR(maximum, 580.9f, 0.05f);
}

TEST_F(RebondMur, UnCutitFaitDemiTourSansDepasser580) {
    C_CUTIT* c = cutitEn(574.0f, 1.5f);
    c->seDeplacer();
    EXPECT_EQ(c->getPosX(), 575.5f);
    EXPECT_EQ(c->getVelX(), 1.3f);
    float maximum = 0;
    for (int tick = 0; tick < 14; ++tick) {
        c->seDeplacer();
        maximum = std::max(maximum, c->getPosX());
    }
    EXPECT_FALSE(c->getRetournementEnCours(0));
    EXPECT_NEAR(c->getPosX(), 575.5f, 1e-3f);
    EXPECT_NEAR(maximum, 580.4f, 1e-3f);
    c->seDeplacer();
    EXPECT_NEAR(c->getPosX(), 574.0f, 1e-3f);
}

TEST_F(MondeTest, UnCutitNageALHorizontale) {
    C_CUTIT* c = poserCutit(100.0f, 300.0f, 200.0f);
    c->setVelocite(1.5f, 2.0f, -0.5f);
    c->seDeplacer();
    EXPECT_EQ(c->getPosX(), 101.5f);
    EXPECT_EQ(c->getPosY(), 300.0f);
    EXPECT_EQ(c->getPosZ(), 199.5f);
    EXPECT_FALSE(c->getRetournementEnCours(0));
}

TEST_F(MondeTest, LeConstructeurTireUnePositionProvisoireEtUnIdentifiant) {
    semerAleatoire(11);
    const int x = (aleatoire() % 600 + 1) / 10;
    const int y = (aleatoire() % 600 + 1) / 10;
    const int z = (aleatoire() % 600 + 1) / 10;
    semerAleatoire(11);
    C_CUTIT* c = poserCutit(0, 0, 0);
    (void)c;
    semerAleatoire(11);
    C_CUTIT provisoire;
    EXPECT_EQ(provisoire.getPosX(), static_cast<float>(x));
    EXPECT_EQ(provisoire.getPosY(), static_cast<float>(y));
    EXPECT_EQ(provisoire.getPosZ(), static_cast<float>(z));
    EXPECT_EQ(provisoire.getId(), 2);
    EXPECT_EQ(monde->getCompteurOrganisme(), 2);
}
