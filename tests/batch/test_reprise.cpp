#include "LotTest.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

// Long runs stopped, saved and taken up again: joined, their files are the uninterrupted run's
// byte for byte.

namespace {

constexpr int kTicks = 3000;
constexpr int kPeriode = 100;

/// The files of one run of seed 1, every output on.
struct Fichiers {
    std::string rapport;
    std::string stats;
    std::string trace;
};

int tickDeLigne(const std::string& ligne) { return nlohmann::json::parse(ligne).at("tick"); }

// A stopped run's trace ends with its last tick, which the uninterrupted trace holds only when
// it is a dump tick: joining drops that line otherwise.
std::string partDeTrace(const std::string& trace) {
    const std::vector<std::string> l = lignes(trace);
    std::string part;
    for (std::size_t i = 0; i < l.size(); ++i) {
        const int tick = tickDeLigne(l[i]);
        if (i + 1 == l.size() && tick % kPeriode != 0 && tick != kTicks) break;
        part += l[i] + "\n";
    }
    return part;
}

// A resumed run writes no stats header: the files join as they are.
void joindre(Fichiers& tout, const Fichiers& part) {
    tout.rapport += part.rapport;
    tout.stats += part.stats;
    tout.trace += partDeTrace(part.trace);
}

class Reprise : public LotTest {
protected:
    std::vector<std::string> sorties(const std::string& nom) const {
        return {"--state",
                chemin(nom + ".jsonl"),
                "--state-every",
                std::to_string(kPeriode),
                "--stats",
                chemin(nom + ".csv"),
                "--checkpoint",
                chemin("point"),
                "--checkpoint-every",
                "250"};
    }
    Fichiers lireSorties(const std::string& nom, const Issue& issue) const {
        return {issue.sortie, lireFichier(chemin(nom + ".csv")),
                lireFichier(chemin(nom + ".jsonl"))};
    }
    /// One run with every output; `nom` names its files.
    Fichiers courir(const std::string& nom, std::vector<std::string> arguments, int statut = 0) {
        const std::vector<std::string> s = sorties(nom);
        arguments.insert(arguments.end(), s.begin(), s.end());
        const Issue issue = lancer(arguments);
        EXPECT_EQ(issue.statut, statut) << issue.erreurs;
        return lireSorties(nom, issue);
    }
    Fichiers ininterrompue() { return courir("entier", {"--seed", "1", "--ticks", "3000"}); }

    /// The settings' comment and the header come before tick 1's row.
    std::vector<std::string> statsDe(const Fichiers& f, int tick) const {
        std::vector<std::string> champs;
        std::stringstream ligne(lignes(f.stats).at(static_cast<std::size_t>(tick) + 1));
        for (std::string champ; std::getline(ligne, champ, ',');)
            champs.push_back(champ);
        return champs;
    }
};

// Stops chosen from seed 1's run: 100, every founder invincible and some turning at a wall;
// 205, right after a birth; 375, right after a split; the bound of 40 speedbricks, passed at
// 1888 by a split. Each part saves the checkpoint that the next takes up.
TEST_F(Reprise, UneCourseReprisePlusieursFoisEgaleLaCourseIninterrompue) {
    const Fichiers entier = ininterrompue();
    ASSERT_NE(statsDe(entier, 205).at(10), "0") << "no birth at tick 205";
    ASSERT_NE(statsDe(entier, 375).at(11), "0") << "no split at tick 375";

    Fichiers joint;
    const Fichiers premiere = courir("p1", {"--seed", "1", "--ticks", "100"});
    const nlohmann::json etat = nlohmann::json::parse(lignes(premiere.trace).back());
    bool invincible = false;
    bool tourne = false;
    for (const auto& s : etat.at("speedbricks")) {
        invincible |= s.at("invincible").get<int>() > 0;
        for (const auto& axe : s.at("turning"))
            tourne |= axe.get<bool>();
    }
    ASSERT_TRUE(invincible && tourne) << "tick 100 has no invincibility or no wall turn";
    joindre(joint, premiere);

    const std::string point = chemin("point");
    joindre(joint, courir("p2", {"--resume", point, "--ticks", "205"}));
    joindre(joint, courir("p3", {"--resume", point, "--ticks", "375"}));
    const Issue borne = lancer([&] {
        std::vector<std::string> a = {"--resume",          point, "--ticks", "3000",
                                      "--max-speedbricks", "40"};
        const std::vector<std::string> s = sorties("p4");
        a.insert(a.end(), s.begin(), s.end());
        return a;
    }());
    EXPECT_EQ(borne.statut, 0);
    EXPECT_NE(borne.erreurs.find("stopped at tick 1888, more than 40 speedbricks alive"),
              std::string::npos)
        << borne.erreurs;
    joindre(joint, lireSorties("p4", borne));
    joindre(joint, courir("p5", {"--resume", point}));

    EXPECT_EQ(joint.rapport, entier.rapport);
    EXPECT_EQ(joint.stats, entier.stats);
    EXPECT_EQ(joint.trace, entier.trace);
}

class Interruption : public Reprise, public ::testing::WithParamInterface<std::tuple<int, int>> {};

// Standard output is a pipe that takes the first half of the report's lines and then holds the
// run mid-tick, writing the next: the signal comes then, at the same point on every run.
TEST_P(Interruption, LaisseDesFichiersEntiersQuiSeJoignentALaReprise) {
    const auto [signal, statut] = GetParam();
    const Fichiers entier = ininterrompue();

    Lancement lancement;
    lancement.arguments = {AQUARIUM_BATCH, "--seed", "1", "--ticks", "3000"};
    const std::vector<std::string> s = sorties("p1");
    lancement.arguments.insert(lancement.arguments.end(), s.begin(), s.end());
    const std::size_t moitie = entier.rapport.find('\n', entier.rapport.size() / 2) + 1;
    lancement.sortieBloqueeApres = moitie;
    Processus processus(lancement);
    ASSERT_TRUE(processus.attendreEcrits(moitie, std::chrono::seconds(60)));
    ASSERT_EQ(::kill(processus.pid(), signal), 0);
    processus.lireSortie();
    const Issue issue = processus.terminer();
    EXPECT_EQ(issue.statut, statut) << issue.erreurs;

    const std::string recit =
        std::string("interrupted by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + " at tick ";
    const std::size_t position = issue.erreurs.find(recit);
    ASSERT_NE(position, std::string::npos) << issue.erreurs;
    const int tick = std::stoi(issue.erreurs.substr(position + recit.size()));
    const Fichiers premiere = lireSorties("p1", issue);
    ASSERT_EQ(lignes(premiere.stats).size(), static_cast<std::size_t>(tick) + 2);
    EXPECT_EQ(premiere.stats.back(), '\n');
    EXPECT_EQ(statsDe(premiere, tick).at(0), std::to_string(tick));
    EXPECT_EQ(premiere.trace.back(), '\n');
    EXPECT_EQ(tickDeLigne(lignes(premiere.trace).back()), tick);

    Fichiers joint;
    joindre(joint, premiere);
    joindre(joint, courir("p2", {"--resume", chemin("point")}));
    EXPECT_EQ(joint.rapport, entier.rapport);
    EXPECT_EQ(joint.stats, entier.stats);
    EXPECT_EQ(joint.trace, entier.trace);
}

INSTANTIATE_TEST_SUITE_P(Signaux, Interruption,
                         ::testing::Values(std::make_tuple(SIGINT, 130),
                                           std::make_tuple(SIGTERM, 143)));

// Both signals come while the run is held in its seeding: the second ends it at once.
TEST_F(Reprise, UnSecondSignalTermineAussitot) {
    Lancement lancement;
    lancement.arguments = {AQUARIUM_BATCH, "--seed", "1", "--ticks", "3000"};
    const std::size_t fondateurs = lignesDesFondateurs(20).size();
    lancement.sortieBloqueeApres = fondateurs;
    Processus processus(lancement);
    ASSERT_TRUE(processus.attendreEcrits(fondateurs, std::chrono::seconds(60)));
    ::kill(processus.pid(), SIGINT);
    ::kill(processus.pid(), SIGTERM);
    processus.lireSortie();
    EXPECT_NE(processus.terminer().signal, 0);
}

std::string avecOctet(std::string octets, std::size_t position, char octet) {
    octets.at(position) = octet;
    return octets;
}

// Each refused before anything is written: one line, status 2, no output left.
TEST_F(Reprise, RefuseUnPointDeRepriseIllisibleOuContredit) {
    ASSERT_EQ(lancer({"--seed", "1", "--ticks", "50", "--quiet", "--checkpoint", chemin("bon"),
                      "--state", chemin("trace")})
                  .statut,
              0);
    const std::string bon = lireFichier(chemin("bon"));
    using Cas = std::tuple<std::optional<std::string>, std::string, std::vector<std::string>>;
    const std::vector<Cas> cas = {
        {std::nullopt, "cannot open: No such file or directory", {}},
        {bon.substr(0, bon.size() / 2), "truncated", {}},
        {bon.substr(0, 12), "truncated", {}},
        {avecOctet(bon, bon.size() - 7, static_cast<char>(bon[bon.size() - 7] ^ 1)), "corrupt", {}},
        {bon + "x", "corrupt", {}},
        {avecOctet(bon, 9, 2), "a checkpoint of format version 2", {}},
        {lireFichier(chemin("trace")), "not a checkpoint", {}},
        {"AQUA", "not a checkpoint", {}},
        {bon, "--seed 2 contradicts the checkpoint's 1", {"--seed", "2"}},
        {bon, "--founders 19 contradicts the checkpoint's 20", {"--founders", "19"}},
        {bon, "--shoals 7 contradicts the checkpoint's 6", {"--shoals", "7"}},
        {bon, "--ticks 50 does not go beyond the checkpoint's tick 50", {"--ticks", "50"}},
        {bon, "the checkpoint is at tick 50, the end of its run: give --ticks", {}},
    };
    for (const auto& [octets, raison, options] : cas) {
        const std::string point = chemin("point");
        std::filesystem::remove(point);
        if (octets) std::ofstream(point, std::ios::binary) << *octets;
        std::vector<std::string> arguments = {"--resume", point, "--stats", chemin("stats")};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const Issue issue = lancer(arguments);
        EXPECT_EQ(issue.statut, 2) << raison;
        EXPECT_EQ(issue.erreurs.rfind("aquarium-batch: --resume '" + point + "': " + raison, 0), 0u)
            << issue.erreurs;
        EXPECT_EQ(lignes(issue.erreurs).size(), 1u) << issue.erreurs;
        EXPECT_EQ(issue.sortie, "");
        EXPECT_FALSE(std::filesystem::exists(chemin("stats"))) << raison;
    }
}

} // namespace
