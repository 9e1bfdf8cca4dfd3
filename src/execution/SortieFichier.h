#pragma once

#include "FichierSortie.h"
#include "Sortie.h"

#include <string>

/// An output that is one file, opened, emptied, abandoned and closed as the run asks.
class SortieFichier : public Sortie {
public:
    SortieFichier(const char* option, std::string chemin)
        : option_(option), fichier_(std::move(chemin)) {}

    const char* option() const override { return option_; }
    bool ouvrir() override { return fichier_.ouvrir(); }
    bool preparer() override { return fichier_.vider(); }
    void abandonner() override { fichier_.abandonner(); }
    bool pousser() override { return fichier_.pousser(); }
    bool fermer() override { return fichier_.fermer(); }
    std::string erreur() const override { return fichier_.erreur(); }
    std::string position() const override { return fichier_.position().texte(); }
    void reprendreA(const std::string& position) override { fichier_.reprendreA(position); }

protected:
    FichierSortie& fichier() { return fichier_; }
    const FichierSortie& fichier() const { return fichier_; }

private:
    const char* option_;
    FichierSortie fichier_;
};
