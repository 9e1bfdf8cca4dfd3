#pragma once
// What the state trace fuzzers ask of a trace's reader, whatever its format: an input is
// refused with a reason, or opened and then read whole, every tick with the head counts the
// opening found.
#include "Traces.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline constexpr char kSignatureHdf5[] = "\x89HDF\r\n\x1a\n";

inline bool signeHdf5(const std::uint8_t* donnees, std::size_t taille) {
    return taille >= sizeof kSignatureHdf5 - 1 &&
           std::string_view(reinterpret_cast<const char*>(donnees), sizeof kSignatureHdf5 - 1) ==
               std::string_view(kSignatureHdf5, sizeof kSignatureHdf5 - 1);
}

/// The file the reader is handed, one per process so that parallel fuzzers do not share it,
/// rewritten for each input.
inline const std::string& cheminEssai() {
    static const std::string nom = [] {
        const char* dossier = std::getenv("TMPDIR");
        std::string n = std::string(dossier ? dossier : "/tmp") + "/aquarium-fuzz-" +
                        std::to_string(getpid());
        std::atexit([] { std::remove(cheminEssai().c_str()); });
        return n;
    }();
    return nom;
}

inline void ecrireEssai(const void* donnees, std::size_t taille) {
    std::FILE* f = std::fopen(cheminEssai().c_str(), "wb");
    if (!f || std::fwrite(donnees, 1, taille, f) != taille || std::fclose(f) != 0) std::abort();
}

/// Opens the file as the server and Python do; aborts on a refusal without a reason, or on an
/// opened trace whose ticks cannot all be read back as the opening counted them.
inline void lireEntiere() {
    std::string erreur;
    const auto trace = fiches::ouvrirReleves(cheminEssai(), erreur);
    if (!trace) {
        if (erreur.empty()) std::abort();
        return;
    }
    fiches::Releve releve;
    for (std::size_t i = 0; i < trace->ticks().size(); ++i) {
        Recensement r;
        if (!trace->lire(i, releve, erreur) || releve.tick != trace->ticks()[i] ||
            !fiches::recenser(releve, r)) {
            std::abort();
        }
        const Recensement& compte = trace->recensements()[i];
        if (r.speedbricks != compte.speedbricks || r.normal != compte.normal ||
            r.gentil != compte.gentil || r.aga != compte.aga || r.male != compte.male ||
            r.femelle != compte.femelle || r.indetermine != compte.indetermine ||
            r.anneaux != compte.anneaux || r.cutits != compte.cutits) {
            std::abort();
        }
    }
}
