#include "SortiesLot.h"

#include "JsonLignes.h"
#include "Provenance.h"
#include "Remplacement.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <sys/stat.h>

namespace {

using Json = nlohmann::ordered_json;

// The statistics' head counts: their columns but the tick and its events.
Json recensementEnJson(const Recensement& r) {
    Json compte = Json::object();
    for (const ColonneStats& c : colonnesStats()) {
        if (std::string_view(c.nom) != "tick" && !c.evenement) compte[c.nom] = c.valeur(0, r, r);
    }
    return compte;
}

} // namespace

// Tick 0 and the last tick always; the last once, even on a multiple of the period.
bool SortieTrace::ecrire(const Instant& instant) {
    const bool periodique = periode_ > 0 && instant.tick % periode_ == 0;
    if (instant.tick != 0 && !instant.dernier() && !periodique) return true;
    if (instant.tick != 0 && !periodique) avantFin_ = fichier().position();
    ligne_.clear();
    if (instant.tick != 0) {
        fiches::ajouterLigneEtat(ligne_, instant.monde);
    } else {
        fiches::ajouterLigneEtat(ligne_, instant.monde,
                                 ",\"seed\":" + std::to_string(instant.options.graine) +
                                     ",\"settings\":" + reglagesEnJson(instant.options).dump());
    }
    return fichier().ecrire(ligne_);
}

std::string SortieTrace::position() const {
    return avantFin_ ? avantFin_->texte() : SortieFichier::position();
}

bool SortieRapport::preparer() {
    if (!SortieFichier::preparer()) return false;
    detour_.emplace(static_cast<std::streambuf*>(this));
    return true;
}

void SortieRapport::abandonner() {
    detour_.reset();
    SortieFichier::abandonner();
}

bool SortieRapport::ecrire(const Instant&) { return !echec_; }

bool SortieRapport::fermer() {
    detour_.reset();
    return !echec_ && SortieFichier::fermer();
}

// A failed write leaves std::cout failing: the core then writes nothing more, and the run
// stops at the end of the tick with this file's reason.
std::streamsize SortieRapport::xsputn(const char* texte, std::streamsize taille) {
    if (echec_) return 0;
    echec_ = !fichier().ecrire({texte, static_cast<std::size_t>(taille)});
    return echec_ ? 0 : taille;
}

SortieRapport::int_type SortieRapport::overflow(int_type caractere) {
    if (traits_type::eq_int_type(caractere, traits_type::eof())) return traits_type::not_eof(0);
    const char c = traits_type::to_char_type(caractere);
    return xsputn(&c, 1) == 1 ? caractere : traits_type::eof();
}

// The rename would replace a device or a directory rather than write into it.
bool SortieResume::ouvrir() {
    struct stat etat = {};
    if (::stat(chemin_.c_str(), &etat) == 0 && !S_ISREG(etat.st_mode)) {
        erreur_ = "'" + chemin_ + "' is not a regular file";
        return false;
    }
    if (!essayerRemplacement(chemin_, erreur_)) return false;
    debut_ = std::chrono::steady_clock::now();
    return true;
}

// The run loop keeps the peak and the first tick past 1,000 from tick 0 on, across resumes.
bool SortieResume::ecrire(const Instant& instant) {
    if (!instant.dernier()) return true;

    const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut_;
    const Recensement& fin = instant.apres;
    const Historique& h = instant.historique;
    const Provenance origine = provenance(instant.programme, instant.options);
    Json resume = {{"program", origine.programme},
                   {"version", origine.version},
                   {"command", origine.commande},
                   {"seed", origine.graine},
                   {"settings", origine.reglages},
                   {"ticks", instant.tick},
                   {"end", nomFin(instant.fin)},
                   {"final", recensementEnJson(fin)},
                   {"births", fin.naissances},
                   {"splits", fin.scissions},
                   {"deaths", fin.morts},
                   {"peak", {{"speedbricks", h.populationMax}, {"tick", h.tickPopulationMax}}},
                   {"explosionTick", nullptr},
                   {"wallSeconds", std::round(duree.count() * 1000.0) / 1000.0}};
    if (h.premierTickMille >= 0) resume["explosionTick"] = h.premierTickMille;
    resume_ = resume.dump() + "\n";
    return true;
}

bool SortieResume::fermer() { return remplacerFichier(chemin_, {resume_}, erreur_); }
