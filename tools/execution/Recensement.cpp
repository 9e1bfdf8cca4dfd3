#include "Recensement.h"

#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"

#include <cinttypes>
#include <cstdio>

namespace {

void compterGenre(Recensement& r, T_Genre genre) {
    switch (genre) {
    case GENRE_NORMAL:
        r.normal++;
        return;
    case GENRE_GENTIL:
        r.gentil++;
        return;
    case GENRE_AGA:
        r.aga++;
        return;
    }
}

void compterSexe(Recensement& r, T_Sexe sexe) {
    switch (sexe) {
    case MALE:
        r.male++;
        return;
    case FEMELLE:
        r.femelle++;
        return;
    case INDETERMINE:
        r.indetermine++;
        return;
    }
}

} // namespace

Recensement recenser(const C_AQUARIUM& monde) {
    Recensement r;
    r.speedbricks = static_cast<int>(monde.speedbricks().size());
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        compterGenre(r, s->getGenre());
        compterSexe(r, s->getSexe());
        r.anneaux += s->getNombreAnneaux();
    }
    r.cutits = static_cast<int>(monde.cutits().size());
    r.naissances = monde.getNombreNaissances();
    r.scissions = monde.getNombreScissions();
    r.morts = monde.getNombreMorts();
    return r;
}

std::string ligneStats(int tick, const Recensement& apres, const Recensement& avant) {
    char ligne[256];
    const int longueur = std::snprintf(
        ligne, sizeof ligne,
        "%d,%d,%d,%d,%d,%d,%d,%d,%" PRId64 ",%d,%" PRId64 ",%" PRId64 ",%" PRId64 "\n", tick,
        apres.speedbricks, apres.normal, apres.gentil, apres.aga, apres.male, apres.femelle,
        apres.indetermine, apres.anneaux, apres.cutits, apres.naissances - avant.naissances,
        apres.scissions - avant.scissions, apres.morts - avant.morts);
    return std::string(ligne, static_cast<std::size_t>(longueur));
}
