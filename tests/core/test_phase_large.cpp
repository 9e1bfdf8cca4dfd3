// The broad phase against the pair-by-pair passes: the same encounters, with the same arguments,
// in the same order, hence the same report, the same state and the same rand() stream.

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "C_SPEEDBRICK_NORMAL.h"
#include "Console.h"
#include "Rapport.h"
#include "Scenario.h"
#include "Tick.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

// What an observer can see of a run, tick by tick.
struct Deroulement {
    std::string depart;
    std::vector<std::string> rapports;
    std::vector<std::uint64_t> empreintes;
    std::vector<std::vector<Rencontre>> rencontres;
    int tirageSuivant = 0;
};

using Demarrage = std::function<void()>;
using Pas = void (*)();

Deroulement derouler(const Demarrage& demarrer, Pas pas, int ticks) {
    Deroulement d;
    Console console;
    demarrer();
    d.depart = console.texte();
    std::vector<Rencontre> journal;
    C_AQUARIUM::getAquarium()->setJournalRencontres(&journal);
    for (int t = 0; t < ticks; ++t) {
        console.vider();
        journal.clear();
        pas();
        d.rapports.push_back(console.texte());
        d.empreintes.push_back(empreinteMonde());
        d.rencontres.push_back(journal);
    }
    d.tirageSuivant = aleatoire();
    detruireMonde();
    return d;
}

// Tick by tick, so that a failure names the first tick that differs.
void attendreIdentiques(const Deroulement& reference, const Deroulement& large) {
    ASSERT_EQ(reference.depart, large.depart);
    ASSERT_EQ(reference.rapports.size(), large.rapports.size());
    for (size_t t = 0; t < reference.rapports.size(); ++t) {
        ASSERT_EQ(reference.rencontres[t], large.rencontres[t]) << "encounters of tick " << t + 1;
        ASSERT_EQ(reference.rapports[t], large.rapports[t]) << "report of tick " << t + 1;
        ASSERT_EQ(reference.empreintes[t], large.empreintes[t]) << "state after tick " << t + 1;
    }
    EXPECT_EQ(reference.tirageSuivant, large.tirageSuivant) << "rand() stream after the run";
}

void comparer(const Demarrage& demarrer, Pas reference, Pas large, int ticks) {
    const Deroulement parPaires = derouler(demarrer, reference, ticks);
    const Deroulement phaseLarge = derouler(demarrer, large, ticks);
    attendreIdentiques(parPaires, phaseLarge);
}

size_t rencontresEntreSpeedbricks(const std::vector<Rencontre>& rencontres) {
    size_t n = 0;
    for (const Rencontre& r : rencontres)
        n += r.second >= 0 ? 1 : 0;
    return n;
}

const std::string kNaissance = " n\xe9 avec le g\xe8nome";
const std::string kScission = " n\xe9 d'une scission.";

} // namespace

class PopulationParDefaut : public testing::TestWithParam<unsigned> {};

// Every seed here has its first splits and births within the first thousand ticks.
TEST_P(PopulationParDefaut, MemesRencontresMemeRapportMemeEtat) {
    const unsigned graine = GetParam();
    comparer([graine] { demarrerMonde(graine); }, avancerTickParPaires, avancerTick, 1000);
}

INSTANTIATE_TEST_SUITE_P(Graines, PopulationParDefaut, testing::Range(1u, 9u));

namespace {

// A synthetic world in a small tank, its old normal speedbricks a few ticks from death.
void demarrerMondeSerre(unsigned graine) {
    construireMondeSynthetique(250, 19, graine, 250);
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const int ageDeMort = monde->getDureeVie() * monde->getUniteTemps();
    int k = 0;
    for (C_SPEEDBRICK* s : monde->speedbricks())
        s->setAge(ageDeMort - 1 - (k++ % 40));
}

} // namespace

class MondeSerre : public testing::TestWithParam<unsigned> {};

// Every tick brings a thousand contacts or more, and most ticks births, splits and deaths.
TEST_P(MondeSerre, MemesRencontresMemeRapportMemeEtat) {
    const unsigned graine = GetParam();
    const int ticks = 20;
    const auto demarrer = [graine] { demarrerMondeSerre(graine); };
    const Deroulement parPaires = derouler(demarrer, avancerTickParPaires, ticks);
    const Deroulement phaseLarge = derouler(demarrer, avancerTick, ticks);
    attendreIdentiques(parPaires, phaseLarge);

    size_t naissances = 0;
    size_t scissions = 0;
    for (int t = 0; t < ticks; ++t) {
        EXPECT_GT(rencontresEntreSpeedbricks(parPaires.rencontres[t]), 500u) << "tick " << t + 1;
        naissances += compterLignes(parPaires.rapports[t], kNaissance);
        scissions += compterLignes(parPaires.rapports[t], kScission);
    }
    EXPECT_GE(naissances, 3u * ticks);
    EXPECT_GE(scissions, 1u * ticks);
}

INSTANTIATE_TEST_SUITE_P(Graines, MondeSerre, testing::Range(1u, 9u));

namespace {

// Coordinates on a half-unit lattice, so that distances of exactly 16, 14, 11 and 9 occur,
// around cell borders and the tank's walls, and far outside the tank.
class Disposition {
public:
    explicit Disposition(unsigned graine) : hasard_(graine) {}

    // Small tanks make the grid's cells as small as it allows, with few bodies.
    void peupler() {
        C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
        static const int tailles[] = {40, 70, 100, 600};
        taille_ = static_cast<float>(tailles[entre(0, 3)]);
        const int taille = static_cast<int>(taille_);
        monde->setTailleX(taille);
        monde->setTailleY(taille);
        monde->setTailleZ(taille);
        monde->setTailleGenome(3);
        const int groupes = entre(1, 4);
        for (int g = 0; g < groupes; ++g) {
            centre_ = {pointDeDepart(), pointDeDepart(), pointDeDepart()};
            for (int k = entre(2, 12); k > 0; --k)
                ajouterSpeedbrick();
            for (int k = entre(0, 6); k > 0; --k)
                ajouterCutit();
        }
    }

private:
    int entre(int a, int b) { return std::uniform_int_distribution<int>(a, b)(hasard_); }

    float pointDeDepart() {
        const float lieux[] = {-1.0e6f, -40.0f,          0.0f,           16.5f,
                               17.0f,   34.0f,           taille_ / 2.0f, taille_ - 0.5f,
                               taille_, taille_ + 50.0f, 3.0e7f};
        return lieux[entre(0, 10)];
    }

    // Near the group's centre, off it mostly along one axis and often by a contact distance.
    std::array<float, 3> autour() {
        static const float ecarts[] = {0.0f, 0.5f, 3.0f, 6.0f, 8.5f, 9.0f, 11.0f, 14.0f, 16.0f};
        std::array<float, 3> p = centre_;
        for (float& c : p)
            c += 0.5f * static_cast<float>(entre(-1, 1));
        const float ecart = ecarts[entre(0, 8)] * (entre(0, 1) == 0 ? 1.0f : -1.0f);
        p[static_cast<size_t>(entre(0, 2))] += ecart + 0.5f * static_cast<float>(entre(-2, 2));
        return p;
    }

    void ajouterSpeedbrick() {
        std::vector<int> genome{entre(0, 2), entre(0, 2), entre(0, 2)};
        const std::array<float, 3> tete = autour();
        C_SPEEDBRICK* s = new C_SPEEDBRICK_NORMAL(genome, tete[0], tete[1], tete[2]);
        s->setSexe(static_cast<T_Sexe>(entre(0, 2)));
        s->setDureeInvincible(entre(0, 3) == 0 ? 5 : 0);
        s->setDureeSteriliteRestante(entre(0, 1) == 0 ? 0 : 10);
        for (int r = entre(0, 6); r > 0; --r)
            s->ajouterAnneau();
        for (C_ANNEAU* a : s->anneaux()) {
            const std::array<float, 3> p = autour();
            a->setPosition(p[0], p[1], p[2]);
        }
        s->ajouterOrganisme();
    }

    void ajouterCutit() {
        C_CUTIT* c = new C_CUTIT();
        const std::array<float, 3> p = autour();
        c->setPosition(p[0], p[1], p[2]);
        c->ajouterOrganisme();
    }

    std::mt19937 hasard_;
    float taille_ = 600.0f;
    std::array<float, 3> centre_{};
};

} // namespace

// One collision pass over hand-placed worlds: exact contact distances across cell borders, at
// the walls, outside the tank, invincible and sexless speedbricks, rings and heads stacked.
TEST(PhaseLarge, MemesRencontresQuePaireParPaireAuxLimites) {
    for (unsigned graine = 1; graine <= 300; ++graine) {
        const auto demarrer = [graine] {
            demarrerMonde(graine, 0, 0);
            Disposition(graine).peupler();
        };
        const Deroulement parPaires = derouler(demarrer, gererCollisionsParPaires, 1);
        const Deroulement phaseLarge = derouler(demarrer, gererCollisions, 1);
        SCOPED_TRACE("layout " + std::to_string(graine));
        attendreIdentiques(parPaires, phaseLarge);
        if (HasFatalFailure()) return;
    }
}

namespace {

// p with its first coordinate moved to the given axis.
std::array<float, 3> surAxe(int axe, float le, float a, float b) {
    if (axe == 0) return {le, a, b};
    if (axe == 1) return {a, le, b};
    return {a, b, le};
}

C_SPEEDBRICK* speedbrickEn(const std::array<float, 3>& tete, T_Sexe sexe) {
    C_SPEEDBRICK* s = new C_SPEEDBRICK_NORMAL({1}, tete[0], tete[1], tete[2]);
    s->setSexe(sexe);
    s->setDureeInvincible(0);
    s->ajouterOrganisme();
    return s;
}

void anneauEn(C_SPEEDBRICK* s, const std::array<float, 3>& p) {
    s->ajouterAnneau();
    s->anneaux().back()->setPosition(p[0], p[1], p[2]);
}

void cutitEn(const std::array<float, 3>& p) {
    C_CUTIT* c = new C_CUTIT();
    c->setPosition(p[0], p[1], p[2]);
    c->ajouterOrganisme();
}

// Each kind of contact at exactly its distance along one axis, starting at `debut`: as the start
// sweeps across two cells, the two bodies fall in every pair of neighbouring cells.
void contactsAuPlusLoin(int axe, float debut) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    monde->setTailleX(60);
    monde->setTailleY(60);
    monde->setTailleZ(60);
    monde->setTailleGenome(1);
    // Enough bodies, far from the rest, for the grid to take its finest cells.
    C_SPEEDBRICK* lest = speedbrickEn({500.0f, 500.0f, 500.0f}, MALE);
    for (int r = 0; r < 80; ++r)
        anneauEn(lest, {500.0f, 500.0f, 500.0f});
    speedbrickEn(surAxe(axe, debut, 5.0f, 5.0f), MALE);
    speedbrickEn(surAxe(axe, debut + 16.0f, 5.0f, 5.0f), FEMELLE);
    speedbrickEn(surAxe(axe, debut, 55.0f, 55.0f), MALE);
    anneauEn(speedbrickEn(surAxe(axe, debut, 55.0f, 200.0f), FEMELLE),
             surAxe(axe, debut + 14.0f, 55.0f, 55.0f));
    anneauEn(speedbrickEn(surAxe(axe, debut, 5.0f, 55.0f), MALE), surAxe(axe, 0.0f, -300.0f, 0.0f));
    cutitEn(surAxe(axe, debut + 11.0f, 5.0f, 55.0f));
    C_SPEEDBRICK* coupe = speedbrickEn(surAxe(axe, 0.0f, 400.0f, 0.0f), FEMELLE);
    anneauEn(coupe, surAxe(axe, debut, 55.0f, 5.0f));
    cutitEn(surAxe(axe, debut + 9.0f, 55.0f, 5.0f));
}

} // namespace

// Two heads 16 apart, a head and a ring 14, a cutit and a head 11, a cutit and a ring 9: each
// found wherever the pair lies across the cells.
TEST(PhaseLarge, ContactsAExactementLaDistanceDeContact) {
    for (int axe = 0; axe < 3; ++axe) {
        for (float debut = -1.0f; debut <= 36.0f; debut += 0.25f) {
            const auto demarrer = [axe, debut] {
                demarrerMonde(1, 0, 0);
                contactsAuPlusLoin(axe, debut);
            };
            const Deroulement parPaires = derouler(demarrer, gererCollisionsParPaires, 1);
            const Deroulement phaseLarge = derouler(demarrer, gererCollisions, 1);
            SCOPED_TRACE("axis " + std::to_string(axe) + ", start " + std::to_string(debut));
            // The four contacts, then each split's child meeting its parent head to head.
            ASSERT_EQ(parPaires.rencontres[0].size(), 6u);
            attendreIdentiques(parPaires, phaseLarge);
            if (HasFatalFailure()) return;
        }
    }
}
