#pragma once

#include <string>
#include <vector>

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
};

/// An RGB picture, rows in the order its source gives them.
class Image {
public:
    Image() = default;
    Image(int largeur, int hauteur, std::vector<unsigned char> rgb);
    /// Reads a binary PPM (P6, maxval 255); an empty image if the bytes are not one.
    static Image depuisPpm(const std::string& octets);

    int largeur() const { return largeur_; }
    int hauteur() const { return hauteur_; }
    Pixel at(int x, int y) const;
    bool operator==(const Image& autre) const;
    /// Pixels that differ from autre, which has the same size.
    int differences(const Image& autre) const;
    /// Writes it as a PPM, rows top first when the image holds them bottom first.
    void enregistrerPpm(const std::string& chemin, bool basEnHaut) const;

private:
    int largeur_ = 0;
    int hauteur_ = 0;
    std::vector<unsigned char> rgb_;
};
