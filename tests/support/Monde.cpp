#include "Monde.h"

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_CUTIT.h"

#include <fstream>
#include <utility>

C_AQUARIUM* mondeVide() {
    detruireMonde();
    semerAleatoire(1);
    C_AQUARIUM* monde = C_AQUARIUM::Creation(600, 600, 600);
    monde->setTailleGenome(3);
    return monde;
}

C_AQUARIUM* mondeSerre(unsigned graine, int n) {
    C_AQUARIUM* monde = construireMondeSynthetique(n, 19, graine, 250);
    const int ageDeMort = monde->getDureeVie() * monde->getUniteTemps();
    int k = 0;
    for (C_SPEEDBRICK* s : monde->speedbricks())
        s->setAge(ageDeMort - 1 - (k++ % 40));
    return monde;
}

C_AQUARIUM* mondeSynthetiqueMuet(int n, int anneaux, unsigned graine, int taille) {
    const Console muette;
    return construireMondeSynthetique(n, anneaux, graine, taille);
}

C_SPEEDBRICK* poser(T_Genre genre, std::vector<int> genome, float x, float y, float z, T_Sexe sexe,
                    int anneaux) {
    C_SPEEDBRICK* s = C_SPEEDBRICK::naitre(genre, std::move(genome), x, y, z);
    for (int i = 0; i < anneaux; ++i)
        s->ajouterAnneau();
    s->setSexe(sexe);
    s->setDureeInvincible(0);
    s->setDureeSteriliteRestante(0);
    s->ajouterOrganisme();
    return s;
}

void placerAnneau(C_SPEEDBRICK* s, int i, float x, float y, float z) {
    s->anneaux().at(static_cast<std::size_t>(i))->setPosition(x, y, z);
}

C_CUTIT* poserCutit(float x, float y, float z) {
    C_CUTIT* c = new C_CUTIT();
    c->setPosition(x, y, z);
    c->setVelocite(0.0f, 0.0f, 0.0f);
    c->ajouterOrganisme();
    return c;
}

std::vector<std::string> lignes(const std::string& texte, char fin) {
    std::vector<std::string> resultat;
    std::istringstream flux(texte);
    for (std::string ligne; std::getline(flux, ligne, fin);)
        resultat.push_back(ligne);
    return resultat;
}

long compterLignes(const std::string& texte, const std::string& morceau) {
    long n = 0;
    for (const std::string& ligne : lignes(texte))
        n += ligne.find(morceau) != std::string::npos ? 1 : 0;
    return n;
}

std::string lireFichier(const std::string& chemin) {
    std::ifstream flux(chemin, std::ios::binary);
    std::ostringstream texte;
    texte << flux.rdbuf();
    return texte.str();
}
