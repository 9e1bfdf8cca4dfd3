#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

/// How far an output file went: its length and the CRC-32 of its bytes.
struct PositionFichier {
    std::uint64_t octets = 0;
    std::uint32_t somme = 0;

    /// As a checkpoint records it.
    std::string texte() const;
    /// The record texte() made; nothing for anything else.
    static std::optional<PositionFichier> lire(const std::string& texte);
};

/// One output file of a run, written through a large buffer. It keeps the reason of its last
/// failure, so that the run can stop and say which file failed and why.
class FichierSortie {
public:
    explicit FichierSortie(std::string chemin) : chemin_(std::move(chemin)) {}
    /// Closes without any check: a run that ends well calls fermer() first.
    ~FichierSortie();
    FichierSortie(const FichierSortie&) = delete;
    FichierSortie& operator=(const FichierSortie&) = delete;

    /// Before ouvrir(), in a resumed run: the file is taken up where it stood (a record of
    /// PositionFichier::texte(), empty for none) rather than emptied. ouvrir() then refuses a
    /// file that does not begin with those bytes, and any file for a record of another kind; a
    /// missing or empty file, or one that is not a regular file, is written afresh.
    void reprendreA(const std::string& position);
    /// Opens for writing, creating the file if it is missing but never truncating it.
    bool ouvrir();
    /// Empties the file, or cuts it back to where it is taken up: call once every output of
    /// the run has opened.
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

    /// Where the file stands, the bytes still in the buffer included.
    const PositionFichier& position() const { return position_; }
    const std::string& chemin() const { return chemin_; }
    /// Why the last failed operation failed, with the system's reason.
    const std::string& erreur() const { return erreur_; }

private:
    /// Records the failure of `action` from errno; always false.
    bool echouer(const char* action);
    bool toujoursEnPlace();
    /// Whether the open file begins with the bytes where it is taken up; says why not.
    bool verifierReprise(off_t taille);

    std::string chemin_;
    std::FILE* flux_ = nullptr;
    bool cree_ = false;
    bool regulier_ = false;
    dev_t peripherique_ = 0;
    ino_t inode_ = 0;
    PositionFichier position_;
    std::optional<PositionFichier> reprise_;
    /// The checkpoint recorded something else than a file's position under its option.
    bool autreSorte_ = false;
    std::string erreur_;
};
