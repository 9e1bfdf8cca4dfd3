#include "Scenario.h"

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Octets.h"

#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

C_AQUARIUM* demarrerMonde(unsigned graine, int fondateurs, int bancs, int taille) {
    ReglagesMonde reglages;
    reglages.tailleX = taille;
    reglages.tailleY = taille;
    reglages.tailleZ = taille;
    return demarrerMonde(graine, fondateurs, bancs, reglages);
}

// Creation resets every setting, so they go in between it and the seeding, which draws nothing
// before them.
C_AQUARIUM* demarrerMonde(unsigned graine, int fondateurs, int bancs,
                          const ReglagesMonde& reglages) {
    semerAleatoire(graine);
    C_AQUARIUM* monde = C_AQUARIUM::Creation(reglages.tailleX, reglages.tailleY, reglages.tailleZ);
    monde->setDureeVie(reglages.dureeVie);
    monde->setUniteTemps(reglages.uniteTemps);
    monde->setDureeSterilite(reglages.dureeSterilite);
    monde->setNbCutitParBanc(reglages.cutitsParBanc);
    monde->initialiserPopulation(fondateurs, bancs);
    return monde;
}

namespace {

constexpr int kGenesSynthetiques = 20;

} // namespace

C_AQUARIUM* construireMondeSynthetique(int n, int anneaux, unsigned graine, int taille) {
    C_AQUARIUM* monde = demarrerMonde(graine, 0, NOMBRE_BANCS, taille);
    monde->setTailleGenome(kGenesSynthetiques);
    const int uniteTemps = monde->getUniteTemps();
    for (int i = 0; i < n; ++i) {
        std::vector<int> genome(kGenesSynthetiques, 0);
        genome[static_cast<size_t>(aleatoire() % kGenesSynthetiques)] = 1;
        const float x = static_cast<float>(aleatoire() % (taille - 40) + 20);
        const float y = static_cast<float>(aleatoire() % (taille - 40) + 20);
        const float z = static_cast<float>(aleatoire() % (taille - 40) + 20);
        C_SPEEDBRICK* s =
            C_SPEEDBRICK::naitre(static_cast<T_Genre>(aleatoire() % 3), std::move(genome), x, y, z);
        s->setSexe(aleatoire() % 2 == 0 ? MALE : FEMELLE);
        // Adult, fertile and vulnerable, with its rings strung out along its velocity.
        s->setAge(anneaux * uniteTemps);
        s->setDureeInvincible(0);
        s->setDureeSteriliteRestante(0);
        for (int r = 0; r < anneaux; ++r)
            s->ajouterAnneau();
        s->ajouterOrganisme();
    }
    return monde;
}

namespace {

// FNV-1a over the raw bytes of each field, so that a change in the last bit of a float shows.
class Empreinte {
public:
    template <typename T> void ajouter(T valeur) {
        char octets[sizeof(T)];
        std::memcpy(octets, &valeur, sizeof(T));
        valeur_ = fnv1a(std::string_view(octets, sizeof(T)), valeur_);
    }
    void ajouterOrganisme(const C_ORGANISME& o) {
        ajouter(o.getId());
        for (float f :
             {o.getPosX(), o.getPosY(), o.getPosZ(), o.getVelX(), o.getVelY(), o.getVelZ()}) {
            ajouter(f);
        }
        for (int axe = 0; axe < 3; ++axe) {
            ajouter(o.getRetournementEnCours(axe));
            ajouter(o.getRetournementRestant(axe));
        }
    }
    std::uint64_t valeur() const { return valeur_; }

private:
    std::uint64_t valeur_ = kDepartFnv1a;
};

} // namespace

std::uint64_t empreinteMonde() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    Empreinte e;
    e.ajouter(monde->getTempsEcoule());
    e.ajouter(monde->getCompteurOrganisme());
    for (const C_SPEEDBRICK* s : monde->speedbricks()) {
        e.ajouterOrganisme(*s);
        e.ajouter(static_cast<int>(s->getGenre()));
        for (int v : {static_cast<int>(s->getSexe()), s->getAge(), s->getDureeInvincible(),
                      s->getDureeSteriliteRestante(), s->getAnneauADeplacer()}) {
            e.ajouter(v);
        }
        for (int g : s->getCodeGenetique())
            e.ajouter(g);
        for (const C_ANNEAU* a : s->anneaux()) {
            e.ajouter(a->getIdAnneau());
            for (float f : {a->getPosX(), a->getPosY(), a->getPosZ()})
                e.ajouter(f);
        }
    }
    for (const C_CUTIT* c : monde->cutits())
        e.ajouterOrganisme(*c);
    return e.valeur();
}
