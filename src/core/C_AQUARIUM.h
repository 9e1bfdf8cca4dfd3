#pragma once

#include <cstdint>
#include <vector>

class C_SPEEDBRICK;
class C_CUTIT;

/// One call of an encounter rule, by the identifiers of the speedbricks: second is -1 for a
/// cutit's touch, anneau -1 for two speedbricks'.
struct Rencontre {
    int premier = 0;
    int second = -1;
    int anneau = -1;
    bool operator==(const Rencontre& autre) const {
        return premier == autre.premier && second == autre.second && anneau == autre.anneau;
    }
};

/// What befell a speedbrick, as an observer of the pedigree hears it.
struct Filiation {
    enum Evenement : std::uint8_t { naissance, scission, mort };
    Evenement evenement;
    /// The newborn, the new speedbrick of a split, or the dead, still whole.
    const C_SPEEDBRICK& speedbrick;
    /// A birth's mother and father, a split's parent as its mother; -1 for none.
    int mere = -1;
    int pere = -1;
    /// The world's clock: the tick under way.
    int tick = 0;
};

/// Told of every birth, split and death; it must change nothing in the world.
class ObservateurLignee {
public:
    virtual ~ObservateurLignee() = default;
    virtual void noter(const Filiation& filiation) = 0;
};

/// The one world: tank size, settings, clock, identifier counter and the registries of creatures.
class C_AQUARIUM {
public:
    /// The settings that Creation gives.
    static constexpr int kDureeVieInitiale = 20;
    static constexpr int kUniteTempsInitiale = 150;
    static constexpr int kDureeSteriliteInitiale = 75;
    static constexpr int kCutitsParBancInitial = 8;

    /// Creates the world on the first call; every call resets the settings, clock and counter
    /// (registries and genome length are kept) and returns the one world.
    static C_AQUARIUM* Creation(int x, int y, int z);
    /// The world, or null before the first Creation.
    static C_AQUARIUM* getAquarium();

    /// Frees every creature the world still holds and clears getAquarium().
    ~C_AQUARIUM();
    C_AQUARIUM(const C_AQUARIUM&) = delete;
    C_AQUARIUM& operator=(const C_AQUARIUM&) = delete;

    int getTailleX() const { return tailleX; }
    int getTailleY() const { return tailleY; }
    int getTailleZ() const { return tailleZ; }
    void setTailleX(int x) { tailleX = x; }
    void setTailleY(int y) { tailleY = y; }
    void setTailleZ(int z) { tailleZ = z; }
    /// Lifespan of a speedbrick, in time units.
    int getDureeVie() const { return dureeVie; }
    void setDureeVie(int d) { dureeVie = d; }
    /// Ticks per time unit.
    int getUniteTemps() const { return uniteTemps; }
    void setUniteTemps(int u) { uniteTemps = u; }
    /// The clock, in ticks since Creation.
    int getTempsEcoule() const { return tempsEcoule; }
    void setTempsEcoule(int t) { tempsEcoule = t; }
    int getTailleGenome() const { return tailleGenome; }
    void setTailleGenome(int t) { tailleGenome = t; }
    int getCompteurOrganisme() const { return compteurOrganisme; }
    int getNbCutitParBanc() const { return nbCutitParBanc; }
    void setNbCutitParBanc(int n) { nbCutitParBanc = n; }
    /// Ticks of sterility given to a female put into reproduction and to every newborn.
    int getDureeSterilite() const { return dureeSterilite; }
    void setDureeSterilite(int d) { dureeSterilite = d; }

    /// Events since Creation, kept for observers (statistics); nothing in the simulation reads
    /// them.
    std::int64_t getNombreNaissances() const { return nombreNaissances; }
    std::int64_t getNombreScissions() const { return nombreScissions; }
    std::int64_t getNombreMorts() const { return nombreMorts; }
    /// Puts back the identifier counter and the event counts of a saved world.
    void restaurerCompteurs(int compteur, std::int64_t naissances, std::int64_t scissions,
                            std::int64_t morts);

    /// A copy of the speedbrick registry, in registry order: safe to walk while creatures die
    /// and are born.
    std::vector<C_SPEEDBRICK*> getListeSpeedbrick() const { return listeSpeedbrick; }
    /// A copy of the cutit registry, in registry order.
    std::vector<C_CUTIT*> getListeCutit() const { return listeCutit; }
    /// Read-only views of the registries, for passes that copy nothing (drawing, statistics).
    const std::vector<C_SPEEDBRICK*>& speedbricks() const { return listeSpeedbrick; }
    const std::vector<C_CUTIT*>& cutits() const { return listeCutit; }

    /// Takes the first occurrence of s out of the registry. The object stays valid until
    /// libererMorts(): snapshots taken earlier in the tick may still call it.
    void supprimerSpeedbrick(C_SPEEDBRICK* s);
    /// Frees the speedbricks taken out of the registry since the last call, with their rings.
    /// Call only when no snapshot taken before their removal is still in use.
    void libererMorts();

    /// Seeds n founder speedbricks (n is also the genome length) and b shoals of cutits.
    void initialiserPopulation(int n, int b);

    /// Two speedbricks in contact: a male and a female may breed.
    void interaction(C_SPEEDBRICK* premier, C_SPEEDBRICK* second);
    /// A speedbrick touched by a cutit splits at ring k unless it is invincible.
    void interaction(C_SPEEDBRICK* s, int k);
    /// From now on every encounter, even one without effect, is appended to journal, in call
    /// order; null (the default) records nothing. For the tests that compare collision passes.
    void setJournalRencontres(std::vector<Rencontre>* journal) { journalRencontres = journal; }
    /// From now on every birth, split and death is told to observateur; null (the default)
    /// tells nothing. The founders are the speedbricks it finds in the world.
    void setObservateur(ObservateurLignee* observateur) { observateurLignee = observateur; }
    ObservateurLignee* getObservateur() const { return observateurLignee; }
    /// Tells the observer, if any.
    void noterFiliation(const Filiation& filiation) const {
        if (observateurLignee != nullptr) observateurLignee->noter(filiation);
    }
    /// Whether encounters are being recorded.
    bool noteLesRencontres() const { return journalRencontres != nullptr; }
    /// Records an encounter of two speedbricks, if encounters are being recorded: the first
    /// step of interaction(), for callers that apply its rules themselves.
    void noterRencontre(const C_SPEEDBRICK& premier, const C_SPEEDBRICK& second);

private:
    friend class C_ORGANISME;
    friend class C_SPEEDBRICK;
    friend class C_CUTIT;

    C_AQUARIUM() = default;
    void creerBanc();

    static C_AQUARIUM* leAquarium;

    std::vector<C_SPEEDBRICK*> listeSpeedbrick;
    std::vector<C_CUTIT*> listeCutit;
    int tempsEcoule = 0;
    int tailleX = 0;
    int tailleY = 0;
    int tailleZ = 0;
    int dureeVie = 0;
    int compteurOrganisme = 0;
    int dureeSterilite = 0;
    int tailleGenome = 0;
    int nbCutitParBanc = 0;
    int uniteTemps = 0;
    /// Taken out of the registry, not yet freed.
    std::vector<C_SPEEDBRICK*> listeMorts;
    std::int64_t nombreNaissances = 0;
    std::int64_t nombreScissions = 0;
    std::int64_t nombreMorts = 0;
    std::vector<Rencontre>* journalRencontres = nullptr;
    ObservateurLignee* observateurLignee = nullptr;
};

/// Frees the world, if any, and everything in it.
void detruireMonde();
