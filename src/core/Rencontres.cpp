#include "Rencontres.h"

#include "C_AQUARIUM.h"
#include "Parcours.h"

void Rencontres::preparer(const std::vector<C_SPEEDBRICK*>& paires) {
    paires_ = &paires;
    sexes_.resize(paires.size());
    etats_.resize(paires.size());
    vitesses_.resize(paires.size());
    parcourirSurChaqueFil(paires, [this](std::size_t i) {
        const C_SPEEDBRICK& s = *(*paires_)[i];
        sexes_[i] = s.getSexe();
        etats_[i] = {s.tourneAUnMur(), s.estFeconde(), false};
    });
}

const std::vector<T_Sexe>* Rencontres::sexesPourElaguer() const {
    return C_AQUARIUM::getAquarium()->noteLesRencontres() ? nullptr : &sexes_;
}

void Rencontres::rencontrer(const std::vector<ContactSpeedbricks>& contacts) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const bool noter = monde->noteLesRencontres();
    for (const ContactSpeedbricks& c : contacts) {
        const bool fertiles = peuventSeReproduire(c.premier, c.second);
        if (!noter) {
            if (fertiles) seReproduirePlusieursFois(c.premier, c.second, c.nombre);
            continue;
        }
        for (std::uint32_t n = 0; n < c.nombre; ++n) {
            monde->noterRencontre(*(*paires_)[c.premier], *(*paires_)[c.second]);
            if (fertiles) seReproduire(c.premier, c.second);
        }
    }
}

void Rencontres::conclure() {
    parcourirSurChaqueFil(*paires_, [this](std::size_t i) {
        if (!etats_[i].aChangeDeVitesse) return;
        const std::array<float, 3>& v = vitesses_[i];
        (*paires_)[i]->setVelocite(v[0], v[1], v[2]);
    });
}

// C_SPEEDBRICK::seReproduireAvec, step by step.
void Rencontres::seReproduire(std::uint32_t i, std::uint32_t j) {
    Etat& premier = etats_[i];
    Etat& second = etats_[j];
    if (premier.feconde || second.feconde) {
        (*paires_)[i]->feconder((*paires_)[j]);
        premier.feconde = (*paires_)[i]->estFeconde();
        second.feconde = (*paires_)[j]->estFeconde();
    }
    changerDeVitesse(second, j);
    changerDeVitesse(premier, i);
}

// Once neither can bear young, an encounter only draws the two new velocities, and only the
// last ones land: the draws before are passed over.
void Rencontres::seReproduirePlusieursFois(std::uint32_t i, std::uint32_t j, std::uint32_t fois) {
    for (; fois > 0 && (etats_[i].feconde || etats_[j].feconde); --fois)
        seReproduire(i, j);
    if (fois == 0) return;
    const std::size_t vitesses =
        (etats_[i].tourneAUnMur ? 0 : 1) + (etats_[j].tourneAUnMur ? 0 : 1);
    C_SPEEDBRICK::passerVecteursDeplacement(vitesses * (fois - 1));
    seReproduire(i, j);
}

void Rencontres::changerDeVitesse(Etat& etat, std::uint32_t i) {
    if (etat.tourneAUnMur) return;
    vitesses_[i] = C_SPEEDBRICK::tirerVecteurDeplacement();
    etat.aChangeDeVitesse = true;
}
