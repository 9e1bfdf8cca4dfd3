// The broad phase shares its work among threads: what it finds, and so the whole run, must not
// depend on how many there are, nor differ from the pair-by-pair reference.

#include "Aleatoire.h"
#include "C_AQUARIUM.h"
#include "Console.h"
#include "Fils.h"
#include "Rapport.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// What an observer sees of one tick.
struct Instant {
    std::string rapport;
    std::vector<Rencontre> rencontres;
    std::uint64_t empreinte = 0;
};

struct Course {
    std::vector<Instant> instants;
    int tirageSuivant = 0;
};

// More speedbricks, bodies and heads than one task of any stage of the broad phase takes, crowded
// in a small tank: every stage is split into several tasks, and the ticks bring births and
// splits.
Course courir(void (*pas)(), unsigned fils, int ticks) {
    fixerNombreDeFils(fils);
    Console console;
    construireMondeSynthetique(2100, 16, 7, 250);
    std::vector<Rencontre> journal;
    C_AQUARIUM::getAquarium()->setJournalRencontres(&journal);
    Course course;
    for (int t = 0; t < ticks; ++t) {
        console.vider();
        journal.clear();
        pas();
        course.instants.push_back({console.texte(), journal, empreinteMonde()});
    }
    course.tirageSuivant = aleatoire();
    detruireMonde();
    fixerNombreDeFils(0);
    return course;
}

void attendreIdentiques(const Course& attendue, const Course& obtenue, std::size_t ticks) {
    for (std::size_t t = 0; t < ticks; ++t) {
        const Instant& a = attendue.instants[t];
        const Instant& b = obtenue.instants[t];
        ASSERT_EQ(a.rencontres, b.rencontres) << "encounters of tick " << t + 1;
        ASSERT_EQ(a.rapport, b.rapport) << "report of tick " << t + 1;
        ASSERT_EQ(a.empreinte, b.empreinte) << "state after tick " << t + 1;
    }
}

} // namespace

// Each of three tasks waits for the other two to have started: they can only all go through if
// three threads take one each at the same time.
TEST(Fils, TroisFilsPrennentChacunUneTache) {
    fixerNombreDeFils(3);
    ASSERT_EQ(nombreDeFils(), 3u);
    std::mutex verrou;
    std::condition_variable arrivee;
    std::set<std::thread::id> fils;
    std::vector<int> appels(3, 0);
    bool ensemble = true;
    executerEnParallele(appels.size(), [&](std::size_t k) {
        std::unique_lock<std::mutex> garde(verrou);
        appels[k]++;
        fils.insert(std::this_thread::get_id());
        arrivee.notify_all();
        const auto tousLa = [&] { return fils.size() == appels.size(); };
        if (!arrivee.wait_for(garde, std::chrono::seconds(60), tousLa)) ensemble = false;
    });
    fixerNombreDeFils(0);
    EXPECT_TRUE(ensemble);
    EXPECT_EQ(appels, std::vector<int>(3, 1));
}

TEST(Fils, MemeCourseQuelQueSoitLeNombreDeFils) {
    const Course reference = courir(avancerTickParPaires, 1, 1);
    ASSERT_GT(reference.instants[0].rencontres.size(), 20000u);
    ASSERT_GT(compterLignes(reference.instants[0].rapport, " n\xe9 d'une scission."), 0u);
    ASSERT_GT(compterLignes(reference.instants[0].rapport, " n\xe9 avec le g\xe8nome"), 0u);

    const Course seul = courir(avancerTick, 1, 3);
    attendreIdentiques(reference, seul, 1);
    for (const unsigned fils : {2u, 3u}) {
        SCOPED_TRACE(std::to_string(fils) + " threads");
        const Course partagee = courir(avancerTick, fils, 3);
        attendreIdentiques(seul, partagee, 3);
        EXPECT_EQ(seul.tirageSuivant, partagee.tirageSuivant) << "rand() stream after the run";
    }
}
