#include "LotTest.h"

#include "Console.h"
#include "Scenario.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

void LotTest::SetUp() {
    std::string modele = (std::filesystem::path(::testing::TempDir()) / "lot-XXXXXX").string();
    ASSERT_NE(::mkdtemp(modele.data()), nullptr);
    dossier_ = modele;
}

void LotTest::TearDown() { std::filesystem::remove_all(dossier_); }

Issue LotTest::lancer(const std::vector<std::string>& arguments,
                      const std::string& sortieVers) const {
    std::vector<std::string> commande = {AQUARIUM_BATCH};
    commande.insert(commande.end(), arguments.begin(), arguments.end());
    return executer(commande, sortieVers);
}

std::vector<std::string> LotTest::fichiers() const {
    std::vector<std::string> noms;
    for (const auto& entree : std::filesystem::directory_iterator(dossier_)) {
        noms.push_back(entree.path().filename().string());
    }
    return noms;
}

std::string lireFichier(const std::string& chemin) {
    std::ifstream flux(chemin, std::ios::binary);
    std::ostringstream texte;
    texte << flux.rdbuf();
    return texte.str();
}

std::string rapportEnProcessus(unsigned graine, int ticks, int fondateurs, int bancs) {
    Console console;
    demarrerMonde(graine, fondateurs, bancs);
    for (int t = 0; t < ticks; ++t)
        avancerTick();
    detruireMonde();
    return console.texte();
}
