#include "Main.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// What the display check says on stderr, with its verdict.
struct Verdict {
    bool ouvert = false;
    std::string message;
};

Verdict verifier(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream capture;
    std::streambuf* ancien = std::cerr.rdbuf(capture.rdbuf());
    const bool ouvert =
        VerificationAffichage(static_cast<int>(arguments.size()), argv.data()).ouvert();
    std::cerr.rdbuf(ancien);
    return {ouvert, capture.str()};
}

} // namespace

TEST(Affichage, LOptionDisplayPasseAvantLaVariable) {
    char programme[] = "aquarium";
    char option[] = "-display";
    char nom[] = ":3";
    char* avec[] = {programme, option, nom, nullptr};
    EXPECT_STREQ(affichageDemande(3, avec), ":3");
    char* sans[] = {programme, nullptr};
    EXPECT_EQ(affichageDemande(1, sans), nullptr);
    char* incomplet[] = {programme, option, nullptr};
    EXPECT_EQ(affichageDemande(2, incomplet), nullptr);
}

TEST(Affichage, UnAffichageAbsentEstNommeEnUneLigne) {
    const Verdict v = verifier({"aquarium", "-display", ":65000"});
    EXPECT_FALSE(v.ouvert);
    EXPECT_EQ(v.message, "aquarium: cannot open the X display \":65000\"\n");
}

TEST(Affichage, SansVariableDisplayLeMessageLeDit) {
    const char* avant = std::getenv("DISPLAY");
    const std::string sauve = avant != nullptr ? avant : "";
    unsetenv("DISPLAY");
    const Verdict v = verifier({"aquarium"});
    if (avant != nullptr) setenv("DISPLAY", sauve.c_str(), 1);
    EXPECT_FALSE(v.ouvert);
    EXPECT_EQ(v.message, "aquarium: no X display to open: DISPLAY is not set\n");
}
