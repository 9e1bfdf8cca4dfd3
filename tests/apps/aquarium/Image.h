#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Pixel& p) const { return r == p.r && g == p.g && b == p.b; }
};

/// An RGB picture, in the row order of its source: a screenshot, or GL's frame read back.
struct Image {
    int largeur = 0;
    int hauteur = 0;
    std::vector<unsigned char> rgb;

    Pixel at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * largeur + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    long noirs() const {
        long n = 0;
        for (std::size_t k = 0; k + 2 < rgb.size(); k += 3)
            n += (rgb[k] | rgb[k + 1] | rgb[k + 2]) == 0 ? 1 : 0;
        return n;
    }
    long differences(const Image& autre) const {
        long n = 0;
        for (std::size_t k = 0; k + 2 < rgb.size(); k += 3)
            n += std::equal(&rgb[k], &rgb[k] + 3, &autre.rgb[k]) ? 0 : 1;
        return n;
    }
    bool operator==(const Image& autre) const {
        return largeur == autre.largeur && hauteur == autre.hauteur && rgb == autre.rgb;
    }

    /// A binary PPM (P6, maxval 255) as ImageMagick writes it; empty if the bytes are not one.
    static Image depuisPpm(const std::string& octets) {
        std::istringstream flux(octets);
        std::string magique;
        int maximum = 0;
        Image image;
        flux >> magique >> image.largeur >> image.hauteur >> maximum;
        flux.get();
        if (!flux || magique != "P6" || maximum != 255 || image.largeur <= 0) return {};
        image.rgb.resize(static_cast<std::size_t>(image.largeur) * image.hauteur * 3);
        flux.read(reinterpret_cast<char*>(image.rgb.data()),
                  static_cast<std::streamsize>(image.rgb.size()));
        return flux ? image : Image{};
    }
};
