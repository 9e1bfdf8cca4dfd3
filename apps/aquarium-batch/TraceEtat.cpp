#include "TraceEtat.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// Written by hand rather than through a JSON library's document: building and freeing one
// node per number cost four times the simulation itself with a dump every tick. Nothing here
// needs escaping: the only strings are the fixed keys and kind names.
class LigneJson {
public:
    explicit LigneJson(std::string& texte) : texte_(texte) {}

    void brut(std::string_view morceau) { texte_ += morceau; }

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
    void booleen(bool valeur) { texte_ += valeur ? "true" : "false"; }

    void triplet(float x, float y, float z) {
        texte_ += '[';
        nombre(x);
        texte_ += ',';
        nombre(y);
        texte_ += ',';
        nombre(z);
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

const char* nomGenre(T_Genre genre) {
    switch (genre) {
    case GENRE_GENTIL:
        return "GENTIL";
    case GENRE_AGA:
        return "AGA";
    case GENRE_NORMAL:
        break;
    }
    return "NORMAL";
}

// The fields every creature has, without the braces around them.
void ecrireOrganisme(LigneJson& j, const C_ORGANISME& o) {
    j.brut("\"id\":");
    j.nombre(o.getId());
    j.brut(",\"pos\":");
    j.triplet(o.getPosX(), o.getPosY(), o.getPosZ());
    j.brut(",\"vel\":");
    j.triplet(o.getVelX(), o.getVelY(), o.getVelZ());
    j.brut(",\"turning\":[");
    j.booleen(o.getRetournementEnCours(0));
    j.brut(",");
    j.booleen(o.getRetournementEnCours(1));
    j.brut(",");
    j.booleen(o.getRetournementEnCours(2));
    j.brut("],\"remaining\":");
    j.triplet(o.getRetournementRestant(0), o.getRetournementRestant(1),
              o.getRetournementRestant(2));
}

void ecrireGenome(LigneJson& j, const C_SPEEDBRICK& s) {
    j.brut("[");
    const char* separateur = "";
    for (int gene : s.getCodeGenetique()) {
        j.brut(separateur);
        j.nombre(gene);
        separateur = ",";
    }
    j.brut("]");
}

void ecrireAnneaux(LigneJson& j, const C_SPEEDBRICK& s) {
    j.brut("[");
    const char* separateur = "";
    for (const C_ANNEAU* a : s.anneaux()) {
        j.brut(separateur);
        j.brut("[");
        j.nombre(a->getIdAnneau());
        j.brut(",");
        j.nombre(a->getPosX());
        j.brut(",");
        j.nombre(a->getPosY());
        j.brut(",");
        j.nombre(a->getPosZ());
        j.brut("]");
        separateur = ",";
    }
    j.brut("]");
}

void ecrireSpeedbrick(LigneJson& j, const C_SPEEDBRICK& s) {
    j.brut("{");
    ecrireOrganisme(j, s);
    j.brut(",\"kind\":\"");
    j.brut(nomGenre(s.getGenre()));
    j.brut("\",\"age\":");
    j.nombre(s.getAge());
    j.brut(",\"sexe\":");
    j.nombre(static_cast<int>(s.getSexe()));
    j.brut(",\"invincible\":");
    j.nombre(s.getDureeInvincible());
    j.brut(",\"sterile\":");
    j.nombre(s.getDureeSteriliteRestante());
    j.brut(",\"nextRing\":");
    j.nombre(s.getAnneauADeplacer());
    j.brut(",\"genome\":");
    ecrireGenome(j, s);
    j.brut(",\"rings\":");
    ecrireAnneaux(j, s);
    j.brut("}");
}

void ecrireCutit(LigneJson& j, const C_CUTIT& c) {
    j.brut("{");
    ecrireOrganisme(j, c);
    j.brut("}");
}

} // namespace

void ajouterLigneEtat(std::string& texte, const C_AQUARIUM& monde, std::string_view membres) {
    LigneJson j(texte);
    j.brut("{\"tick\":");
    j.nombre(monde.getTempsEcoule());
    j.brut(",\"compteurOrganisme\":");
    j.nombre(monde.getCompteurOrganisme());
    j.brut(",\"speedbricks\":[");
    const char* separateur = "";
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        j.brut(separateur);
        ecrireSpeedbrick(j, *s);
        separateur = ",";
    }
    j.brut("],\"cutits\":[");
    separateur = "";
    for (const C_CUTIT* c : monde.cutits()) {
        j.brut(separateur);
        ecrireCutit(j, *c);
        separateur = ",";
    }
    j.brut("]");
    j.brut(membres);
    j.brut("}\n");
}
