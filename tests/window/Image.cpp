#include "Image.h"

#include <fstream>
#include <sstream>

Image::Image(int largeur, int hauteur, std::vector<unsigned char> rgb)
    : largeur_(largeur), hauteur_(hauteur), rgb_(std::move(rgb)) {}

Image Image::depuisPpm(const std::string& octets) {
    std::istringstream flux(octets);
    std::string magique;
    int largeur = 0;
    int hauteur = 0;
    int maximum = 0;
    flux >> magique >> largeur >> hauteur >> maximum;
    flux.get();
    if (!flux || magique != "P6" || maximum != 255 || largeur <= 0 || hauteur <= 0) return {};
    std::vector<unsigned char> rgb(static_cast<size_t>(largeur) * static_cast<size_t>(hauteur) * 3);
    flux.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    if (flux.gcount() != static_cast<std::streamsize>(rgb.size())) return {};
    return Image(largeur, hauteur, std::move(rgb));
}

Pixel Image::at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(largeur_) + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

bool Image::operator==(const Image& autre) const {
    return largeur_ == autre.largeur_ && hauteur_ == autre.hauteur_ && rgb_ == autre.rgb_;
}

int Image::differences(const Image& autre) const {
    int n = 0;
    for (size_t i = 0; i + 2 < rgb_.size() && i + 2 < autre.rgb_.size(); i += 3) {
        if (rgb_[i] != autre.rgb_[i] || rgb_[i + 1] != autre.rgb_[i + 1] ||
            rgb_[i + 2] != autre.rgb_[i + 2]) {
            ++n;
        }
    }
    return n;
}

void Image::enregistrerPpm(const std::string& chemin, bool basEnHaut) const {
    std::ofstream f(chemin, std::ios::binary);
    f << "P6\n" << largeur_ << " " << hauteur_ << "\n255\n";
    const size_t ligne = static_cast<size_t>(largeur_) * 3;
    for (int i = 0; i < hauteur_; ++i) {
        const int y = basEnHaut ? hauteur_ - 1 - i : i;
        f.write(reinterpret_cast<const char*>(rgb_.data() + static_cast<size_t>(y) * ligne),
                static_cast<std::streamsize>(ligne));
    }
}
