#pragma once

#include "Processus.h"
#include "Rapport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

/// Each test gets a fresh temporary directory for the runner's files, removed afterwards.
class LotTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string chemin(const std::string& nom) const { return (dossier_ / nom).string(); }
    /// Runs aquarium-batch with these arguments, its standard output to `sortieVers` if given.
    Issue lancer(const std::vector<std::string>& arguments,
                 const std::string& sortieVers = "") const;
    /// What the temporary directory holds, by name.
    std::vector<std::string> fichiers() const;

    std::filesystem::path dossier_;
};

/// The whole file, byte for byte; empty if it cannot be read.
std::string lireFichier(const std::string& chemin);
/// The console report of the core itself, driven in this process the way the runner drives it.
std::string rapportEnProcessus(unsigned graine, int ticks, int fondateurs = 20, int bancs = 6);
