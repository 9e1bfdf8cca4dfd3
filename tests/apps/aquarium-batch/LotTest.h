#pragma once

#include "DossierTest.h"
#include "Monde.h"
#include "Processus.h"

#include <string>
#include <vector>

/// aquarium-batch run in a test's own temporary folder.
class LotTest : public DossierTest {
protected:
    /// aquarium-batch with the words of `ligne` (see mots()).
    std::vector<std::string> commande(const std::string& ligne) const {
        std::vector<std::string> arguments = mots(ligne);
        arguments.insert(arguments.begin(), AQUARIUM_BATCH);
        return arguments;
    }
    Issue lancer(const std::string& ligne, const std::string& sortieVers = "") const {
        return executer(commande(ligne), sortieVers);
    }
};
