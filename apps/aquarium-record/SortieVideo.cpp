#include "SortieVideo.h"

#include "C_AQUARIUM.h"
#include "Scene.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

bool finitPar(const std::string& texte, const std::string& fin) {
    if (texte.size() < fin.size()) return false;
    return std::equal(fin.rbegin(), fin.rend(), texte.rbegin(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

// Raw RGB frames in, top row first; yuv420p out, the one layout that every player reads.
// "file:" keeps a colon or a leading dash in the name from reading as a protocol or an option.
std::vector<std::string> argumentsFfmpeg(const ReglagesVideo& r) {
    const std::string taille = std::to_string(r.largeur) + "x" + std::to_string(r.hauteur);
    const std::string codec = encodeurPour(r.chemin);
    std::vector<std::string> a = {"-hide_banner", "-nostats", "-loglevel", "error"};
    a.insert(a.end(), {"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", taille});
    a.insert(a.end(), {"-framerate", std::to_string(r.imagesParSeconde), "-i", "pipe:0"});
    a.insert(a.end(), {"-c:v", codec, "-pix_fmt", "yuv420p"});
    if (codec == "libx264") {
        a.insert(a.end(), {"-preset", "medium", "-crf", "20", "-movflags", "+faststart"});
    } else {
        a.insert(a.end(), {"-crf", "32", "-b:v", "0", "-deadline", "good", "-cpu-used", "4"});
        a.insert(a.end(), {"-row-mt", "1"});
    }
    a.insert(a.end(), {"-y", "file:" + r.chemin});
    return a;
}

} // namespace

const char* encodeurPour(const std::string& chemin) {
    if (finitPar(chemin, ".mp4")) return "libx264";
    if (finitPar(chemin, ".webm")) return "libvpx-vp9";
    return nullptr;
}

SortieVideo::SortieVideo(ReglagesVideo reglages)
    : reglages_(std::move(reglages)), fichier_(reglages_.chemin) {}

// A run that stopped on another failure never closed the video: unfinished, it cannot play.
SortieVideo::~SortieVideo() {
    if (encodeur_.enCours()) supprimer();
}

bool SortieVideo::ouvrir() {
    if (!fichier_.ouvrir()) {
        erreur_ = fichier_.erreur();
        return false;
    }
    if (!contexte_.ouvrir(reglages_.largeur, reglages_.hauteur)) {
        erreur_ = contexte_.erreur();
        return false;
    }
    initialisationScene();
    return true;
}

// ffmpeg first, so that one that cannot run leaves the file as it was; it writes nothing
// before its first frame, which comes after the file is emptied.
bool SortieVideo::preparer() {
    if (!encodeur_.lancer(argumentsFfmpeg(reglages_))) {
        erreur_ = encodeur_.erreur();
        return false;
    }
    if (!fichier_.vider()) {
        erreur_ = fichier_.erreur();
        return false;
    }
    return true;
}

void SortieVideo::abandonner() {
    encodeur_.arreter();
    fichier_.abandonner();
}

bool SortieVideo::aFilmer(const Instant& instant) const {
    if (instant.tick < reglages_.depuisTick) return false;
    return instant.dernier() || (instant.tick - reglages_.depuisTick) % reglages_.periode == 0;
}

bool SortieVideo::ecrire(const Instant& instant) {
    dernierTick_ = instant.tick;
    if (!aFilmer(instant)) return true;
    return filmer(instant.monde);
}

// The window's tank is always 600 units a side; a run may be given another, or take it from
// its checkpoint, and the camera frames the tank it is shown.
void SortieVideo::cadrer(const C_AQUARIUM& monde) {
    if (G_dimensionAquariumX == monde.getTailleX() && G_dimensionAquariumY == monde.getTailleY() &&
        G_dimensionAquariumZ == monde.getTailleZ()) {
        return;
    }
    G_dimensionAquariumX = monde.getTailleX();
    G_dimensionAquariumY = monde.getTailleY();
    G_dimensionAquariumZ = monde.getTailleZ();
    initialisationScene();
}

bool SortieVideo::filmer(const C_AQUARIUM& monde) {
    if (images_ == 0) premiereImage_ = Horloge::now();
    cadrer(monde);
    dessinerScene();
    contexte_.lireImage(image_);
    if (!encodeur_.ecrire(image_)) return echouer(encodeur_.erreur());
    ++images_;
    return true;
}

bool SortieVideo::fermer() {
    if (images_ == 0) {
        return echouer("no frame filmed: the run ended at tick " + std::to_string(dernierTick_) +
                       ", before --from-tick " + std::to_string(reglages_.depuisTick));
    }
    if (!encodeur_.terminer()) return echouer(encodeur_.erreur());
    if (!fichier_.fermer()) {
        erreur_ = fichier_.erreur();
        return false;
    }
    return true;
}

void SortieVideo::supprimer() {
    encodeur_.arreter();
    fichier_.supprimer();
}

bool SortieVideo::echouer(const std::string& raison) {
    supprimer();
    erreur_ = raison + "; '" + reglages_.chemin + "' removed";
    return false;
}

double SortieVideo::cadence() const {
    const std::chrono::duration<double> ecoule = Horloge::now() - premiereImage_;
    return ecoule.count() > 0.0 ? images_ / ecoule.count() : 0.0;
}

std::string SortieVideo::avancement() const {
    char texte[64];
    std::snprintf(texte, sizeof texte, "%d frame%s, %.1f frames/s", images_,
                  images_ == 1 ? "" : "s", cadence());
    return texte;
}

std::string SortieVideo::bilan() const {
    char duree[96];
    std::snprintf(duree, sizeof duree, " (%.1f s at %d frames/s), %.2f frames/s filmed",
                  static_cast<double>(images_) / reglages_.imagesParSeconde,
                  reglages_.imagesParSeconde, cadence());
    return std::to_string(images_) + (images_ == 1 ? " frame of " : " frames of ") +
           std::to_string(reglages_.largeur) + "x" + std::to_string(reglages_.hauteur) + " in '" +
           reglages_.chemin + "'" + duree;
}
