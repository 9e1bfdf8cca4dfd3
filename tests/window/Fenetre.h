#pragma once

#include "Image.h"

#include <gtest/gtest.h>

// A real GLUT window for the in-process tests, opened as the program opens its own, and the
// means to look at what was drawn in it.

/// Opens the process's one 1000 × 800 window, once, and returns when it is on screen.
/// Fails the calling test when no display opens.
bool ouvrirFenetreDeTest();

/// The frame that the last swap showed, bottom row first.
Image lireImage();

/// The camera and view globals as they were when made, put back when destroyed.
class GlobalesSauvees {
public:
    GlobalesSauvees();
    ~GlobalesSauvees();
    GlobalesSauvees(const GlobalesSauvees&) = delete;
    GlobalesSauvees& operator=(const GlobalesSauvees&) = delete;

private:
    int x_ = 0;
    int y_ = 0;
    int z_ = 0;
    float focale_ = 0.0f;
    bool rotationAutomatique_ = false;
    float rotation_ = 0.0f;
    int xold_ = 0;
};

/// Each test gets the window with the scene freshly set up, the globals as they were, and an
/// empty world that it may fill; the world is freed afterwards.
class TestFenetre : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    GlobalesSauvees globales_;
};
