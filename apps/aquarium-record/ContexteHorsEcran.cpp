#include "ContexteHorsEcran.h"

#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

// The window's pixel format under Xvfb: 8 bits a colour, no alpha, a 32-bit depth buffer, no
// stencil, no multisampling. Another depth precision settles ties between spheres otherwise.
constexpr EGLint kFormat[][2] = {
    {EGL_RED_SIZE, 8},    {EGL_GREEN_SIZE, 8},   {EGL_BLUE_SIZE, 8}, {EGL_ALPHA_SIZE, 0},
    {EGL_DEPTH_SIZE, 32}, {EGL_STENCIL_SIZE, 0}, {EGL_SAMPLES, 0},
};

std::string codeEgl() {
    char texte[16];
    std::snprintf(texte, sizeof texte, "0x%04X", static_cast<unsigned>(eglGetError()));
    return texte;
}

} // namespace

// The display stays initialised: EGL gives the same surfaceless display to every caller in the
// process, and terminating it would pull it from under any other context made on it.
ContexteHorsEcran::~ContexteHorsEcran() {
    if (affichage_ == EGL_NO_DISPLAY) return;
    eglMakeCurrent(affichage_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (contexte_ != EGL_NO_CONTEXT) eglDestroyContext(affichage_, contexte_);
    if (image_ != EGL_NO_SURFACE) eglDestroySurface(affichage_, image_);
}

bool ContexteHorsEcran::echouer(const std::string& raison) {
    erreur_ = "no OpenGL without a display: " + raison;
    return false;
}

// A pbuffer rather than a framebuffer object: Mesa rasterises a window's buffer and a pbuffer
// alike, but an object upside down, which moves edges and lines by a pixel here and there.
bool ContexteHorsEcran::ouvrir(int largeur, int hauteur) {
    largeur_ = largeur;
    hauteur_ = hauteur;
    const auto plateforme = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (plateforme == nullptr) return echouer("EGL lacks eglGetPlatformDisplayEXT");
    affichage_ = plateforme(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (affichage_ == EGL_NO_DISPLAY) return echouer("no surfaceless EGL display (Mesa's EGL)");
    if (eglInitialize(affichage_, nullptr, nullptr) != EGL_TRUE) {
        affichage_ = EGL_NO_DISPLAY;
        return echouer("eglInitialize failed with " + codeEgl());
    }
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) return echouer("EGL offers no desktop OpenGL");
    const EGLConfig configuration = configurationDeLaFenetre();
    if (configuration == nullptr) return echouer("no RGB pbuffer with a 32-bit depth buffer");
    const EGLint taille[] = {EGL_WIDTH, largeur, EGL_HEIGHT, hauteur, EGL_NONE};
    image_ = eglCreatePbufferSurface(affichage_, configuration, taille);
    if (image_ == EGL_NO_SURFACE) {
        return echouer("no " + std::to_string(largeur) + "x" + std::to_string(hauteur) +
                       " pbuffer (" + codeEgl() + ")");
    }
    contexte_ = eglCreateContext(affichage_, configuration, EGL_NO_CONTEXT, nullptr);
    if (contexte_ == EGL_NO_CONTEXT) return echouer("eglCreateContext failed with " + codeEgl());
    if (eglMakeCurrent(affichage_, image_, image_, contexte_) != EGL_TRUE) {
        return echouer("eglMakeCurrent failed with " + codeEgl());
    }
    glViewport(0, 0, largeur, hauteur);
    return true;
}

// eglChooseConfig takes sizes as minimums: the exact format is picked from what it offers.
EGLConfig ContexteHorsEcran::configurationDeLaFenetre() {
    const EGLint voulu[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                            EGL_NONE};
    EGLint nombre = 0;
    if (eglChooseConfig(affichage_, voulu, nullptr, 0, &nombre) != EGL_TRUE) return nullptr;
    std::vector<EGLConfig> offertes(static_cast<std::size_t>(nombre));
    eglChooseConfig(affichage_, voulu, offertes.data(), nombre, &nombre);
    for (EGLConfig c : offertes) {
        bool conforme = true;
        for (const auto& [attribut, valeur] : kFormat) {
            EGLint v = -1;
            conforme = conforme && eglGetConfigAttrib(affichage_, c, attribut, &v) && v == valeur;
        }
        if (conforme) return c;
    }
    return nullptr;
}

void ContexteHorsEcran::lireImage(std::vector<unsigned char>& rgb) const {
    const std::size_t ligne = static_cast<std::size_t>(largeur_) * 3;
    lignes_.resize(ligne * static_cast<std::size_t>(hauteur_));
    rgb.resize(lignes_.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, largeur_, hauteur_, GL_RGB, GL_UNSIGNED_BYTE, lignes_.data());
    for (int y = 0; y < hauteur_; ++y) {
        std::memcpy(rgb.data() + static_cast<std::size_t>(y) * ligne,
                    lignes_.data() + static_cast<std::size_t>(hauteur_ - 1 - y) * ligne, ligne);
    }
}
