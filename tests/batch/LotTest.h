#pragma once

#include "DossierTest.h"
#include "Monde.h"
#include "Processus.h"

#include <string>
#include <vector>

/// aquarium-batch run in a test's own temporary folder.
class LotTest : public DossierTest {
protected:
    /// Runs aquarium-batch with these arguments, its standard output to `sortieVers` if given.
    Issue lancer(std::vector<std::string> arguments, const std::string& sortieVers = "") const {
        arguments.insert(arguments.begin(), AQUARIUM_BATCH);
        return executer(arguments, sortieVers);
    }
};
