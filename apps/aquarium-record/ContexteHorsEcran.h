#pragma once

#include <EGL/egl.h>

#include <string>
#include <vector>

/// An OpenGL context of Mesa's software renderer that needs neither a display nor a graphics
/// card: EGL's surfaceless platform, drawing into a pbuffer of the image's size with the
/// window's pixel format, fixed-function GL as the window has it.
class ContexteHorsEcran {
public:
    ContexteHorsEcran() = default;
    ~ContexteHorsEcran();
    ContexteHorsEcran(const ContexteHorsEcran&) = delete;
    ContexteHorsEcran& operator=(const ContexteHorsEcran&) = delete;

    /// Creates the context and its image and makes them current: the viewport covers the
    /// image. False, with erreur() saying why, when Mesa cannot; the calling thread must have
    /// no other context current.
    bool ouvrir(int largeur, int hauteur);
    /// The frame drawn, RGB, top row first as a video has it.
    void lireImage(std::vector<unsigned char>& rgb) const;

    const std::string& erreur() const { return erreur_; }

private:
    bool echouer(const std::string& raison);
    EGLConfig configurationDeLaFenetre();

    int largeur_ = 0;
    int hauteur_ = 0;
    EGLDisplay affichage_ = EGL_NO_DISPLAY;
    EGLSurface image_ = EGL_NO_SURFACE;
    EGLContext contexte_ = EGL_NO_CONTEXT;
    /// Rows as glReadPixels gives them, bottom first, before they are turned over.
    mutable std::vector<unsigned char> lignes_;
    std::string erreur_;
};
