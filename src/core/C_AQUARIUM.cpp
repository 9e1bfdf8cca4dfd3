#include "C_AQUARIUM.h"

#include "Aleatoire.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "C_SPEEDBRICK_NORMAL.h"

#include <algorithm>
#include <iostream>

C_AQUARIUM* C_AQUARIUM::leAquarium = nullptr;

C_AQUARIUM* C_AQUARIUM::Creation(int x, int y, int z) {
    if (leAquarium == nullptr) leAquarium = new C_AQUARIUM();
    leAquarium->compteurOrganisme = 0;
    leAquarium->dureeVie = kDureeVieInitiale;
    leAquarium->tempsEcoule = 0;
    leAquarium->uniteTemps = kUniteTempsInitiale;
    leAquarium->tailleZ = z;
    leAquarium->nbCutitParBanc = kCutitsParBancInitial;
    leAquarium->tailleX = x;
    leAquarium->tailleY = y;
    leAquarium->dureeSterilite = kDureeSteriliteInitiale;
    leAquarium->nombreNaissances = 0;
    leAquarium->nombreScissions = 0;
    leAquarium->nombreMorts = 0;
    return leAquarium;
}

C_AQUARIUM* C_AQUARIUM::getAquarium() { return leAquarium; }

void detruireMonde() { delete C_AQUARIUM::getAquarium(); }

void C_AQUARIUM::restaurerCompteurs(int compteur, std::int64_t naissances, std::int64_t scissions,
                                    std::int64_t morts) {
    compteurOrganisme = compteur;
    nombreNaissances = naissances;
    nombreScissions = scissions;
    nombreMorts = morts;
}

namespace {

// A creature registered twice is still freed once.
template <typename T> void detruireUneFois(std::vector<T*> creatures) {
    std::sort(creatures.begin(), creatures.end());
    creatures.erase(std::unique(creatures.begin(), creatures.end()), creatures.end());
    for (T* creature : creatures)
        delete creature;
}

} // namespace

C_AQUARIUM::~C_AQUARIUM() {
    std::vector<C_SPEEDBRICK*> speedbricks = listeSpeedbrick;
    speedbricks.insert(speedbricks.end(), listeMorts.begin(), listeMorts.end());
    detruireUneFois(speedbricks);
    detruireUneFois(listeCutit);
    if (leAquarium == this) leAquarium = nullptr;
}

void C_AQUARIUM::supprimerSpeedbrick(C_SPEEDBRICK* s) {
    const auto trouve = std::find(listeSpeedbrick.begin(), listeSpeedbrick.end(), s);
    if (trouve == listeSpeedbrick.end()) return;
    listeSpeedbrick.erase(trouve);
    listeMorts.push_back(s);
    nombreMorts++;
    noterFiliation({Filiation::mort, *s, -1, -1, tempsEcoule});
}

void C_AQUARIUM::libererMorts() {
    for (C_SPEEDBRICK* s : listeMorts)
        delete s;
    listeMorts.clear();
}

void C_AQUARIUM::initialiserPopulation(int n, int b) {
    tailleGenome = n;
    compteurOrganisme = 0;
    for (int i = 0; i < n; ++i) {
        C_SPEEDBRICK_NORMAL* fondateur = new C_SPEEDBRICK_NORMAL(i);
        fondateur->getInstanceSpeedbrick()->ajouterOrganisme();
    }
    for (int banc = 0; banc < b; ++banc)
        creerBanc();
    std::cout << b << " bancs de " << nbCutitParBanc << " cutits cr\xe9\xe9s." << std::endl;
}

// A shoal is a 60-unit cube of cutits sharing one horizontal velocity. Each draw is its own
// statement: their order is part of the behaviour.
void C_AQUARIUM::creerBanc() {
    const float origineX = static_cast<float>((aleatoire() % tailleX) * 0.7 + 70.0);
    const float origineY = static_cast<float>(aleatoire() % (tailleY - 200) + 100);
    const float origineZ = static_cast<float>((aleatoire() % tailleZ) * 0.7 + 70.0);
    const float vx = static_cast<float>((aleatoire() % 4 + 1) - 2.5);
    const float vz = static_cast<float>((aleatoire() % 4 + 1) - 2.5);
    for (int k = 0; k < nbCutitParBanc; ++k) {
        C_CUTIT* cutit = new C_CUTIT();
        const float x = static_cast<float>(aleatoire() % 60) + origineX;
        const float y = static_cast<float>(aleatoire() % 60) + origineY;
        const float z = static_cast<float>(aleatoire() % 60) + origineZ;
        cutit->setVelocite(vx, 0.0f, vz);
        cutit->setPosition(x, y, z);
        cutit->ajouterOrganisme();
    }
}

void C_AQUARIUM::interaction(C_SPEEDBRICK* premier, C_SPEEDBRICK* second) {
    noterRencontre(*premier, *second);
    if (!C_SPEEDBRICK::peuventSeReproduire(premier->getSexe(), second->getSexe())) return;
    premier->seReproduireAvec(second);
}

void C_AQUARIUM::noterRencontre(const C_SPEEDBRICK& premier, const C_SPEEDBRICK& second) {
    if (journalRencontres != nullptr) {
        journalRencontres->push_back({premier.getId(), second.getId(), -1});
    }
}

void C_AQUARIUM::interaction(C_SPEEDBRICK* s, int k) {
    if (journalRencontres != nullptr) journalRencontres->push_back({s->getId(), -1, k});
    if (s->getDureeInvincible() != 0) return;
    s->seScinder(k);
}
