#include "Page.h"

#include "Image.h"

#include <array>
#include <utility>

// The bundled page, whose paths the build gives, is assembled into the program: it is served
// from memory and never read from the disk.
#define AQUARIUM_INCLURE(nom, chemin)                                                              \
    asm(".section .rodata\n.balign 16\n.global " #nom "\n" #nom ":\n.incbin \"" chemin             \
        "\"\n.global " #nom "_fin\n" #nom "_fin:\n.previous\n");                                   \
    extern "C" const char nom[];                                                                   \
    extern "C" const char nom##_fin[];

AQUARIUM_INCLURE(aquarium_page_html, AQUARIUM_PAGE_HTML)
AQUARIUM_INCLURE(aquarium_page_js, AQUARIUM_PAGE_JS)
AQUARIUM_INCLURE(aquarium_page_css, AQUARIUM_PAGE_CSS)

namespace {

std::string_view contenu(const char* debut, const char* fin) {
    return {debut, static_cast<std::size_t>(fin - debut)};
}

const std::array<std::pair<std::string_view, FichierPage>, 6> kFichiers{{
    {"/", {"text/html; charset=utf-8", contenu(aquarium_page_html, aquarium_page_html_fin)}},
    {"/index.html",
     {"text/html; charset=utf-8", contenu(aquarium_page_html, aquarium_page_html_fin)}},
    {"/page.js",
     {"text/javascript; charset=utf-8", contenu(aquarium_page_js, aquarium_page_js_fin)}},
    {"/page.css", {"text/css; charset=utf-8", contenu(aquarium_page_css, aquarium_page_css_fin)}},
    // The names of the counters each picture carries, from the table of the statistics' columns.
    {"/columns.json", {"application/json", nomsDesColonnes()}},
    // The picture's layout, the spheres' looks, the tank and the camera, from the program's own.
    {"/constants.json", {"application/json", constantesDeLaPage()}},
}};

} // namespace

const FichierPage* fichierPage(std::string_view chemin) {
    for (const auto& [cle, fichier] : kFichiers) {
        if (cle == chemin) return &fichier;
    }
    return nullptr;
}
