#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

/// Each test gets a fresh temporary folder for the files of the program under test, removed
/// afterwards.
class DossierTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string modele = (std::filesystem::path(::testing::TempDir()) / "aq-XXXXXX").string();
        ASSERT_NE(::mkdtemp(modele.data()), nullptr);
        dossier_ = modele;
    }
    void TearDown() override { std::filesystem::remove_all(dossier_); }

    std::string chemin(const std::string& nom) const { return (dossier_ / nom).string(); }
    /// The words of `ligne`, split at spaces, each "@name" made the path of that file here.
    std::vector<std::string> mots(const std::string& ligne) const {
        std::vector<std::string> resultat;
        std::istringstream flux(ligne);
        for (std::string mot; flux >> mot;)
            resultat.push_back(mot[0] == '@' ? chemin(mot.substr(1)) : mot);
        return resultat;
    }
    std::vector<std::string> fichiers() const {
        std::vector<std::string> noms;
        for (const auto& entree : std::filesystem::directory_iterator(dossier_))
            noms.push_back(entree.path().filename().string());
        return noms;
    }

    std::filesystem::path dossier_;
};
