#include "Execution.h"
#include "OptionsMonde.h"
#include "SortieVideo.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr char kProgramme[] = "aquarium-record";
constexpr int kCoteMin = 16;
constexpr int kCoteMax = 8192;

const std::string kTailleAttendue = "WIDTHxHEIGHT, even numbers from " + std::to_string(kCoteMin) +
                                    " to " + std::to_string(kCoteMax);

std::optional<int> cote(const std::string& texte) {
    if (texte.empty() || texte.size() > 5) return std::nullopt;
    for (char c : texte) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    const int valeur = std::stoi(texte);
    if (valeur < kCoteMin || valeur > kCoteMax || valeur % 2 != 0) return std::nullopt;
    return valeur;
}

// Both codecs store colour at half resolution, so that an odd side would lose its last line.
bool lireTaille(const std::string& texte, ReglagesVideo& video) {
    const std::size_t x = texte.find('x');
    if (x == std::string::npos) return false;
    const std::optional<int> largeur = cote(texte.substr(0, x));
    const std::optional<int> hauteur = cote(texte.substr(x + 1));
    if (!largeur || !hauteur) return false;
    video.largeur = *largeur;
    video.hauteur = *hauteur;
    return true;
}

void declarerVideo(CLI::App& app, ReglagesVideo& video) {
    app.add_option("--video", video.chemin,
                   "Write the video to FILE: .mp4 (H.264) or .webm (VP9), by its extension")
        ->required()
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](std::string& chemin) -> std::string {
                if (encodeurPour(chemin) != nullptr) return {};
                return "expects a file ending in .mp4 (H.264) or .webm (VP9), not '" + chemin + "'";
            },
            ".mp4|.webm"));
    app.add_option("--frame-every", video.periode, "Film every K-th tick")
        ->check(entierEntre(1, INT_MAX))
        ->type_name("K")
        ->capture_default_str();
    app.add_option("--from-tick", video.depuisTick, "The first tick filmed; the last one always is")
        ->check(entierEntre(0, INT_MAX))
        ->type_name("T")
        ->capture_default_str();
    app.add_option_function<std::string>(
           "--size", [&video](const std::string& texte) { lireTaille(texte, video); },
           "Frame size in pixels (default 1000x800, the window's); the view is made for the "
           "window's 5:4 and other proportions stretch it")
        ->type_name("WxH")
        ->check(CLI::Validator(
            [](std::string& texte) -> std::string {
                ReglagesVideo essai;
                if (lireTaille(texte, essai)) return {};
                return "expects " + kTailleAttendue + ", not '" + texte + "'";
            },
            "even, 16 to 8192"));
    app.add_option("--fps", video.imagesParSeconde, "Frames per second of the video")
        ->check(entierEntre(1, 240))
        ->type_name("F")
        ->capture_default_str();
}

// The video would overwrite the checkpoint, or empty the one to resume. A resumed run that is
// not given --ticks takes its last tick from the checkpoint, read only when the run starts.
std::string incompatibilite(const OptionsMonde& monde, const ReglagesVideo& video) {
    for (const auto& [option, chemin] :
         {std::pair<const char*, const std::string&>{"--checkpoint", monde.pointDeReprise},
          {"--resume", monde.reprendreDe}}) {
        if (memeFichier(video.chemin, chemin)) {
            return std::string("--video and ") + option + " name the same file";
        }
    }
    const bool ticksDonnes = monde.reprendreDe.empty() || monde.donnee("--ticks");
    if (ticksDonnes && video.depuisTick > monde.ticks) {
        return "--from-tick " + std::to_string(video.depuisTick) + " comes after the last tick, " +
               std::to_string(monde.ticks) + " (--ticks)";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the aquarium without a display and films it: the window's view, drawn "
                 "offscreen by Mesa and encoded by ffmpeg.",
                 kProgramme);
    OptionsMonde monde;
    ReglagesVideo video;
    declarerOptionsMonde(app, monde);
    declarerVideo(app, video);
    if (const std::optional<int> statut = analyserLigne(app, argc, argv)) return *statut;
    if (const std::string refus = incompatibilite(monde, video); !refus.empty()) {
        std::cerr << kProgramme << ": " << refus << std::endl;
        return kStatutRefus;
    }
    // An encoder that dies must be a write error to report, not a signal that ends the run
    // without a word and leaves half a video behind.
    std::signal(SIGPIPE, SIG_IGN);
    SortieVideo sortie(video);
    return executer(kProgramme, monde, {&sortie});
}
