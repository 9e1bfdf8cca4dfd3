#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/types.h>

/// One output file of a run, written through a large buffer. It keeps the reason of its last
/// failure, so that the run can stop and say which file failed and why.
class FichierSortie {
public:
    explicit FichierSortie(std::string chemin) : chemin_(std::move(chemin)) {}
    /// Closes without any check: a run that ends well calls fermer() first.
    ~FichierSortie();
    FichierSortie(const FichierSortie&) = delete;
    FichierSortie& operator=(const FichierSortie&) = delete;

    /// Opens for writing, creating the file if it is missing but never truncating it.
    bool ouvrir();
    /// Empties the file: call once every output of the run has opened.
    bool vider();
    /// Closes, and removes the file if ouvrir() created it.
    void abandonner();
    /// Closes and removes the file, whoever created it: for an output left unfinished after
    /// vider() emptied it.
    void supprimer();
    /// Appends text; false once a write has failed.
    bool ecrire(std::string_view texte);
    /// Hands the buffer to the system; false once a write has failed.
    bool pousser();
    /// Flushes and closes; false if a write failed or the file is no longer at its path.
    bool fermer();

    const std::string& chemin() const { return chemin_; }
    /// Why the last failed operation failed, with the system's reason.
    const std::string& erreur() const { return erreur_; }

private:
    /// Records the failure of `action` from errno; always false.
    bool echouer(const char* action);
    bool toujoursEnPlace();

    std::string chemin_;
    std::FILE* flux_ = nullptr;
    bool cree_ = false;
    bool regulier_ = false;
    dev_t peripherique_ = 0;
    ino_t inode_ = 0;
    std::string erreur_;
};
