#include "C_SPEEDBRICK.h"

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK_AGA.h"
#include "C_SPEEDBRICK_GENTIL.h"
#include "C_SPEEDBRICK_NORMAL.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <iostream>
#include <utility>

namespace {

// The child's kind follows from how far the highest count of its genome stands above the next
// lower non-zero count; entries equal to the highest do not count as the next.
int ecartGenetique(const std::vector<int>& genome) {
    int plusHaut = 0;
    for (int compte : genome) {
        if (compte > plusHaut) plusHaut = compte;
    }
    int suivant = 0;
    for (int compte : genome) {
        if (compte > 0 && compte < plusHaut && compte > suivant) suivant = compte;
    }
    return plusHaut - suivant;
}

} // namespace

C_SPEEDBRICK::C_SPEEDBRICK() = default;

template <typename... Arguments>
C_SPEEDBRICK* C_SPEEDBRICK::construire(T_Genre genre, Arguments&&... arguments) {
    switch (genre) {
    case GENRE_GENTIL:
        return new C_SPEEDBRICK_GENTIL(std::forward<Arguments>(arguments)...);
    case GENRE_AGA:
        return new C_SPEEDBRICK_AGA(std::forward<Arguments>(arguments)...);
    case GENRE_NORMAL:
        break;
    }
    return new C_SPEEDBRICK_NORMAL(std::forward<Arguments>(arguments)...);
}

C_SPEEDBRICK* C_SPEEDBRICK::vierge(T_Genre genre) { return construire(genre); }

C_SPEEDBRICK* C_SPEEDBRICK::naitre(T_Genre genre, std::vector<int> genome, float x, float y,
                                   float z) {
    return construire(genre, std::move(genome), x, y, z);
}

C_SPEEDBRICK::C_SPEEDBRICK(int k) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    dureeInvincible = monde->uniteTemps;
    couleurTete = COULEUR_TETE_STANDARD;
    id = monde->compteurOrganisme;
    sexe = INDETERMINE;
    determinerCodeGenetique(k);
    age = 0;
    genererVecteurDeplacement();
    determinerPositionDepart();
    std::cout << "Nouveau Speedbrick avec le g\xe9nome suivant : ";
    afficherCodeGenetiqueConsole();
    std::cout << std::endl;
}

C_SPEEDBRICK::C_SPEEDBRICK(std::vector<int> genome, float x, float y, float z) {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    sexe = INDETERMINE;
    id = monde->compteurOrganisme;
    codeGenetique = std::move(genome);
    setPosition(x, y, z);
    genererVecteurDeplacement();
    age = 0;
    dureeInvincible = monde->uniteTemps;
    dureeSteriliteRestante = monde->dureeSterilite;
}

C_SPEEDBRICK::~C_SPEEDBRICK() {
    for (C_ANNEAU* anneau : listeAnneaux)
        delete anneau;
}

void C_SPEEDBRICK::mourir() { C_AQUARIUM::getAquarium()->supprimerSpeedbrick(this); }

void C_SPEEDBRICK::grandir() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const int uniteTemps = monde->uniteTemps;
    age++;
    if (age >= monde->dureeVie * uniteTemps) {
        mourir();
        return;
    }
    if (age % uniteTemps == 0) {
        ajouterAnneau();
        if (age == uniteTemps) sexe = (aleatoire() % 2 == 0) ? MALE : FEMELLE;
    }
    if (dureeInvincible > 0) dureeInvincible--;
    if (dureeSteriliteRestante > 0) dureeSteriliteRestante--;
}

bool C_SPEEDBRICK::grandirSansEvenement() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const int prochainAge = age + 1;
    if (prochainAge >= monde->dureeVie * monde->uniteTemps) return false;
    if (prochainAge % monde->uniteTemps == 0) return false;
    grandir();
    return true;
}

void C_SPEEDBRICK::ajouterAnneau() {
    const int n = getNombreAnneaux();
    C_ANNEAU* anneau = new C_ANNEAU(this, n);
    // Ring n starts n steps back along the current velocity, until its turn to follow comes.
    const float pas = static_cast<float>(n);
    anneau->setPosition(posX - pas * velX, posY - pas * velY, posZ - pas * velZ);
    listeAnneaux.push_back(anneau);
    if (listeAnneaux.size() == 1) anneauADeplacer = 0;
}

void C_SPEEDBRICK::deplacerAnneaux() {
    const int n = getNombreAnneaux();
    if (n <= 0) return;
    assert(anneauADeplacer >= 0 && anneauADeplacer < n && "ring to move outside the ring list");
    listeAnneaux[anneauADeplacer]->setPosition(posX - velX, posY - velY, posZ - velZ);
    anneauADeplacer++;
    if (anneauADeplacer == n) anneauADeplacer = 0;
}

void C_SPEEDBRICK::corrigerPosition() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const float marge = 10.0f;
    auto borner = [marge](float& coordonnee, int taille) {
        const float maximum = static_cast<float>(taille - 10);
        if (coordonnee < marge) {
            coordonnee = marge;
        } else if (coordonnee > maximum) {
            coordonnee = maximum;
        }
    };
    borner(posX, monde->tailleX);
    borner(posY, monde->tailleY);
    borner(posZ, monde->tailleZ);
}

// A draw's (n % 6 + 1) - 3.5, by n % 6.
constexpr float kComposantes[6] = {-2.5f, -1.5f, -0.5f, 0.5f, 1.5f, 2.5f};

std::array<float, 3> C_SPEEDBRICK::tirerVecteurDeplacement() {
    const std::array<int, 3> tirages = G_aleatoire.tirerTrois();
    const float z = kComposantes[tirages[0] % 6];
    const float y = kComposantes[tirages[1] % 6];
    const float x = kComposantes[tirages[2] % 6];
    return {x, y, z};
}

void C_SPEEDBRICK::passerVecteursDeplacement(std::size_t nombre) { G_aleatoire.passer(3 * nombre); }

void C_SPEEDBRICK::genererVecteurDeplacement() {
    const std::array<float, 3> v = tirerVecteurDeplacement();
    setVelocite(v[0], v[1], v[2]);
}

void C_SPEEDBRICK::determinerPositionDepart() {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    const int x = aleatoire() % (monde->tailleX - 100) + 50;
    const int y = aleatoire() % (monde->tailleY - 100) + 50;
    const int z = aleatoire() % (monde->tailleZ - 100) + 50;
    setPosition(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void C_SPEEDBRICK::determinerCodeGenetique(int k) {
    const int taille = C_AQUARIUM::getAquarium()->tailleGenome;
    assert(k >= 0 && k < taille && "founder gene outside the genome");
    codeGenetique.assign(static_cast<size_t>(taille), 0);
    codeGenetique[static_cast<size_t>(k)] = 1;
}

bool C_SPEEDBRICK::mettreEnReproduction() {
    if (!estFeconde()) return false;
    dureeSteriliteRestante = C_AQUARIUM::getAquarium()->dureeSterilite;
    return true;
}

void C_SPEEDBRICK::ajouterOrganisme() {
    C_AQUARIUM::getAquarium()->listeSpeedbrick.push_back(this);
}

void C_SPEEDBRICK::seReproduireAvec(C_SPEEDBRICK* partenaire) {
    feconder(partenaire);
    if (!partenaire->tourneAUnMur()) partenaire->genererVecteurDeplacement();
    if (!tourneAUnMur()) genererVecteurDeplacement();
}

void C_SPEEDBRICK::feconder(C_SPEEDBRICK* partenaire) {
    // Both are always asked: the female, whichever she is, turns sterile here.
    const bool jeSuisFeconde = mettreEnReproduction();
    const bool partenaireFeconde = partenaire->mettreEnReproduction();
    if (jeSuisFeconde || partenaireFeconde) donnerNaissance(partenaire);
}

void C_SPEEDBRICK::donnerNaissance(const C_SPEEDBRICK* partenaire) {
    const int taille = C_AQUARIUM::getAquarium()->tailleGenome;
    std::vector<int> genome(static_cast<size_t>(taille), 0);
    for (size_t i = 0; i < genome.size(); ++i) {
        genome[i] = partenaire->codeGenetique[i] + codeGenetique[i];
    }

    T_Genre genre = GENRE_NORMAL;
    const char* annonce = nullptr;
    const char* fin = nullptr;
    switch (ecartGenetique(genome)) {
    case 0:
    case 1:
        annonce = "B\xe9"
                  "b\xe9 speedbrick normal n\xe9 avec le g\xe8nome : ";
        fin = "";
        break;
    case 2:
        genre = GENRE_GENTIL;
        annonce = "B\xe9"
                  "b\xe9 speedbrick gentil n\xe9 avec le g\xe8nome : ";
        fin = ".";
        break;
    case 3:
        genre = GENRE_AGA;
        annonce = "B\xe9"
                  "b\xe9 speedbrick aga n\xe9 avec le g\xe8nome : ";
        fin = ".";
        break;
    default:
        return;
    }
    C_SPEEDBRICK* enfant = naitre(genre, std::move(genome), posX, posY, posZ);
    enfant->ajouterOrganisme();
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    monde->nombreNaissances++;
    const bool mere = sexe == FEMELLE;
    monde->noterFiliation({Filiation::naissance, *enfant, mere ? id : partenaire->getId(),
                           mere ? partenaire->getId() : id, monde->tempsEcoule});
    std::cout << annonce;
    enfant->afficherCodeGenetiqueConsole();
    std::cout << fin << std::endl;
}

bool C_SPEEDBRICK::tourneAUnMur() const {
    return retournementEnCours[0] || retournementEnCours[1] || retournementEnCours[2];
}

void C_SPEEDBRICK::scinder(int k, const char* message) {
    if (dureeInvincible != 0) return;
    const int n = getNombreAnneaux();
    if (n < k) return;
    assert(k >= 0 && "split index below zero");

    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    dureeInvincible = monde->uniteTemps;
    anneauADeplacer = 0;

    C_SPEEDBRICK* enfant = vierge(getGenre());
    // The child takes the counter as it stands and skips the next value.
    enfant->setId(monde->compteurOrganisme);
    monde->compteurOrganisme++;
    enfant->setAge(age);
    enfant->genererVecteurDeplacement();
    enfant->setRetournementEnCours(false, false, false);
    enfant->setCodeGenetique(codeGenetique);
    enfant->setDureeInvincible(monde->uniteTemps);
    enfant->setDureeSteriliteRestante(monde->uniteTemps);
    enfant->setPosition(posX, posY, posZ);
    enfant->setSexe(sexe);
    enfant->setAnneauADeplacer(0);

    const std::vector<C_ANNEAU*> anneauxCedes(listeAnneaux.begin() + k, listeAnneaux.end());
    for (C_ANNEAU* anneau : anneauxCedes)
        anneau->setMonSpeedbrick(enfant);
    enfant->setListeAnneaux(anneauxCedes);

    std::cout << message << std::endl;
    enfant->ajouterOrganisme();
    monde->nombreScissions++;
    monde->noterFiliation({Filiation::scission, *enfant, id, -1, monde->tempsEcoule});
    listeAnneaux.resize(static_cast<size_t>(k));
}

void C_SPEEDBRICK::tournerEnCercle(double amplitude, double theta) {
    posY = static_cast<float>(posY + amplitude * std::sin(theta));
    posZ = static_cast<float>(posZ + amplitude * std::cos(theta));
}

void C_SPEEDBRICK::setRetournementEnCours(bool x, bool y, bool z) {
    retournementEnCours[0] = x;
    retournementEnCours[1] = y;
    retournementEnCours[2] = z;
}

// A few writes for the whole genome rather than one per gene: a crowd announces thousands of
// births in a tick.
void C_SPEEDBRICK::afficherCodeGenetiqueConsole() const {
    char texte[256];
    std::size_t longueur = 0;
    for (int compte : codeGenetique) {
        // Room for any int.
        if (longueur + 12 > sizeof texte) {
            std::cout.write(texte, static_cast<std::streamsize>(longueur));
            longueur = 0;
        }
        longueur = static_cast<std::size_t>(
            std::to_chars(texte + longueur, texte + sizeof texte, compte).ptr - texte);
    }
    std::cout.write(texte, static_cast<std::streamsize>(longueur));
}

void C_SPEEDBRICK::afficherEnConsole() const {
    std::cout << "Speedbrick n\xb0" << id << std::endl;
    std::cout << "Age : " << age << std::endl;
    std::cout << "Position : " << posX << " " << posY << " " << posZ << std::endl;
    std::cout << "Vecteur : " << velX << " " << velY << " " << velZ << std::endl;
    afficherCodeGenetiqueConsole();
    std::cout << std::endl;
    std::cout << "Invincible pendant " << dureeInvincible << " jours" << std::endl;
    std::cout << "St\xe9rile pendant " << dureeSteriliteRestante << " jours" << std::endl;
    std::cout << "Poss\xe8"
                 "de "
              << listeAnneaux.size() << " anneaux" << std::endl;
    std::cout << "Est un " << static_cast<int>(sexe) << " (0 Indetermine, 1 Male, 2 Femelle)"
              << std::endl;
}
