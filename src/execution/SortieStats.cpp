#include "SortieStats.h"

// The header alone on the first line, so that every CSV reader takes the file as it is: which
// run made it is in the summary.
void ajouterLigneStats(std::string& texte, int tick, const Recensement& apres,
                       const Recensement& avant) {
    for (const ColonneStats& colonne : colonnesStats()) {
        if (tick == 0) {
            texte += colonne.nom;
        } else {
            texte += std::to_string(colonne.valeur(tick, apres, avant));
        }
        texte += ',';
    }
    texte.back() = '\n';
}

bool SortieStats::ecrire(const Instant& instant) {
    ligne_.clear();
    ajouterLigneStats(ligne_, instant.tick, instant.apres, instant.avant);
    return fichier().ecrire(ligne_);
}
