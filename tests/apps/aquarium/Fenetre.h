#pragma once

#include "Image.h"
#include "Main.h"

#include <GL/freeglut.h>

#include <chrono>

// Opened once, as the program opens its own; tests draw only once it is on screen.
inline bool ouvrirLaFenetre() {
    static const bool ouverte = [] {
        char nom[] = "window_tests";
        char* argv[] = {nom, nullptr};
        int argc = 1;
        const VerificationAffichage verification(argc, argv);
        if (!verification.ouvert()) return false;
        ouvrirFenetre(argc, argv);
        static bool exposee = false;
        glutDisplayFunc([] { exposee = true; });
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!exposee && std::chrono::steady_clock::now() < limite)
            glutMainLoopEvent();
        return exposee;
    }();
    return ouverte;
}

// Mesa's software GLX keeps the back buffer through the swap: the frame just shown is there.
inline Image image() {
    Image i{glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), {}};
    i.rgb.resize(static_cast<std::size_t>(i.largeur) * i.hauteur * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, i.largeur, i.hauteur, GL_RGB, GL_UNSIGNED_BYTE, i.rgb.data());
    return i;
}

