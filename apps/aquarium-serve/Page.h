#pragma once

#include <string_view>

/// One file of the page, built into the program.
struct FichierPage {
    std::string_view type;
    std::string_view contenu;
};

/// The file served at a request's path ("/", "/page.js"), nullptr for any other path.
const FichierPage* fichierPage(std::string_view chemin);
