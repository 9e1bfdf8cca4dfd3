// The broad phase against the pair-by-pair reference: every encounter call with its arguments
// and in its order, the report, the state and the random stream, over crowded worlds and
// hand-placed contacts across the grid's cell borders.
#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "Fils.h"
#include "Monde.h"
#include "Scenario.h"
#include "Tick.h"

#include <array>
#include <cstdlib>
#include <functional>
#include <random>

namespace {

// What an observer sees of a run, tick by tick.
struct Deroulement {
    std::vector<std::vector<Rencontre>> rencontres;
    std::vector<std::string> rapports;
    std::vector<std::uint64_t> etats;
    int tirageSuivant = 0;
};

Deroulement derouler(const std::function<void()>& demarrer, void (*pas)(), int ticks, bool noter) {
    Deroulement d;
    Console console;
    demarrer();
    std::vector<Rencontre> journal;
    if (noter) C_AQUARIUM::getAquarium()->setJournalRencontres(&journal);
    for (int t = 0; t < ticks; ++t) {
        journal.clear();
        pas();
        d.rencontres.push_back(journal);
        d.rapports.push_back(console.prendre());
        d.etats.push_back(empreinteMonde());
    }
    d.tirageSuivant = aleatoire();
    detruireMonde();
    return d;
}

// Tick by tick, so that a failure names the first tick that differs, the broad phase against
// the reference run `r`. The broad phase runs twice: with every encounter recorded, and
// unrecorded, when it may skip those that change nothing. Returns the encounters seen, to show
// that the world did meet.
std::size_t comparerAuDeroulement(const Deroulement& r, const std::function<void()>& demarrer,
                                  void (*large)(), int ticks) {
    for (const bool noter : {true, false}) {
        SCOPED_TRACE(noter ? "encounters recorded" : "encounters unrecorded");
        const Deroulement l = derouler(demarrer, large, ticks, noter);
        for (int t = 0; t < ticks; ++t) {
            if (noter) {
                EXPECT_EQ(r.rencontres[t], l.rencontres[t]) << "encounters of tick " << t + 1;
            }
            EXPECT_EQ(r.rapports[t], l.rapports[t]) << "report of tick " << t + 1;
            EXPECT_EQ(r.etats[t], l.etats[t]) << "state after tick " << t + 1;
        }
        EXPECT_EQ(r.tirageSuivant, l.tirageSuivant) << "random stream";
    }
    std::size_t rencontres = 0;
    for (const std::vector<Rencontre>& tick : r.rencontres)
        rencontres += tick.size();
    return rencontres;
}

std::size_t comparer(const std::function<void()>& demarrer, void (*reference)(), void (*large)(),
                     int ticks) {
    return comparerAuDeroulement(derouler(demarrer, reference, ticks, true), demarrer, large,
                                 ticks);
}

// Groups of bodies around cell borders: in a small tank crowded enough, the grid takes its
// finest cells, 17 units a side. Each body stands off its group's centre along one axis by a
// contact distance, at it or just past it, often nudged sideways by the few thousandths that
// round a squared distance up without changing its square root.
class Disposition {
public:
    explicit Disposition(unsigned graine) : hasard_(graine) {}

    void peupler() {
        static const int tailles[] = {60, 68, 85, 600};
        const int taille = tailles[entre(0, 3)];
        C_AQUARIUM::Creation(taille, taille, taille);
        // Ballast far away, so that the grid counts enough bodies for its finest cells.
        poser(GENRE_NORMAL, {1, 0, 0}, 5e5f, 5e5f, 5e5f, MALE, 120);
        for (int g = entre(1, 4); g > 0; --g) {
            for (float& c : centre_)
                c = 17.0f * static_cast<float>(entre(-1, 6)) +
                    0.5f * static_cast<float>(entre(-2, 2));
            for (int k = entre(2, 10); k > 0; --k)
                ajouterSpeedbrick();
            for (int k = entre(0, 5); k > 0; --k) {
                const std::array<float, 3> p = autour();
                poserCutit(p[0], p[1], p[2]);
            }
        }
    }

private:
    int entre(int a, int b) { return std::uniform_int_distribution<int>(a, b)(hasard_); }

    std::array<float, 3> autour() {
        static const float distances[] = {0.0f, 9.0f, 11.0f, 14.0f, 16.0f};
        static const float ecarts[] = {0.0f, 0.0f, 0.0025f, 0.004f};
        std::array<float, 3> p = centre_;
        const int axe = entre(0, 2);
        const float sens = entre(0, 1) == 0 ? 1.0f : -1.0f;
        p[axe] += sens * distances[entre(0, 4)];
        if (entre(0, 3) == 0) p[axe] = std::nextafter(p[axe], sens * 1e9f);
        p[(axe + 1) % 3] += ecarts[entre(0, 3)];
        return p;
    }

    void ajouterSpeedbrick() {
        const std::array<float, 3> tete = autour();
        C_SPEEDBRICK* s = poser(GENRE_NORMAL, {entre(0, 2), entre(0, 2), entre(0, 2)}, tete[0],
                                tete[1], tete[2], static_cast<T_Sexe>(entre(0, 2)), entre(0, 5));
        s->setDureeInvincible(entre(0, 3) == 0 ? 5 : 0);
        s->setDureeSteriliteRestante(entre(0, 1) == 0 ? 0 : 10);
        for (int i = 0; i < s->getNombreAnneaux(); ++i) {
            const std::array<float, 3> p = autour();
            placerAnneau(s, i, p[0], p[1], p[2]);
        }
    }

    std::mt19937 hasard_;
    std::array<float, 3> centre_{};
};

} // namespace

TEST(PhaseLarge, MemesRencontresQuePaireParPaire) {
    // Crowded tanks whose adults die within 40 ticks: a thousand contacts a tick, births,
    // splits (whose newcomers meet the others in the same tick) and deaths.
    for (unsigned graine = 1; graine <= 6; ++graine) {
        SCOPED_TRACE("crowded world " + std::to_string(graine));
        const auto demarrer = [graine] { mondeSerre(graine, 200 + 20 * static_cast<int>(graine)); };
        EXPECT_GT(comparer(demarrer, avancerTickParPaires, avancerTick, 8), 8000u);
    }
    // One collision pass, nothing moving, so that every placement holds.
    std::size_t rencontres = 0;
    for (unsigned graine = 1; graine <= 600 && !HasFailure(); ++graine) {
        SCOPED_TRACE("layout " + std::to_string(graine));
        const auto demarrer = [graine] {
            mondeVide();
            Disposition(graine).peupler();
        };
        rencontres += comparer(demarrer, gererCollisionsParPaires, gererCollisions, 1);
    }
    EXPECT_GT(rencontres, 6000u);
}

// The search is shared among threads: what it finds must not depend on how many there are. More
// than a few tasks of every stage, so that each is shared (but the copy into fields, which needs
// a larger crowd); one thread, itself held to the pair-by-pair pass above, is the reference.
TEST(PhaseLarge, MemesRencontresQuelQueSoitLeNombreDeFils) {
    const auto demarrer = [] { construireMondeSynthetique(8400, 16, 7, 400); };
    fixerNombreDeFils(1);
    const Deroulement seul = derouler(demarrer, avancerTick, 2, true);
    for (const unsigned fils : {2u, 3u}) {
        SCOPED_TRACE(std::to_string(fils) + " threads");
        fixerNombreDeFils(fils);
        EXPECT_GT(comparerAuDeroulement(seul, demarrer, avancerTick, 2), 20000u);
    }
    fixerNombreDeFils(0);
}
