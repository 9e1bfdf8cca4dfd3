#include "Aleatoire.h"
#include "Monde.h"

#include "C_ANNEAU.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK_AGA.h"
#include "C_SPEEDBRICK_GENTIL.h"
#include "C_SPEEDBRICK_NORMAL.h"
#include "Scenario.h"

#include <cstdlib>

void MondeTest::SetUp() {
    detruireMonde();
    semerAleatoire(1);
    monde = C_AQUARIUM::Creation(600, 600, 600);
    monde->setTailleGenome(3);
}

void MondeTest::TearDown() { detruireMonde(); }

C_SPEEDBRICK* MondeTest::poser(T_Genre genre, std::vector<int> genome, float x, float y, float z,
                               T_Sexe sexe, int anneaux) {
    C_SPEEDBRICK* s = nullptr;
    switch (genre) {
    case GENRE_NORMAL:
        s = new C_SPEEDBRICK_NORMAL(genome, x, y, z);
        break;
    case GENRE_GENTIL:
        s = new C_SPEEDBRICK_GENTIL(genome, x, y, z);
        break;
    case GENRE_AGA:
        s = new C_SPEEDBRICK_AGA(genome, x, y, z);
        break;
    }
    for (int i = 0; i < anneaux; ++i)
        s->ajouterAnneau();
    s->setSexe(sexe);
    s->setDureeInvincible(0);
    s->setDureeSteriliteRestante(0);
    s->ajouterOrganisme();
    return s;
}

C_CUTIT* MondeTest::poserCutit(float x, float y, float z) {
    C_CUTIT* c = new C_CUTIT();
    c->setPosition(x, y, z);
    c->setVelocite(0.0f, 0.0f, 0.0f);
    c->ajouterOrganisme();
    return c;
}

int tiragesConsommes(unsigned graine, const std::function<void()>& action) {
    semerAleatoire(graine);
    action();
    const int suivant = aleatoire();
    semerAleatoire(graine);
    for (int n = 0; n < 100000; ++n) {
        if (aleatoire() == suivant) return n;
    }
    return -1;
}

Espion::Espion(std::string nom, std::vector<std::string>& journal)
    : C_SPEEDBRICK(std::vector<int>(3, 0), 300.0f, 300.0f, 300.0f), nom_(std::move(nom)),
      journal_(journal) {}

Espion::~Espion() {
    if (detruit != nullptr) *detruit = true;
}

void Espion::mourir() {
    journal_.push_back(nom_ + ".mourir");
    C_SPEEDBRICK::mourir();
}

void Espion::seDeplacer() { journal_.push_back(nom_ + ".seDeplacer"); }

void Espion::seScinder(int k) {
    journal_.push_back(nom_ + ".seScinder(" + std::to_string(k) + ")");
}
