#include "Sauvegarde.h"

#include "Aleatoire.h"
#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "Octets.h"


#include <cassert>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace {

/// Bytes that decode but hold a value no world can have.
class Incoherence : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void exiger(bool condition, const char* raison) {
    if (!condition) throw Incoherence(raison);
}

template <typename T> T lire(ArchiveEntree& a) {
    T valeur{};
    a(valeur);
    return valeur;
}

// ---- Writing. Every read below takes the fields in the very order they are written here.

void ecrireOrganisme(ArchiveSortie& a, const C_ORGANISME& o) {
    a(o.getId(), o.getPosX(), o.getPosY(), o.getPosZ(), o.getVelX(), o.getVelY(), o.getVelZ());
    for (int axe = 0; axe < 3; ++axe) {
        a(static_cast<std::uint8_t>(o.getRetournementEnCours(axe)), o.getRetournementRestant(axe));
    }
}

void ecrireSpeedbrick(ArchiveSortie& a, const C_SPEEDBRICK& s) {
    a(static_cast<std::int32_t>(s.getGenre()));
    ecrireOrganisme(a, s);
    a(static_cast<std::int32_t>(s.getCouleurTete()), static_cast<std::int32_t>(s.getSexe()),
      s.getAge(), s.getDureeSteriliteRestante(), s.getDureeInvincible(), s.getAnneauADeplacer());
    const std::vector<int> genome = s.getCodeGenetique();
    a(static_cast<std::uint64_t>(genome.size()));
    for (int gene : genome)
        a(gene);
    a(static_cast<std::uint64_t>(s.anneaux().size()));
    for (const C_ANNEAU* anneau : s.anneaux())
        a(anneau->getIdAnneau(), anneau->getPosX(), anneau->getPosY(), anneau->getPosZ());
}

void ecrireMonde(ArchiveSortie& a, const C_AQUARIUM& monde) {
    a(kVersionMonde);
    a(monde.getTailleX(), monde.getTailleY(), monde.getTailleZ(), monde.getDureeVie(),
      monde.getUniteTemps(), monde.getDureeSterilite(), monde.getTailleGenome(),
      monde.getNbCutitParBanc());
    a(monde.getTempsEcoule(), monde.getCompteurOrganisme(), monde.getNombreNaissances(),
      monde.getNombreScissions(), monde.getNombreMorts());
    const GenerateurAleatoire::Etat& generateur = G_aleatoire.etat();
    for (std::uint32_t mot : generateur.table)
        a(mot);
    a(generateur.avant, generateur.arriere);
    a(static_cast<std::uint64_t>(monde.speedbricks().size()));
    for (const C_SPEEDBRICK* s : monde.speedbricks())
        ecrireSpeedbrick(a, *s);
    a(static_cast<std::uint64_t>(monde.cutits().size()));
    for (const C_CUTIT* c : monde.cutits())
        ecrireOrganisme(a, *c);
}

// ---- Reading.

void lireOrganisme(ArchiveEntree& a, C_ORGANISME& o) {
    o.setId(lire<int>(a));
    const float x = lire<float>(a);
    const float y = lire<float>(a);
    const float z = lire<float>(a);
    o.setPosition(x, y, z);
    const float vx = lire<float>(a);
    const float vy = lire<float>(a);
    const float vz = lire<float>(a);
    o.setVelocite(vx, vy, vz);
    for (int axe = 0; axe < 3; ++axe) {
        const auto enCours = lire<std::uint8_t>(a);
        exiger(enCours <= 1, "a wall turn flag neither true nor false");
        o.setRetournement(axe, enCours == 1, lire<float>(a));
    }
}

T_Genre lireGenre(ArchiveEntree& a) {
    const auto genre = lire<std::int32_t>(a);
    exiger(genre >= GENRE_NORMAL && genre <= GENRE_AGA, "an unknown kind of speedbrick");
    return static_cast<T_Genre>(genre);
}

void lireEtatCivil(ArchiveEntree& a, C_SPEEDBRICK& s) {
    exiger(lire<std::int32_t>(a) == COULEUR_TETE_STANDARD, "an unknown head colour");
    const auto sexe = lire<std::int32_t>(a);
    exiger(sexe >= INDETERMINE && sexe <= FEMELLE, "an unknown sex");
    s.setSexe(static_cast<T_Sexe>(sexe));
    s.setAge(lire<int>(a));
    s.setDureeSteriliteRestante(lire<int>(a));
    s.setDureeInvincible(lire<int>(a));
    s.setAnneauADeplacer(lire<int>(a));
}

// A count is checked against the bytes left before anything is allocated for it: a damaged
// count must not ask for terabytes.
std::size_t lireNombre(ArchiveEntree& a, const LectureOctets& source, std::size_t octetsChacun) {
    const auto nombre = lire<std::uint64_t>(a);
    exiger(nombre <= source.restants() / octetsChacun, "a count beyond the bytes left");
    return static_cast<std::size_t>(nombre);
}

struct AnneauLu {
    int id = 0;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

void lireCorps(ArchiveEntree& a, const LectureOctets& source, C_SPEEDBRICK& s) {
    std::vector<int> genome(lireNombre(a, source, sizeof(int)));
    for (int& gene : genome)
        a(gene);
    s.setCodeGenetique(genome);

    // Read whole before any ring is made, so that a cut in the middle leaks none.
    std::vector<AnneauLu> lus(lireNombre(a, source, sizeof(AnneauLu)));
    for (AnneauLu& lu : lus)
        a(lu.id, lu.x, lu.y, lu.z);
    std::vector<C_ANNEAU*> anneaux;
    anneaux.reserve(lus.size());
    for (const AnneauLu& lu : lus) {
        C_ANNEAU* anneau = new C_ANNEAU(&s, lu.id);
        anneau->setPosition(lu.x, lu.y, lu.z);
        anneaux.push_back(anneau);
    }
    s.setListeAnneaux(anneaux);
    exiger(anneaux.empty() || (s.getAnneauADeplacer() >= 0 &&
                               s.getAnneauADeplacer() < static_cast<int>(anneaux.size())),
           "a ring to move outside the ring list");
}

// Registered as soon as it is whole, so that the world frees it should a later one fail.
void lireSpeedbrick(ArchiveEntree& a, const LectureOctets& source) {
    std::unique_ptr<C_SPEEDBRICK> s(C_SPEEDBRICK::vierge(lireGenre(a)));
    lireOrganisme(a, *s);
    lireEtatCivil(a, *s);
    lireCorps(a, source, *s);
    s.release()->ajouterOrganisme();
}

void lireCutit(ArchiveEntree& a) {
    std::unique_ptr<C_CUTIT> c(new C_CUTIT());
    lireOrganisme(a, *c);
    c.release()->ajouterOrganisme();
}

GenerateurAleatoire::Etat lireGenerateur(ArchiveEntree& a) {
    GenerateurAleatoire::Etat etat;
    for (std::uint32_t& mot : etat.table)
        a(mot);
    a(etat.avant, etat.arriere);
    constexpr int kDegre = GenerateurAleatoire::kDegre;
    exiger(etat.avant >= 0 && etat.avant < kDegre && etat.arriere >= 0 && etat.arriere < kDegre &&
               (etat.arriere + GenerateurAleatoire::kSeparation) % kDegre == etat.avant,
           "the generator's taps out of place");
    return etat;
}

// The world is made first, with its size: every creature made after reads it. The organism
// base takes draws and identifiers as it makes each creature; the saved counter and generator
// are put back last.
void lireMonde(ArchiveEntree& a, const LectureOctets& source) {
    const auto version = lire<std::uint32_t>(a);
    exiger(version == kVersionMonde, "a world saved in another layout");
    const int x = lire<int>(a);
    const int y = lire<int>(a);
    const int z = lire<int>(a);
    exiger(x > 0 && y > 0 && z > 0, "a tank without room");
    C_AQUARIUM* monde = C_AQUARIUM::Creation(x, y, z);
    monde->setDureeVie(lire<int>(a));
    monde->setUniteTemps(lire<int>(a));
    exiger(monde->getUniteTemps() > 0, "a time unit of no tick");
    monde->setDureeSterilite(lire<int>(a));
    monde->setTailleGenome(lire<int>(a));
    monde->setNbCutitParBanc(lire<int>(a));
    monde->setTempsEcoule(lire<int>(a));
    const int compteur = lire<int>(a);
    const auto naissances = lire<std::int64_t>(a);
    const auto scissions = lire<std::int64_t>(a);
    const auto morts = lire<std::int64_t>(a);
    const GenerateurAleatoire::Etat generateur = lireGenerateur(a);

    const std::size_t speedbricks = lireNombre(a, source, 1);
    for (std::size_t i = 0; i < speedbricks; ++i)
        lireSpeedbrick(a, source);
    const std::size_t cutits = lireNombre(a, source, 1);
    for (std::size_t i = 0; i < cutits; ++i)
        lireCutit(a);
    exiger(source.restants() == 0, "bytes after the world");

    monde->restaurerCompteurs(compteur, naissances, scissions, morts);
    G_aleatoire.restaurer(generateur);
}

} // namespace

void sauvegarderMonde(std::string& octets) {
    const C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    assert(monde != nullptr && "saving a world that does not exist");
    EcritureOctets tampon(octets);
    std::ostream flux(&tampon);
    ArchiveSortie archive(flux, kOrdreOctets);
    ecrireMonde(archive, *monde);
}

// The creatures made on the way take draws: a refusal gives the generator back its state too.
bool restaurerMonde(std::string_view octets, std::string& erreur) {
    const GenerateurAleatoire::Etat generateur = G_aleatoire.etat();
    detruireMonde();
    LectureOctets source(octets);
    std::istream flux(&source);
    try {
        ArchiveEntree archive(flux);
        lireMonde(archive, source);
        return true;
    } catch (const Incoherence& e) {
        erreur = std::string("not a saved world: ") + e.what();
    } catch (const cereal::Exception&) {
        erreur = "a saved world cut short";
    } catch (const std::bad_alloc&) {
        erreur = "a saved world too large for memory";
    }
    detruireMonde();
    G_aleatoire.restaurer(generateur);
    return false;
}
