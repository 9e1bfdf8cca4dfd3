// The state trace: JSON Lines, the dumped ticks, the shape of each object, and every value
// equal to the core's own, floats to the last bit.

#include "LotTest.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Console.h"
#include "Scenario.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <set>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

std::vector<json> lireTrace(const std::string& chemin) {
    std::vector<json> trace;
    for (const std::string& ligne : lignes(lireFichier(chemin))) {
        trace.push_back(json::parse(ligne));
    }
    // Only tick 0 says which run made the trace.
    if (!trace.empty()) {
        trace[0].erase("seed");
        trace[0].erase("settings");
    }
    return trace;
}

std::vector<int> ticksDe(const std::vector<json>& trace) {
    std::vector<int> ticks;
    for (const json& ligne : trace)
        ticks.push_back(ligne.at("tick").get<int>());
    return ticks;
}

std::set<std::string> cles(const json& objet) {
    std::set<std::string> noms;
    for (const auto& element : objet.items())
        noms.insert(element.key());
    return noms;
}

const std::set<std::string> kClesEtat = {"tick", "compteurOrganisme", "speedbricks", "cutits"};
const std::set<std::string> kClesCutit = {"id", "pos", "vel", "turning", "remaining"};
const std::set<std::string> kClesSpeedbrick = {
    "id",   "pos",        "vel",     "turning",  "remaining", "kind", "age",
    "sexe", "invincible", "sterile", "nextRing", "genome",    "rings"};

const char* nomGenre(T_Genre genre) {
    switch (genre) {
    case GENRE_NORMAL:
        return "NORMAL";
    case GENRE_GENTIL:
        return "GENTIL";
    case GENRE_AGA:
        return "AGA";
    }
    return "?";
}

// Walks one trace line beside the live world and keeps the first difference, with its path.
class Ecart {
public:
    const std::string& premier() const { return premier_; }

    void etat(const json& j, const C_AQUARIUM& monde) {
        if (!objet(j, "state", kClesEtat)) return;
        entier(j["tick"], "tick", monde.getTempsEcoule());
        entier(j["compteurOrganisme"], "compteurOrganisme", monde.getCompteurOrganisme());
        const auto& speedbricks = monde.speedbricks();
        if (!tableau(j["speedbricks"], "speedbricks", speedbricks.size())) return;
        for (std::size_t i = 0; i < speedbricks.size(); ++i) {
            speedbrick(j["speedbricks"][i], "speedbricks[" + std::to_string(i) + "]",
                       *speedbricks[i]);
        }
        const auto& cutits = monde.cutits();
        if (!tableau(j["cutits"], "cutits", cutits.size())) return;
        for (std::size_t i = 0; i < cutits.size(); ++i) {
            const std::string ici = "cutits[" + std::to_string(i) + "]";
            if (objet(j["cutits"][i], ici, kClesCutit)) organisme(j["cutits"][i], ici, *cutits[i]);
        }
    }

private:
    void speedbrick(const json& j, const std::string& ici, const C_SPEEDBRICK& s) {
        if (!objet(j, ici, kClesSpeedbrick)) return;
        organisme(j, ici, s);
        if (j["kind"] != nomGenre(s.getGenre())) noter(ici + ".kind");
        entier(j["age"], ici + ".age", s.getAge());
        entier(j["sexe"], ici + ".sexe", static_cast<int>(s.getSexe()));
        entier(j["invincible"], ici + ".invincible", s.getDureeInvincible());
        entier(j["sterile"], ici + ".sterile", s.getDureeSteriliteRestante());
        entier(j["nextRing"], ici + ".nextRing", s.getAnneauADeplacer());
        const std::vector<int> genome = s.getCodeGenetique();
        if (tableau(j["genome"], ici + ".genome", genome.size())) {
            for (std::size_t g = 0; g < genome.size(); ++g) {
                entier(j["genome"][g], ici + ".genome[" + std::to_string(g) + "]", genome[g]);
            }
        }
        const auto& anneaux = s.anneaux();
        if (!tableau(j["rings"], ici + ".rings", anneaux.size())) return;
        for (std::size_t r = 0; r < anneaux.size(); ++r) {
            const std::string anneau = ici + ".rings[" + std::to_string(r) + "]";
            if (!tableau(j["rings"][r], anneau, 4)) continue;
            entier(j["rings"][r][0], anneau, anneaux[r]->getIdAnneau());
            triplet(j["rings"][r], 1, anneau, anneaux[r]->getPosX(), anneaux[r]->getPosY(),
                    anneaux[r]->getPosZ());
        }
    }

    void organisme(const json& j, const std::string& ici, const C_ORGANISME& o) {
        entier(j["id"], ici + ".id", o.getId());
        if (tableau(j["pos"], ici + ".pos", 3)) {
            triplet(j["pos"], 0, ici + ".pos", o.getPosX(), o.getPosY(), o.getPosZ());
        }
        if (tableau(j["vel"], ici + ".vel", 3)) {
            triplet(j["vel"], 0, ici + ".vel", o.getVelX(), o.getVelY(), o.getVelZ());
        }
        if (tableau(j["turning"], ici + ".turning", 3)) {
            for (int axe = 0; axe < 3; ++axe) {
                const json& b = j["turning"][static_cast<std::size_t>(axe)];
                if (!b.is_boolean() || b.get<bool>() != o.getRetournementEnCours(axe)) {
                    noter(ici + ".turning");
                }
            }
        }
        if (tableau(j["remaining"], ici + ".remaining", 3)) {
            triplet(j["remaining"], 0, ici + ".remaining", o.getRetournementRestant(0),
                    o.getRetournementRestant(1), o.getRetournementRestant(2));
        }
    }

    bool objet(const json& j, const std::string& ici, const std::set<std::string>& attendues) {
        if (j.is_object() && cles(j) == attendues) return true;
        noter(ici + " (keys)");
        return false;
    }

    bool tableau(const json& j, const std::string& ici, std::size_t taille) {
        if (j.is_array() && j.size() == taille) return true;
        noter(ici + " (length)");
        return false;
    }

    void entier(const json& j, const std::string& ici, int attendu) {
        if (!j.is_number_integer() || j.get<long long>() != attendu) noter(ici);
    }

    // Read as a double and rounded to float, the text must give back the very same bits.
    void flottant(const json& j, const std::string& ici, float attendu) {
        if (!j.is_number()) {
            noter(ici);
            return;
        }
        const float relu = static_cast<float>(j.get<double>());
        if (std::memcmp(&relu, &attendu, sizeof relu) != 0) noter(ici);
    }

    void triplet(const json& j, std::size_t debut, const std::string& ici, float x, float y,
                 float z) {
        flottant(j[debut], ici, x);
        flottant(j[debut + 1], ici, y);
        flottant(j[debut + 2], ici, z);
    }

    void noter(const std::string& ici) {
        if (premier_.empty()) premier_ = ici;
    }

    std::string premier_;
};

} // namespace

TEST_F(LotTest, TraceAuxTicksZeroMultiplesEtDernier) {
    struct Cas {
        std::vector<std::string> options;
        std::vector<int> ticks;
    };
    const std::vector<Cas> cas = {
        {{"--ticks", "250", "--state-every", "100"}, {0, 100, 200, 250}},
        {{"--ticks", "300", "--state-every", "100"}, {0, 100, 200, 300}},
        {{"--ticks", "120"}, {0, 120}},
        {{"--ticks", "3", "--state-every", "1"}, {0, 1, 2, 3}},
    };
    for (const Cas& c : cas) {
        std::vector<std::string> arguments = {"--seed", "4", "--quiet", "--state",
                                              chemin("t.jsonl")};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const Issue lot = lancer(arguments);
        ASSERT_EQ(lot.statut, 0) << lot.erreurs;
        std::vector<json> trace;
        ASSERT_NO_THROW(trace = lireTrace(chemin("t.jsonl")));
        EXPECT_EQ(ticksDe(trace), c.ticks) << c.options[1];
    }
}

TEST_F(LotTest, TraceEstDuJsonLinesValide) {
    const Issue lot = lancer({"--seed", "8", "--ticks", "60", "--state", chemin("t.jsonl"),
                              "--state-every", "20", "--quiet"});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    const std::string texte = lireFichier(chemin("t.jsonl"));
    ASSERT_FALSE(texte.empty());
    EXPECT_EQ(texte.back(), '\n');
    const std::vector<std::string> l = lignes(texte);
    ASSERT_EQ(l.size(), 4u);
    for (const std::string& ligne : l) {
        EXPECT_TRUE(json::accept(ligne)) << ligne.substr(0, 200);
        EXPECT_TRUE(json::parse(ligne).is_object());
    }
}

// Seed 8 in 400 ticks: rings, sexes, a birth, two splits and wall turns, all in the trace.
TEST_F(LotTest, TraceEgaleAuMondeDuCoeurAChaqueTickEcrit) {
    const Issue lot = lancer({"--seed", "8", "--ticks", "400", "--state", chemin("t.jsonl"),
                              "--state-every", "25", "--quiet"});
    ASSERT_EQ(lot.statut, 0) << lot.erreurs;
    std::vector<json> trace;
    ASSERT_NO_THROW(trace = lireTrace(chemin("t.jsonl")));
    ASSERT_EQ(trace.size(), 17u);

    Console console;
    const C_AQUARIUM* monde = demarrerMonde(8);
    std::size_t suivante = 0;
    for (int tick = 0; tick <= 400; ++tick) {
        if (tick > 0) avancerTick();
        if (tick % 25 != 0) continue;
        Ecart ecart;
        ecart.etat(trace[suivante++], *monde);
        EXPECT_EQ(ecart.premier(), "") << "at tick " << tick;
    }
    EXPECT_GT(monde->getCompteurOrganisme(), 68);
    detruireMonde();
}
