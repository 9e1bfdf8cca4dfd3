// aquarium-record with no display: the video decodes with the frames, size and rate asked for,
// and shows the scene; bad options and a failing encoder end it with one line and no file.

#include "Processus.h"
#include "Rapport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Enregistreur : public ::testing::Test {
protected:
    void SetUp() override {
        std::string modele = (fs::path(::testing::TempDir()) / "video-XXXXXX").string();
        ASSERT_NE(::mkdtemp(modele.data()), nullptr);
        dossier_ = modele;
    }
    void TearDown() override { fs::remove_all(dossier_); }

    std::string chemin(const std::string& nom) const { return (dossier_ / nom).string(); }

    /// The recorder with no X display, and PATH as given (unchanged if empty).
    Issue enregistrer(std::vector<std::string> arguments, const std::string& path = "") const {
        Lancement lancement;
        arguments.insert(arguments.begin(), AQUARIUM_RECORD);
        lancement.arguments = arguments;
        lancement.variablesRetirees = {"DISPLAY"};
        if (!path.empty()) lancement.variablesPosees = {{"PATH", path}};
        return Processus(lancement).terminer();
    }

    std::vector<std::string> fichiers() const {
        std::vector<std::string> noms;
        for (const auto& entree : fs::directory_iterator(dossier_))
            noms.push_back(entree.path().filename().string());
        return noms;
    }

    fs::path dossier_;
};

/// ffprobe's view of the first video stream, frames counted by decoding them.
std::map<std::string, std::string> sonder(const std::string& video) {
    const Issue sonde =
        executer({FFPROBE, "-v", "error", "-count_frames", "-select_streams", "v:0",
                  "-show_entries", "stream=codec_name,width,height,r_frame_rate,nb_read_frames",
                  "-of", "default=noprint_wrappers=1", video});
    std::map<std::string, std::string> champs;
    for (const std::string& ligne : lignes(sonde.sortie)) {
        const std::size_t egal = ligne.find('=');
        if (egal != std::string::npos) champs[ligne.substr(0, egal)] = ligne.substr(egal + 1);
    }
    return champs;
}

/// Every frame decoded to RGB, one after the other.
std::string decoder(const std::string& video) {
    return executer({FFMPEG, "-v", "error", "-i", video, "-f", "rawvideo", "-pix_fmt", "rgb24",
                     "pipe:1"})
        .sortie;
}

/// Pixels brighter than the background the codec leaves near black.
int clairs(const std::string& image) {
    int n = 0;
    for (std::size_t i = 0; i + 2 < image.size(); i += 3) {
        const int somme = static_cast<unsigned char>(image[i]) +
                          static_cast<unsigned char>(image[i + 1]) +
                          static_cast<unsigned char>(image[i + 2]);
        n += somme > 150 ? 1 : 0;
    }
    return n;
}

struct Format {
    const char* extension;
    const char* codec;
};

std::ostream& operator<<(std::ostream& flux, const Format& f) { return flux << f.extension; }

class Video : public Enregistreur, public ::testing::WithParamInterface<Format> {};

// Ticks 2, 5, 8 … 20 and the last, 21: eight frames, the view turning between each.
TEST_P(Video, SeDecodeAvecLesImagesDemandees) {
    const std::string video = chemin(std::string("v.") + GetParam().extension);
    const Issue enregistrement =
        enregistrer({"--seed", "1", "--ticks", "21", "--from-tick", "2", "--frame-every", "3",
                     "--size", "320x256", "--fps", "12", "--quiet", "--video", video});
    ASSERT_EQ(enregistrement.statut, 0) << enregistrement.erreurs;
    EXPECT_EQ(enregistrement.sortie, "");
    EXPECT_NE(enregistrement.erreurs.find("--video: 8 frames of 320x256"), std::string::npos)
        << enregistrement.erreurs;

    const std::map<std::string, std::string> attendu = {{"codec_name", GetParam().codec},
                                                        {"width", "320"},
                                                        {"height", "256"},
                                                        {"r_frame_rate", "12/1"},
                                                        {"nb_read_frames", "8"}};
    EXPECT_EQ(sonder(video), attendu);

    const std::size_t taille = 320 * 256 * 3;
    const std::string images = decoder(video);
    ASSERT_EQ(images.size(), 8 * taille);
    std::string precedente;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string image = images.substr(i * taille, taille);
        EXPECT_GT(clairs(image), 500) << "frame " << i << " is blank";
        EXPECT_NE(image, precedente) << "frame " << i << " repeats the one before";
        precedente = image;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Video,
                         ::testing::Values(Format{"mp4", "h264"}, Format{"webm", "vp9"}),
                         [](const auto& info) { return std::string(info.param.extension); });

struct Refus {
    const char* nom;
    /// "@name" stands for a file of the test's directory; --video @v.mp4 is added unless given.
    std::vector<std::string> arguments;
    /// What the one line of refusal must say.
    std::vector<std::string> motifs;
};

std::ostream& operator<<(std::ostream& flux, const Refus& r) { return flux << r.nom; }

const std::vector<Refus> kRefus = {
    {"ExtensionInconnue",
     {"--video", "@v.avi"},
     {"--video", ".mp4 (H.264)", ".webm (VP9)", "v.avi"}},
    {"SansVideo", {"--video"}, {"--video", "missing"}},
    {"TailleImpaire", {"--size", "321x256"}, {"--size", "even numbers from 16", "'321x256'"}},
    {"TailleSansHauteur", {"--size", "320x"}, {"--size", "WIDTHxHEIGHT", "'320x'"}},
    {"ImagesParSecondeNulles", {"--fps", "0"}, {"--fps", "from 1 to 240", "'0'"}},
    {"PeriodeNulle", {"--frame-every", "0"}, {"--frame-every", "'0'"}},
    {"DebutApresLaFin", {"--from-tick", "3001"}, {"--from-tick 3001", "3000 (--ticks)"}},
    {"MemeFichierQueLePoint",
     {"--checkpoint", "@v.mp4"},
     {"--video and --checkpoint", "same file"}},
    {"DossierAbsent", {"--video", "@absent/v.mp4"}, {"--video", "cannot open", "absent/v.mp4"}},
};

class OptionRefusee : public Enregistreur, public ::testing::WithParamInterface<Refus> {};

TEST_P(OptionRefusee, UneLigneStatutDeuxRienDeCree) {
    std::vector<std::string> arguments;
    bool video = false;
    for (const std::string& a : GetParam().arguments) {
        video = video || a == "--video";
        arguments.push_back(a.rfind('@', 0) == 0 ? chemin(a.substr(1)) : a);
    }
    if (!video) arguments.insert(arguments.end(), {"--video", chemin("v.mp4")});
    const Issue refus = enregistrer(arguments);
    EXPECT_EQ(refus.statut, 2);
    EXPECT_EQ(refus.sortie, "");
    const std::vector<std::string> l = lignes(refus.erreurs);
    ASSERT_EQ(l.size(), 1u) << refus.erreurs;
    EXPECT_EQ(l[0].rfind("aquarium-record: ", 0), 0u) << l[0];
    for (const std::string& motif : GetParam().motifs)
        EXPECT_NE(l[0].find(motif), std::string::npos) << l[0] << "\nlacks: " << motif;
    EXPECT_TRUE(fichiers().empty());
}

INSTANTIATE_TEST_SUITE_P(Options, OptionRefusee, ::testing::ValuesIn(kRefus),
                         [](const auto& info) { return std::string(info.param.nom); });

} // namespace

// Refused before anything is simulated, and a video already there stays as it was.
TEST_F(Enregistreur, SansFfmpegRefuseEtLaisseLaVideoExistante) {
    std::ofstream(chemin("v.mp4")) << "ancienne";
    const Issue refus = enregistrer({"--ticks", "5", "--video", chemin("v.mp4")}, "/nulle-part");
    EXPECT_EQ(refus.statut, 2);
    EXPECT_EQ(refus.sortie, "");
    ASSERT_EQ(lignes(refus.erreurs).size(), 1u) << refus.erreurs;
    EXPECT_NE(refus.erreurs.find("--video: cannot run ffmpeg: No such file"), std::string::npos)
        << refus.erreurs;
    std::ifstream fichier(chemin("v.mp4"));
    std::stringstream contenu;
    contenu << fichier.rdbuf();
    EXPECT_EQ(contenu.str(), "ancienne");
}

// An encoder that gives up after part of the first frame, saying in which process group it ran:
// its own, so that a Ctrl-C on the terminal reaches the recorder alone.
TEST_F(Enregistreur, EncodeurQuiSArreteStatutUnSansFichier) {
    const std::string faux = chemin("ffmpeg");
    std::ofstream(faux) << "#!/bin/sh\n"
                           "head -c 1000 >/dev/null\n"
                           "read -r pid nom etat parent groupe reste </proc/$$/stat\n"
                           "echo \"pid $$ group $groupe\" >&2\n"
                           "exit 3\n";
    fs::permissions(faux, fs::perms::owner_all);
    const Issue echec = enregistrer(
        {"--seed", "1", "--ticks", "5", "--quiet", "--size", "320x256", "--video", chemin("v.mp4")},
        dossier_.string() + ":/usr/bin:/bin");
    EXPECT_EQ(echec.statut, 1);
    const std::vector<std::string> l = lignes(echec.erreurs);
    ASSERT_EQ(l.size(), 2u) << echec.erreurs;
    EXPECT_EQ(l[0], "aquarium-record: seed 1");
    std::istringstream mots(l[1].substr(l[1].find("): pid ") + 3));
    std::string pid, groupe, mot;
    mots >> mot >> pid >> mot >> groupe;
    EXPECT_EQ(groupe.substr(0, groupe.find(';')), pid) << l[1];
    EXPECT_EQ(l[1].rfind("aquarium-record: ffmpeg stopped (status 3): pid ", 0), 0u) << l[1];
    EXPECT_NE(l[1].find("removed (run stopped at tick 0)"), std::string::npos) << l[1];
    EXPECT_EQ(fichiers(), std::vector<std::string>{"ffmpeg"});
}
