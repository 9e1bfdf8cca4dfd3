#include "LotTest.h"

#include <nlohmann/json.hpp>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

// The disk fills up during a run, one output at a time: that output alone lies on a small
// file system mounted for the test, filled beforehand to leave it a part of what it writes in
// the uninterrupted run. Then space is freed and the same command plus --resume must leave
// every output as the uninterrupted run wrote it.

namespace {

constexpr const char* kCourse = "--seed 1 --ticks 3000";

struct Cas {
    /// The file on the full disk: its name in the command below.
    std::string nom;
    std::string trace;
    /// Space left, as a part of the file's size in the uninterrupted run, rounded up to pages.
    double part;
};

void PrintTo(const Cas& cas, std::ostream* flux) {
    *flux << cas.nom << " (trace ." << cas.trace << ") given " << cas.part << " of its size";
}

/// A test's folder with `ref/`, `run/` and `plein/`, a small disk of its own.
class PetitDisque : public LotTest {
protected:
    void SetUp() override {
        LotTest::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
        for (const char* dossier : {"ref", "run", "plein"})
            std::filesystem::create_directory(chemin(dossier));
        if (::mount("tmpfs", chemin("plein").c_str(), "tmpfs", 0, "size=16m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        monte_ = true;
    }
    void TearDown() override {
        if (monte_) ::umount2(chemin("plein").c_str(), MNT_DETACH);
        LotTest::TearDown();
    }
    /// Fills the small disk, but `libre` bytes rounded up to pages.
    void remplir(std::uintmax_t libre) {
        const std::uintmax_t page = 4096;
        libre = (libre + page - 1) / page * page;
        struct statvfs etat {};
        ASSERT_EQ(::statvfs(chemin("plein").c_str(), &etat), 0);
        const std::uintmax_t disponible = etat.f_bavail * etat.f_bsize;
        ASSERT_GE(disponible, libre);
        std::ofstream lest(chemin("plein/lest"), std::ios::binary);
        lest << std::string(disponible - libre, '\0');
        ASSERT_TRUE(lest.flush()) << "cannot fill the disk";
    }

    bool monte_ = false;
};

class DisquePlein : public PetitDisque, public ::testing::WithParamInterface<Cas> {
protected:

    /// Every output of seed 1's run, each in `dossier`, but `plein`'s on the small disk.
    std::string sorties(const std::string& dossier, const std::string& plein = "") const {
        std::string ligne;
        const auto lieu = [&](const std::string& nom) {
            return " @" + (nom == plein ? "plein" : dossier) + "/" + nom;
        };
        for (const auto& [option, nom] : std::map<std::string, std::string>{
                 {"--stats", "s.csv"},
                 {"--state", "t." + GetParam().trace},
                 {"--summary", "r.json"},
                 {"--report", "c.txt"},
                 {"--checkpoint", "point"}})
            ligne += " " + option + lieu(nom);
        return ligne + " --state-every 100 --checkpoint-every 250";
    }
    /// Every output in `dossier`, but `plein`'s on the small disk: the report, the statistics,
    /// the trace and the summary without its wall time.
    std::vector<std::string> lire(const std::string& dossier, const std::string& plein) const {
        const auto lieu = [&](const std::string& nom) {
            return chemin((nom == plein ? "plein" : dossier) + "/" + nom);
        };
        nlohmann::json resume = nlohmann::json::parse(lireFichier(lieu("r.json")));
        resume.erase("wallSeconds");
        return {lireFichier(lieu("c.txt")), lireFichier(lieu("s.csv")),
                traceLue(lieu("t." + GetParam().trace)), resume.dump()};
    }
};

/// Expects the one line of a failed write on a full disk: status 1, the file named.
void verifierDisquePlein(const Issue& issue, const std::string& programme,
                         const std::string& fichier) {
    EXPECT_EQ(issue.statut, 1) << issue.erreurs;
    const std::vector<std::string> l = lignes(issue.erreurs);
    ASSERT_EQ(l.size(), 2u) << issue.erreurs;
    EXPECT_EQ(l[0].rfind(programme + ": seed ", 0), 0u) << issue.erreurs;
    EXPECT_EQ(l[1].rfind(programme + ": ", 0), 0u) << issue.erreurs;
    EXPECT_NE(l[1].find("'" + fichier + "'"), std::string::npos) << issue.erreurs;
    EXPECT_NE(l[1].find("No space left on device"), std::string::npos) << issue.erreurs;
}

TEST_P(DisquePlein, ArreteAuTickPuisRepriseEgaleLaCourseIninterrompue) {
    const Cas& cas = GetParam();
    ASSERT_EQ(lancer(kCourse + sorties("ref")).statut, 0);
    const std::vector<std::string> entier = lire("ref", "");
    const std::uintmax_t taille = std::filesystem::file_size(chemin("ref/" + cas.nom));
    remplir(static_cast<std::uintmax_t>(cas.part * taille));

    const std::string commande = kCourse + sorties("run", cas.nom);
    const std::string fichier = chemin("plein/" + cas.nom);
    const Issue issue = lancer(commande);
    verifierDisquePlein(issue, "aquarium-batch", fichier);
    // The last checkpoint saved before is whole: the resumed run below loads it.
    const std::string point = cas.nom == "point" ? "plein/point" : "run/point";
    ASSERT_TRUE(std::filesystem::exists(chemin(point))) << "no checkpoint before the failure";
    EXPECT_FALSE(std::filesystem::exists(chemin(point + ".tmp")));
    EXPECT_FALSE(std::filesystem::exists(chemin("plein/r.json.tmp")));

    std::filesystem::remove(chemin("plein/lest"));
    const Issue reprise = lancer(commande + " --resume @" + point);
    EXPECT_EQ(reprise.statut, 0) << reprise.erreurs;
    EXPECT_EQ(lire("run", cas.nom), entier);
}

// Parts chosen so that a checkpoint was saved before the failure: the statistics and the
// traces fail between two checkpoints' flushes, the report (flushed at each checkpoint) at one;
// the summary, written once the run has ended, on a disk left without a page; the checkpoint
// when a new one and the last cannot both lie there.
INSTANTIATE_TEST_SUITE_P(
    Sorties, DisquePlein,
    ::testing::Values(Cas{"s.csv", "jsonl", 0.3}, Cas{"s.csv", "jsonl", 0.8},
                      Cas{"t.jsonl", "jsonl", 0.3}, Cas{"t.jsonl", "jsonl", 0.8},
                      Cas{"t.h5", "h5", 0.3}, Cas{"t.h5", "h5", 0.8},
                      Cas{"c.txt", "jsonl", 0.5}, Cas{"r.json", "h5", 0.0},
                      Cas{"point", "jsonl", 1.0}, Cas{"point", "h5", 1.5}));

// The recorder's video on a full disk: ffmpeg fails, and the recorder says why, in one line.
// Half its size left: the muxer's first writes go through, a later one fails.
TEST_F(PetitDisque, UneVideoSurUnDisquePleinEchoueEnUneLigne) {
    const auto filmer = [&](const std::string& video) {
        return executer({AQUARIUM_RECORD, "--seed", "1", "--ticks", "300", "--size", "320x256",
                         "--quiet", "--video", chemin(video)});
    };
    ASSERT_EQ(filmer("ref/v.mp4").statut, 0);
    remplir(std::filesystem::file_size(chemin("ref/v.mp4")) / 2);
    verifierDisquePlein(filmer("plein/v.mp4"), "aquarium-record", chemin("plein/v.mp4"));
    EXPECT_FALSE(std::filesystem::exists(chemin("plein/v.mp4")));
}

} // namespace
