#pragma once

#include "C_ORGANISME.h"

#include <array>
#include <vector>

class C_ANNEAU;

/// Radius of a speedbrick's head, for contacts and drawing.
constexpr float RAYON_TETE = 8.0f;

enum T_Sexe { INDETERMINE = 0, MALE = 1, FEMELLE = 2 };

/// Head colour; set to 0 and read by nobody.
enum T_Couleur_Tete { COULEUR_TETE_STANDARD = 0 };

/// The three kinds of speedbrick.
enum T_Genre { GENRE_NORMAL = 0, GENRE_GENTIL = 1, GENRE_AGA = 2 };

/// A head trailing a chain of rings, with a genome, a sex, an age and two countdowns.
/// Abstract: each kind moves and splits in its own way.
class C_SPEEDBRICK : public C_ORGANISME {
public:
    /// Organism base only: empty genome and ring list; the kinds set the rest.
    C_SPEEDBRICK();
    /// Founder carrying gene k; draws its velocity and position and announces itself.
    explicit C_SPEEDBRICK(int k);
    /// A bare speedbrick of the given kind (organism base only), for the caller to fill in: a
    /// split's child, a saved world's speedbrick. Takes the organism base's three draws.
    static C_SPEEDBRICK* vierge(T_Genre genre);
    /// A newborn of the given kind at (x, y, z) with the given genome; the caller registers it.
    static C_SPEEDBRICK* naitre(T_Genre genre, std::vector<int> genome, float x, float y, float z);
    /// Frees the rings the speedbrick owns.
    virtual ~C_SPEEDBRICK();
    C_SPEEDBRICK(const C_SPEEDBRICK&) = delete;
    C_SPEEDBRICK& operator=(const C_SPEEDBRICK&) = delete;

    /// Leaves the world's registry (the object stays valid for the rest of the tick).
    virtual void mourir();
    /// One tick of movement of the head, rings following.
    virtual void seDeplacer() = 0;
    /// Splits at ring k: rings k.. go to a new speedbrick of the same kind.
    virtual void seScinder(int k) = 0;
    /// Moves the next ring in turn to one step behind the head.
    virtual void deplacerAnneaux();
    virtual T_Genre getGenre() const = 0;

    /// One tick of life: age, death by old age, a ring per time unit, sex, countdowns.
    void grandir();
    /// grandir() if this tick neither ends the speedbrick's life nor gives it a ring: it then
    /// changes nothing but the speedbrick and draws nothing. Says whether it did.
    bool grandirSansEvenement();
    void ajouterAnneau();
    /// Clamps the head 10 units inside each wall.
    void corrigerPosition();
    void genererVecteurDeplacement();
    /// The three draws of genererVecteurDeplacement, as the velocity they give (x, y, z).
    static std::array<float, 3> tirerVecteurDeplacement();
    /// As `nombre` calls of tirerVecteurDeplacement() whose velocities are not used.
    static void passerVecteursDeplacement(std::size_t nombre);
    void determinerPositionDepart();
    void determinerCodeGenetique(int k);
    /// A female whose sterility is over.
    bool estFeconde() const { return sexe == FEMELLE && dureeSteriliteRestante == 0; }
    /// A fertile female becomes sterile for the world's sterility period and says true.
    bool mettreEnReproduction();
    void ajouterOrganisme();
    /// Whether two speedbricks of these sexes breed when they meet.
    static bool peuventSeReproduire(T_Sexe a, T_Sexe b) {
        return a != b && a != INDETERMINE && b != INDETERMINE;
    }
    /// Meeting with a partner of the other sex: feconder(), then both partners not turning at
    /// a wall take new velocities, the partner first.
    void seReproduireAvec(C_SPEEDBRICK* partenaire);
    /// Both partners are put into reproduction (the female, whichever she is, turns sterile);
    /// if one was fertile, maybe a child at this one's place.
    void feconder(C_SPEEDBRICK* partenaire);
    /// Whether a wall turn is under way on some axis: the speedbrick then keeps its velocity.
    bool tourneAUnMur() const;
    void afficherCodeGenetiqueConsole() const;
    /// The nine-line description of this speedbrick.
    void afficherEnConsole() const;

    T_Couleur_Tete getCouleurTete() const { return couleurTete; }
    T_Sexe getSexe() const { return sexe; }
    int getAge() const { return age; }
    int getDureeSteriliteRestante() const { return dureeSteriliteRestante; }
    int getDureeInvincible() const { return dureeInvincible; }
    int getAnneauADeplacer() const { return anneauADeplacer; }
    std::vector<int> getCodeGenetique() const { return codeGenetique; }
    /// The genome itself, for readers that copy nothing.
    const std::vector<int>& genome() const { return codeGenetique; }
    /// A copy of the ring list: the rings themselves are shared.
    std::vector<C_ANNEAU*> getListeAnneaux() const { return listeAnneaux; }
    /// The ring list itself, for readers that copy nothing.
    const std::vector<C_ANNEAU*>& anneaux() const { return listeAnneaux; }
    int getNombreAnneaux() const { return static_cast<int>(listeAnneaux.size()); }
    C_SPEEDBRICK* getInstanceSpeedbrick() { return this; }

    /// Asks the processor to fetch the speedbrick, some time before a pass reaches it.
    void precharger() const {
        const char* debut = reinterpret_cast<const char*>(this);
        for (std::size_t octet = 0; octet < sizeof(C_SPEEDBRICK); octet += 64)
            __builtin_prefetch(debut + octet);
    }
    /// Once fetched, asks for the ring deplacerAnneaux() moves next.
    void prechargerAnneauADeplacer() const {
        if (!listeAnneaux.empty()) __builtin_prefetch(listeAnneaux[anneauADeplacer]);
    }

    void setCouleurTete(T_Couleur_Tete c) { couleurTete = c; }
    void setSexe(T_Sexe s) { sexe = s; }
    void setAge(int a) { age = a; }
    void setDureeInvincible(int d) { dureeInvincible = d; }
    void setDureeSteriliteRestante(int d) { dureeSteriliteRestante = d; }
    void setAnneauADeplacer(int i) { anneauADeplacer = i; }
    void setCodeGenetique(const std::vector<int>& g) { codeGenetique = g; }
    void setListeAnneaux(const std::vector<C_ANNEAU*>& l) { listeAnneaux = l; }
    void setRetournementEnCours(bool x, bool y, bool z);

protected:
    /// Birth at (x, y, z) with the given genome: the common part of the kinds' birth
    /// constructors.
    C_SPEEDBRICK(std::vector<int> genome, float x, float y, float z);

    /// The split shared by the kinds: the child is of this one's kind, message announces it.
    void scinder(int k, const char* message);
    /// One step along a circle in the y-z plane: (0, a sin theta, a cos theta), in double.
    void tournerEnCercle(double amplitude, double theta);

private:
    /// The one place where a kind picks its class: new, with these arguments.
    template <typename... Arguments>
    static C_SPEEDBRICK* construire(T_Genre genre, Arguments&&... arguments);
    /// The birth proper: the summed genome picks the kind, or forbids the child.
    void donnerNaissance(const C_SPEEDBRICK* partenaire);

    std::vector<C_ANNEAU*> listeAnneaux;
    T_Couleur_Tete couleurTete = COULEUR_TETE_STANDARD;
    T_Sexe sexe = INDETERMINE;
    int age = 0;
    int dureeSteriliteRestante = 0;
    int dureeInvincible = 0;
    std::vector<int> codeGenetique;
    int anneauADeplacer = 0;
};
