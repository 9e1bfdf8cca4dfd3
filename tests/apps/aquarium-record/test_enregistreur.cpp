// aquarium-record with no display: the video it makes, its refusals, a failing encoder.

#include "DossierTest.h"
#include "Monde.h"
#include "Processus.h"

#include <cstdio>
#include <fstream>

namespace {

class Enregistreur : public DossierTest {
protected:
    /// The recorder with no X display and the words of `ligne` (see mots()), PATH as given
    /// (unchanged if empty).
    Issue enregistrer(const std::string& ligne, const std::string& path = "") const {
        std::vector<std::string> commande = mots(ligne);
        commande.insert(commande.begin(), AQUARIUM_RECORD);
        if (!path.empty()) commande.insert(commande.begin(), "PATH=" + path);
        commande.insert(commande.begin(), {"/usr/bin/env", "-u", "DISPLAY"});
        return executer(commande);
    }
};

/// Pixels brighter than the background the codec leaves near black.
int clairs(const std::string& image) {
    const auto* p = reinterpret_cast<const unsigned char*>(image.data());
    int n = 0;
    for (std::size_t i = 0; i + 2 < image.size(); i += 3)
        n += p[i] + p[i + 1] + p[i + 2] > 150 ? 1 : 0;
    return n;
}

// Ticks 2, 5, 8 … 20 and the last, 21: eight frames, the view turning between each.
TEST_F(Enregistreur, VideoSeDecodeAvecLesImagesDemandees) {
    for (const auto& [extension, codec] : {std::pair{"mp4", "h264"}, std::pair{"webm", "vp9"}}) {
        const std::string video = chemin(std::string("v.") + extension);
        const Issue fait = enregistrer("--seed 1 --ticks 21 --from-tick 2 --frame-every 3 "
                                       "--size 320x256 --fps 12 --quiet --video @v." +
                                       std::string(extension));
        ASSERT_EQ(fait.statut, 0) << fait.erreurs;
        EXPECT_EQ(fait.sortie, "");
        EXPECT_NE(fait.erreurs.find("--video: 8 frames of 320x256"), std::string::npos)
            << fait.erreurs;
        EXPECT_EQ(
            executer({FFPROBE, "-v", "error", "-count_frames", "-select_streams", "v:0",
                      "-show_entries", "stream=codec_name,width,height,r_frame_rate,nb_read_frames",
                      "-of", "default=noprint_wrappers=1", video})
                .sortie,
            std::string("codec_name=") + codec +
                "\nwidth=320\nheight=256\nr_frame_rate=12/1\nnb_read_frames=8\n");

        const std::size_t taille = 320 * 256 * 3;
        const std::string images = executer({FFMPEG, "-v", "error", "-i", video, "-f", "rawvideo",
                                             "-pix_fmt", "rgb24", "pipe:1"})
                                       .sortie;
        ASSERT_EQ(images.size(), 8 * taille) << extension;
        for (std::size_t i = 0; i < 8; ++i) {
            const std::string image = images.substr(i * taille, taille);
            EXPECT_GT(clairs(image), 500) << extension << " frame " << i << " is blank";
            EXPECT_TRUE(i == 0 || image != images.substr((i - 1) * taille, taille))
                << extension << " frame " << i << " repeats the one before";
        }
    }
}

// --video @v.mp4 is added unless given. The one line of refusal must hold every pattern.
const std::vector<std::pair<std::string, std::vector<std::string>>> kRefus = {
    {"--video @v.avi", {"--video", ".mp4 (H.264)", ".webm (VP9)", "v.avi"}},
    {"--video", {"--video", "missing"}},
    {"--size 321x256", {"--size", "even numbers from 16", "'321x256'"}},
    {"--size 320x", {"--size", "WIDTHxHEIGHT", "'320x'"}},
    {"--size 8x8", {"--size", "'8x8'"}},
    {"--fps 0", {"--fps", "from 1 to 240", "'0'"}},
    {"--frame-every 0", {"--frame-every", "'0'"}},
    {"--from-tick 3001", {"--from-tick 3001", "3000 (--ticks)"}},
    {"--seed -1", {"--seed", "'-1'"}},
    {"--checkpoint @v.mp4", {"--video and --checkpoint", "same file"}},
    {"--video @absent/v.mp4", {"--video", "cannot open", "absent/v.mp4"}},
};

TEST_F(Enregistreur, OptionRefuseeUneLigneStatutDeuxRienDeCree) {
    for (const auto& [options, motifs] : kRefus) {
        const bool video = options.rfind("--video", 0) == 0;
        const Issue refus = enregistrer(options + (video ? "" : " --video @v.mp4"));
        SCOPED_TRACE(refus.erreurs);
        verifierRefus(refus, "aquarium-record: ");
        for (const std::string& motif : motifs)
            EXPECT_NE(refus.erreurs.find(motif), std::string::npos) << "lacks: " << motif;
        EXPECT_TRUE(fichiers().empty());
    }
}

// Refused before anything is simulated, and a video already there stays as it was.
TEST_F(Enregistreur, SansFfmpegRefuseEtLaisseLaVideoExistante) {
    std::ofstream(chemin("v.mp4")) << "ancienne";
    verifierRefus(enregistrer("--ticks 5 --video @v.mp4", "/nulle-part"),
                  "aquarium-record: --video: cannot run ffmpeg: No such file");
    EXPECT_EQ(lireFichier(chemin("v.mp4")), "ancienne");
}

// An encoder that gives up after part of the first frame, saying in which process group it ran:
// its own, so that a Ctrl-C on the terminal reaches the recorder alone.
TEST_F(Enregistreur, EncodeurQuiSArreteStatutUnSansFichier) {
    std::ofstream(chemin("ffmpeg")) << "#!/bin/sh\nhead -c 1000 >/dev/null\n"
                                       "read -r pid nom etat parent groupe reste </proc/$$/stat\n"
                                       "echo \"pid $$ group $groupe\" >&2\nexit 3\n";
    std::filesystem::permissions(chemin("ffmpeg"), std::filesystem::perms::owner_all);
    const Issue echec = enregistrer("--seed 1 --ticks 5 --quiet --size 320x256 --video @v.mp4",
                                    dossier_.string() + ":/usr/bin:/bin");
    EXPECT_EQ(echec.statut, 1);
    const std::vector<std::string> l = lignes(echec.erreurs);
    ASSERT_EQ(l.size(), 2u) << echec.erreurs;
    EXPECT_EQ(l[0], "aquarium-record: seed 1");
    long pid = 0, groupe = -1;
    const char* format = "aquarium-record: ffmpeg stopped (status 3): pid %ld group %ld";
    EXPECT_EQ(std::sscanf(l[1].c_str(), format, &pid, &groupe), 2) << l[1];
    EXPECT_EQ(groupe, pid) << l[1];
    EXPECT_NE(l[1].find("removed (run stopped at tick 0)"), std::string::npos) << l[1];
    EXPECT_EQ(fichiers(), std::vector<std::string>{"ffmpeg"});
}

} // namespace
