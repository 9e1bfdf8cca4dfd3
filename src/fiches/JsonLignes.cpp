#include "JsonLignes.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace fiches {

namespace {

using nlohmann::json;

// Written by hand rather than through a JSON library's document: building and freeing one
// node per number cost four times the simulation itself with a dump every tick. Nothing here
// needs escaping: the only strings are the tables' spellings and the kinds' names.
class LigneJson {
public:
    explicit LigneJson(std::string& texte) : texte_(texte) {}

    void brut(std::string_view morceau) { texte_ += morceau; }
    void brut(char c) { texte_.push_back(c); }

    /// The float's shortest form that reads back to the same float. JSON has no infinity nor
    /// NaN: like the common JSON libraries, such a value is written null.
    void nombre(float valeur) {
        if (!std::isfinite(valeur)) {
            texte_ += "null";
            return;
        }
        ajouterConversion(valeur);
    }
    void nombre(int valeur) { ajouterConversion(valeur); }
    void nombre(bool valeur) { texte_ += valeur ? "true" : "false"; }

    template <typename T> void triplet(const std::array<T, 3>& valeurs) {
        texte_ += '[';
        nombre(valeurs[0]);
        texte_ += ',';
        nombre(valeurs[1]);
        texte_ += ',';
        nombre(valeurs[2]);
        texte_ += ']';
    }

private:
    template <typename T> void ajouterConversion(T valeur) {
        char chiffres[32];
        const std::to_chars_result fin =
            std::to_chars(chiffres, chiffres + sizeof chiffres, valeur);
        texte_.append(chiffres, static_cast<std::size_t>(fin.ptr - chiffres));
    }

    std::string& texte_;
};

/// Writes the tables' rows, a ring table's rows nested in their owners as they come.
class Ecriture {
public:
    Ecriture(LigneJson& j, const Releve& r) : j_(j), r_(r) {}

    void objets(const Rangees& rangees) {
        const char* separateur = "";
        for (std::size_t i = 0; i < rangees.nombre; ++i) {
            j_.brut(separateur);
            objet(rangees, i);
            separateur = ",";
        }
    }

private:
    void objet(const Rangees& r, std::size_t i) {
        char separateur = '{';
        for (const Colonne& c : r.table->colonnes) {
            if (c.json == Json::absent) continue;
            j_.brut(separateur);
            j_.brut(c.cleJson);
            valeur(r, i, c);
            separateur = ',';
        }
        j_.brut('}');
    }

    void valeur(const Rangees& r, std::size_t i, const Colonne& c) {
        switch (c.sorte) {
        case Sorte::entier:
        case Sorte::nom:
            entier(r, i, c);
            return;
        case Sorte::triplet:
            j_.triplet(r.lire<std::array<float, 3>>(i, c));
            return;
        case Sorte::booleens:
            j_.triplet(r.lire<std::array<bool, 3>>(i, c));
            return;
        case Sorte::genes:
            tableau(r.genes.data() + i * r.largeurGenes, r.largeurGenes);
            return;
        }
    }

    void entier(const Rangees& r, std::size_t i, const Colonne& c) {
        const std::int32_t v = r.entier(i, c);
        if (c.json == Json::nom) {
            j_.brut('"');
            j_.brut(c.noms[v].stocke);
            j_.brut('"');
        } else if (c.json == Json::lignes) {
            lignesAnneaux(v);
        } else {
            j_.nombre(v);
        }
    }

    void tableau(const std::int32_t* valeurs, std::size_t n) {
        j_.brut("[");
        for (std::size_t k = 0; k < n; ++k) {
            if (k > 0) j_.brut(",");
            j_.nombre(valeurs[k]);
        }
        j_.brut("]");
    }

    // Each ring as one array of its written fields, flattened.
    void lignesAnneaux(std::int32_t nombre) {
        const Rangees& a = r_.anneaux;
        j_.brut("[");
        for (std::int32_t k = 0; k < nombre; ++k, ++anneau_) {
            j_.brut(k > 0 ? ",[" : "[");
            const char* separateur = "";
            for (const Colonne& c : a.table->colonnes) {
                if (c.json == Json::absent) continue;
                j_.brut(separateur);
                if (c.sorte == Sorte::triplet) {
                    const auto p = a.lire<std::array<float, 3>>(anneau_, c);
                    for (std::size_t axe = 0; axe < 3; ++axe) {
                        j_.brut(axe > 0 ? "," : "");
                        j_.nombre(p[axe]);
                    }
                } else {
                    j_.nombre(a.entier(anneau_, c));
                }
                separateur = ",";
            }
            j_.brut("]");
        }
        j_.brut("]");
    }

    LigneJson& j_;
    const Releve& r_;
    std::size_t anneau_ = 0;
};

/// The values of a nested row: its written fields, a triplet's three.
std::size_t largeurLigne(const Table& table) {
    std::size_t n = 0;
    for (const Colonne& c : table.colonnes) {
        if (c.json != Json::absent) n += c.sorte == Sorte::triplet ? 3 : 1;
    }
    return n;
}

[[noreturn]] void refuser(const std::string& raison) { throw std::runtime_error(raison); }

const json& membre(const json& objet, const char* nom) {
    const auto it = objet.find(nom);
    if (it == objet.end()) refuser(std::string("no \"") + nom + "\"");
    return *it;
}

const json& tableau(const json& valeur, const char* nom, std::size_t taille = 0) {
    if (!valeur.is_array() || (taille > 0 && valeur.size() != taille)) {
        refuser(std::string("\"") + nom + "\" is no array" +
                (taille > 0 ? " of " + std::to_string(taille) : std::string()));
    }
    return valeur;
}

float flottant(const json& v, const char* nom) {
    if (v.is_null()) return std::numeric_limits<float>::quiet_NaN();
    if (!v.is_number()) refuser(std::string("\"") + nom + "\" holds something else than numbers");
    return v.get<float>();
}

// Every whole number of the trace is an int32_t: a larger one would wrap into another value.
std::int32_t entier(const json& v, const char* nom) {
    if (!v.is_number_integer()) refuser(std::string("\"") + nom + "\" is no whole number");
    const bool dedans = v.is_number_unsigned()
                            ? v.get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max()
                            : v.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                                  v.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max();
    if (!dedans) refuser(std::string("\"") + nom + "\" is out of range");
    return v.get<std::int32_t>();
}

/// Reads the rows of one table, its nested rings into the ring table.
class Lecture {
public:
    explicit Lecture(Releve& r) : r_(r) {}

    void objets(const json& liste, Rangees& rangees) {
        for (const json& o : tableau(liste, rangees.table->nom)) {
            if (!o.is_object())
                refuser(std::string("a row of \"") + rangees.table->nom + "\" is no object");
            rangees.ajouter(r_.tick);
            for (const Colonne& c : rangees.table->colonnes) {
                if (c.json != Json::absent) champ(membre(o, c.stocke), rangees, c);
            }
        }
    }

private:
    void champ(const json& v, Rangees& r, const Colonne& c) {
        const std::size_t i = r.nombre - 1;
        switch (c.sorte) {
        case Sorte::entier:
            r.poserEntier(i, c, c.json == Json::lignes ? anneaux(v, r, i) : entier(v, c.stocke));
            return;
        case Sorte::nom:
            r.poserEntier(i, c, nom(v, c));
            return;
        case Sorte::triplet:
            tableau(v, c.stocke, 3);
            r.poser(i, c,
                    std::array<float, 3>{flottant(v[0], c.stocke), flottant(v[1], c.stocke),
                                         flottant(v[2], c.stocke)});
            return;
        case Sorte::booleens:
            tableau(v, c.stocke, 3);
            for (std::size_t axe = 0; axe < 3; ++axe) {
                if (!v[axe].is_boolean())
                    refuser(std::string("\"") + c.stocke + "\" holds no booleans");
                r.poser(i, c, v[axe].get<bool>(), axe);
            }
            return;
        case Sorte::genes:
            genes(tableau(v, c.stocke), r);
            return;
        }
    }

    static std::int32_t nom(const json& v, const Colonne& c) {
        for (std::size_t k = 0; k < kNoms; ++k) {
            if (c.json == Json::nom ? v == std::string(c.noms[k].stocke) : v == static_cast<int>(k))
                return static_cast<std::int32_t>(k);
        }
        refuser(std::string("a \"") + c.stocke + "\" that is none of the world's");
    }

    static void genes(const json& v, Rangees& r) {
        if (r.nombre == 1) r.largeurGenes = v.size();
        if (v.size() != r.largeurGenes) refuser("genomes of different lengths");
        for (const json& g : v)
            r.genes.push_back(entier(g, "genome"));
    }

    // The owner's rings: each an array of the ring's written fields, its owner the nesting one.
    std::int32_t anneaux(const json& v, const Rangees& proprietaires, std::size_t i) {
        Rangees& a = r_.anneaux;
        const std::int32_t proprietaire =
            proprietaires.entier(i, proprietaires.table->colonne("id"));
        for (const json& ligne : tableau(v, "rings")) {
            tableau(ligne, "a ring", largeurLigne(*a.table));
            a.ajouter(r_.tick);
            std::size_t k = 0;
            for (const Colonne& c : a.table->colonnes) {
                if (c.json == Json::absent) {
                    a.poserEntier(a.nombre - 1, c, proprietaire);
                } else if (c.sorte == Sorte::triplet) {
                    for (std::size_t axe = 0; axe < 3; ++axe)
                        a.poser(a.nombre - 1, c, flottant(ligne[k++], "rings"), axe);
                } else {
                    a.poserEntier(a.nombre - 1, c, entier(ligne[k++], "rings"));
                }
            }
        }
        return static_cast<std::int32_t>(v.size());
    }

    Releve& r_;
};

} // namespace

void ajouterLigneEtat(std::string& texte, const Releve& releve, std::string_view membres) {
    LigneJson j(texte);
    j.brut("{\"tick\":");
    j.nombre(releve.tick);
    j.brut(",\"compteurOrganisme\":");
    j.nombre(releve.compteurOrganisme);
    Ecriture e(j, releve);
    for (const Rangees* r : {&releve.speedbricks, &releve.cutits}) {
        j.brut(",\"");
        j.brut(r->table->nom);
        j.brut("\":[");
        e.objets(*r);
        j.brut("]");
    }
    j.brut(membres);
    j.brut("}\n");
}

void ajouterLigneEtat(std::string& texte, const C_AQUARIUM& monde, std::string_view membres) {
    // The rows' memory is kept from one line to the next.
    thread_local Releve releve;
    relever(monde, releve);
    ajouterLigneEtat(texte, releve, membres);
}

void lireLigneEtat(std::string_view texte, Releve& releve, std::array<int, 3>& cuve) {
    const json ligne = json::parse(texte);
    if (!ligne.is_object()) refuser("not a JSON object");
    const json& tick = membre(ligne, "tick");
    releve.tick = entier(tick, "tick");
    if (releve.tick < 0) refuser("\"tick\" is no tick");
    releve.compteurOrganisme = entier(membre(ligne, "compteurOrganisme"), "compteurOrganisme");
    // A line without speedbricks does not say how long a genome is: the line before did.
    for (Rangees* r : releve.toutes())
        r->vider(r->largeurGenes);
    Lecture lecture(releve);
    lecture.objets(membre(ligne, releve.speedbricks.table->nom), releve.speedbricks);
    lecture.objets(membre(ligne, releve.cutits.table->nom), releve.cutits);
    // Only the run's first line names its tank; a resumed run's trace keeps the default one.
    const auto reglages = ligne.find("settings");
    if (reglages == ligne.end() || !reglages->is_object()) return;
    const json& tank = tableau(membre(*reglages, "tank"), "tank", 3);
    for (std::size_t i = 0; i < 3; ++i)
        cuve[i] = entier(tank[i], "tank");
}

} // namespace fiches
