#include "Fiches.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"

#include <cassert>
#include <string>
#include <string_view>

namespace fiches {

namespace {

/// A field and how it is read from the core's object T: through the one reader its Sorte uses.
template <typename T> struct Champ {
    Colonne colonne;
    std::int32_t (*entier)(const T&) = nullptr;
    std::array<float, 3> (*triplet)(const T&) = nullptr;
    std::array<bool, 3> (*booleens)(const T&) = nullptr;
    const std::vector<int>& (*genes)(const T&) = nullptr;
};

template <typename T> Champ<T> entier(Colonne c, std::int32_t (*lire)(const T&)) {
    return {c, lire};
}
template <typename T> Champ<T> triplet(Colonne c, std::array<float, 3> (*lire)(const T&)) {
    return {c, nullptr, lire};
}

// What every creature has, first in its rows.
template <typename T> std::vector<Champ<T>> champsOrganisme() {
    return {
        entier<T>({"id", "id", Sorte::entier, "the organism's number, never reused"},
                  [](const T& o) -> std::int32_t { return o.getId(); }),
        triplet<T>({"position", "pos", Sorte::triplet, "centre in the tank, world units"},
                   [](const T& o) {
                       return std::array<float, 3>{o.getPosX(), o.getPosY(), o.getPosZ()};
                   }),
        triplet<T>({"velocity", "vel", Sorte::triplet, "world units per tick"},
                   [](const T& o) {
                       return std::array<float, 3>{o.getVelX(), o.getVelY(), o.getVelZ()};
                   }),
        {{"turning", "turning", Sorte::booleens, "turning back along the axis"},
         nullptr,
         nullptr,
         [](const T& o) {
             return std::array<bool, 3>{o.getRetournementEnCours(0), o.getRetournementEnCours(1),
                                        o.getRetournementEnCours(2)};
         }},
        triplet<T>({"remaining", "remaining", Sorte::triplet, "turn still to make along the axis"},
                   [](const T& o) {
                       return std::array<float, 3>{o.getRetournementRestant(0),
                                                   o.getRetournementRestant(1),
                                                   o.getRetournementRestant(2)};
                   }),
    };
}

/// A ring and the speedbrick that owns it.
struct AnneauDe {
    const C_SPEEDBRICK& speedbrick;
    const C_ANNEAU& anneau;
};

std::size_t aligner(std::size_t n, std::size_t a) { return (n + a - 1) / a * a; }

/// The table of the fields, each placed on its alignment after the row's tick.
template <typename T> struct Definition {
    Table table;
    std::vector<Champ<T>> champs;

    Definition(const char* nom, const char* sens, std::vector<Champ<T>> liste)
        : table{nom, sens, {}}, champs(std::move(liste)) {
        std::size_t fin = sizeof(TickRangee);
        for (Champ<T>& champ : champs) {
            Colonne& c = champ.colonne;
            const std::size_t alignements[] = {4, 1, 4, 1, 1};
            c.decalage = aligner(fin, alignements[static_cast<std::size_t>(c.sorte)]);
            fin = c.decalage + tailleDe(c.sorte);
            c.cleJson = std::string("\"") + c.stocke + "\":";
            table.colonnes.push_back(c);
        }
        table.taille = aligner(fin, 4);
    }

    void remplir(Rangees& r, int tick, const T& objet) const {
        r.ajouter(tick);
        const std::size_t i = r.nombre - 1;
        for (const Champ<T>& champ : champs) {
            const Colonne& c = champ.colonne;
            switch (c.sorte) {
            case Sorte::entier:
            case Sorte::nom:
                r.poserEntier(i, c, champ.entier(objet));
                break;
            case Sorte::triplet:
                r.poser(i, c, champ.triplet(objet));
                break;
            case Sorte::booleens:
                r.poser(i, c, champ.booleens(objet));
                break;
            case Sorte::genes: {
                const std::vector<int>& genes = champ.genes(objet);
                assert(genes.size() == r.largeurGenes && "every genome has the world's length");
                r.genes.insert(r.genes.end(), genes.begin(), genes.end());
                break;
            }
            }
        }
    }
};

template <typename T>
std::vector<Champ<T>> joindre(std::vector<Champ<T>> a, std::vector<Champ<T>> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Definition<C_SPEEDBRICK>& definitionSpeedbricks() {
    using S = C_SPEEDBRICK;
    static const Definition<S> d(
        "speedbricks", "a speedbrick's head",
        joindre(
            champsOrganisme<S>(),
            {
                entier<S>({"kind", "kind", Sorte::nom, "its kind, in KINDS", Json::nom, kGenres},
                          [](const S& s) -> std::int32_t { return s.getGenre(); }),
                entier<S>({"age", "age", Sorte::entier, "ticks lived"},
                          [](const S& s) -> std::int32_t { return s.getAge(); }),
                entier<S>({"sex", "sexe", Sorte::nom, "its sex, in SEXES", Json::valeur, kSexes},
                          [](const S& s) -> std::int32_t { return s.getSexe(); }),
                entier<S>({"invincibility", "invincible", Sorte::entier,
                           "ticks left before it can be eaten"},
                          [](const S& s) -> std::int32_t { return s.getDureeInvincible(); }),
                entier<S>({"sterility", "sterile", Sorte::entier, "ticks left before it can breed"},
                          [](const S& s) -> std::int32_t { return s.getDureeSteriliteRestante(); }),
                entier<S>({"next_ring", "nextRing", Sorte::entier, "the ring it moves next"},
                          [](const S& s) -> std::int32_t { return s.getAnneauADeplacer(); }),
                {{"genome", "genome", Sorte::genes, "its genes"},
                 nullptr,
                 nullptr,
                 nullptr,
                 [](const S& s) -> const std::vector<int>& { return s.genome(); }},
                entier<S>({"rings", "rings", Sorte::entier, "how many rings it has", Json::lignes},
                          [](const S& s) -> std::int32_t { return s.getNombreAnneaux(); }),
            }));
    return d;
}

const Definition<AnneauDe>& definitionAnneaux() {
    using A = AnneauDe;
    static const Definition<A> d(
        "rings", "a ring of a speedbrick's tail",
        {
            entier<A>({"owner", "owner", Sorte::entier, "its speedbrick's id", Json::absent},
                      [](const A& a) -> std::int32_t { return a.speedbrick.getId(); }),
            entier<A>({"index", "index", Sorte::entier,
                       "its number among its speedbrick's rings "
                       "when made"},
                      [](const A& a) -> std::int32_t { return a.anneau.getIdAnneau(); }),
            triplet<A>({"position", "pos", Sorte::triplet, "centre in the tank, world units"},
                       [](const A& a) {
                           return std::array<float, 3>{a.anneau.getPosX(), a.anneau.getPosY(),
                                                       a.anneau.getPosZ()};
                       }),
        });
    return d;
}

const Definition<C_CUTIT>& definitionCutits() {
    static const Definition<C_CUTIT> d("cutits", "a cutit", champsOrganisme<C_CUTIT>());
    return d;
}

/// A speedbrick of the pedigree.
struct LigneeDe {
    const C_SPEEDBRICK& speedbrick;
    const Origine& origine;
    int fin = -1;
};

const Definition<LigneeDe>& definitionPhylogenie() {
    using L = LigneeDe;
    static const Definition<L> d(
        "phylogeny", "a speedbrick that lived, from its origin to its death",
        {
            entier<L>({"id", "id", Sorte::entier, "the speedbrick's id"},
                      [](const L& l) -> std::int32_t { return l.speedbrick.getId(); }),
            entier<L>({"mother", "mother", Sorte::entier,
                       "its mother's id, or its parent's for a split; -1 for a founder"},
                      [](const L& l) -> std::int32_t { return l.origine.mere; }),
            entier<L>({"father", "father", Sorte::entier, "its father's id; -1 but for a birth"},
                      [](const L& l) -> std::int32_t { return l.origine.pere; }),
            entier<L>({"origin_time", "origin_time", Sorte::entier, "the tick it appeared"},
                      [](const L& l) -> std::int32_t { return l.origine.tick; }),
            entier<L>({"destruction_time", "destruction_time", Sorte::entier,
                       "the tick it died; -1 if alive when the run ended"},
                      [](const L& l) -> std::int32_t { return l.fin; }),
            entier<L>({"kind", "kind", Sorte::nom, "its kind, in KINDS", Json::nom, kGenres},
                      [](const L& l) -> std::int32_t { return l.speedbrick.getGenre(); }),
            entier<L>({"event", "event", Sorte::nom, "how it appeared, in EVENTS", Json::nom,
                       kEvenements},
                      [](const L& l) -> std::int32_t {
                          if (l.origine.mere < 0) return 0;
                          return l.origine.pere < 0 ? 2 : 1;
                      }),
            {{"genome", "genome", Sorte::genes, "its genes at its origin"},
             nullptr,
             nullptr,
             nullptr,
             [](const L& l) -> const std::vector<int>& { return l.speedbrick.genome(); }},
        });
    return d;
}

} // namespace

std::string nomAplati(const Colonne& colonne, std::size_t indice) {
    if (colonne.sorte == Sorte::genes)
        return std::string(colonne.nom) + "_" + std::to_string(indice);
    static const char* const kAxes[] = {"x", "y", "z"};
    if (std::string_view(colonne.nom) == "position") return kAxes[indice];
    return std::string(colonne.nom) + "_" + kAxes[indice];
}

const Colonne& Table::colonne(const char* nomVoulu) const {
    for (const Colonne& c : colonnes) {
        if (std::string_view(c.nom) == nomVoulu) return c;
    }
    assert(false && "a field that no table declares");
    return colonnes.front();
}

void Rangees::vider(std::size_t largeur) {
    nombre = 0;
    octets.clear();
    genes.clear();
    largeurGenes = largeur;
}

unsigned char* Rangees::ajouter(int tick) {
    octets.resize(octets.size() + table->taille, 0);
    ++nombre;
    unsigned char* r = rangee(nombre - 1);
    const TickRangee t = tick;
    std::memcpy(r, &t, sizeof t);
    return r;
}

void Rangees::poserEntier(std::size_t i, const Colonne& c, std::int32_t valeur) {
    if (c.sorte == Sorte::nom) {
        poser(i, c, static_cast<std::int8_t>(valeur));
    } else {
        poser(i, c, valeur);
    }
}

const Table& tableSpeedbricks() { return definitionSpeedbricks().table; }
const Table& tableAnneaux() { return definitionAnneaux().table; }
const Table& tableCutits() { return definitionCutits().table; }

const Table& tablePhylogenie() { return definitionPhylogenie().table; }

void remplirPhylogenie(Rangees& rangees, const C_SPEEDBRICK& s, const Origine& origine, int fin) {
    definitionPhylogenie().remplir(rangees, origine.tick, {s, origine, fin});
}

const std::vector<const Table*>& tables() {
    static const std::vector<const Table*> liste = {&tableSpeedbricks(), &tableAnneaux(),
                                                    &tableCutits()};
    return liste;
}

void relever(const C_AQUARIUM& monde, Releve& releve) {
    const int tick = monde.getTempsEcoule();
    releve.tick = tick;
    releve.compteurOrganisme = monde.getCompteurOrganisme();
    releve.speedbricks.vider(static_cast<std::size_t>(monde.getTailleGenome()));
    releve.anneaux.vider();
    releve.cutits.vider();
    const auto& speedbricks = definitionSpeedbricks();
    const auto& anneaux = definitionAnneaux();
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        speedbricks.remplir(releve.speedbricks, tick, *s);
        for (const C_ANNEAU* a : s->anneaux())
            anneaux.remplir(releve.anneaux, tick, {*s, *a});
    }
    for (const C_CUTIT* c : monde.cutits())
        definitionCutits().remplir(releve.cutits, tick, *c);
}

} // namespace fiches
