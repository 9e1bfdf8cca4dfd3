#include "Phylogenie.h"

#include "C_SPEEDBRICK.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace fiches {

namespace {

constexpr char kAvantVivantes = '|';

// One integer and the character after it.
bool lireEntier(const char*& debut, const char* fin, int& valeur, char apres) {
    const auto [bout, erreur] = std::from_chars(debut, fin, valeur);
    if (erreur != std::errc() || bout == fin || *bout != apres) return false;
    debut = bout + 1;
    return true;
}

} // namespace

void Lignee::fonder(C_AQUARIUM& monde) {
    vivantes_.clear();
    for (const C_SPEEDBRICK* s : monde.speedbricks())
        vivantes_[s->getId()] = {monde.getTempsEcoule(), -1, -1};
    suivre(monde);
}

void Lignee::suivre(C_AQUARIUM& monde) {
    mortes_.vider(static_cast<std::size_t>(monde.getTailleGenome()));
    monde.setObservateur(this);
}

void Lignee::noter(const Filiation& f) {
    const int id = f.speedbrick.getId();
    if (f.evenement != Filiation::mort) {
        vivantes_[id] = {f.tick, f.mere, f.pere};
        return;
    }
    const auto trouvee = vivantes_.find(id);
    if (trouvee == vivantes_.end()) return;
    remplirPhylogenie(mortes_, f.speedbrick, trouvee->second, f.tick);
    vivantes_.erase(trouvee);
}

void Lignee::ajouterVivantes(const C_AQUARIUM& monde, Rangees& rangees) const {
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        const auto trouvee = vivantes_.find(s->getId());
        remplirPhylogenie(rangees, *s, trouvee == vivantes_.end() ? Origine{} : trouvee->second,
                          -1);
    }
}

// By id, so that the same world makes the same checkpoint.
std::string Lignee::texte() const {
    std::vector<int> ids;
    ids.reserve(vivantes_.size());
    for (const auto& [id, origine] : vivantes_)
        ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    std::string texte;
    for (int id : ids) {
        const Origine& o = vivantes_.at(id);
        texte += std::to_string(id) + ':' + std::to_string(o.tick) + ':' + std::to_string(o.mere) +
                 ':' + std::to_string(o.pere) + ';';
    }
    return texte;
}

bool Lignee::lire(std::string_view texte) {
    vivantes_.clear();
    const char* debut = texte.data();
    const char* fin = texte.data() + texte.size();
    while (debut != fin) {
        int id = 0;
        Origine o;
        if (!lireEntier(debut, fin, id, ':') || !lireEntier(debut, fin, o.tick, ':') ||
            !lireEntier(debut, fin, o.mere, ':') || !lireEntier(debut, fin, o.pere, ';')) {
            return false;
        }
        vivantes_[id] = o;
    }
    return true;
}

void ajouterEnTetePhylogenie(std::string& texte, std::size_t largeurGenes) {
    for (const Colonne& c : tablePhylogenie().colonnes) {
        const std::string_view nom = c.nom;
        if (nom == "father") continue;
        if (nom == "mother") {
            texte += "ancestor_list,";
        } else if (c.sorte == Sorte::genes) {
            for (std::size_t g = 0; g < largeurGenes; ++g)
                texte += nomAplati(c, g) + ',';
        } else {
            texte += std::string(nom) + ',';
        }
    }
    texte.back() = '\n';
}

void ajouterLignesPhylogenie(std::string& texte, const Rangees& rangees) {
    const Table& table = *rangees.table;
    const Colonne& pere = table.colonne("father");
    char nombre[16];
    const auto entier = [&texte, &nombre](std::int32_t valeur) {
        texte.append(nombre, std::to_chars(nombre, nombre + sizeof nombre, valeur).ptr);
    };
    for (std::size_t i = 0; i < rangees.nombre; ++i) {
        for (const Colonne& c : table.colonnes) {
            if (&c == &pere) continue;
            const std::string_view nom = c.nom;
            if (c.sorte == Sorte::genes) {
                for (std::size_t g = 0; g < rangees.largeurGenes; ++g) {
                    entier(rangees.genes[i * rangees.largeurGenes + g]);
                    texte += ',';
                }
                continue;
            }
            const std::int32_t valeur = rangees.entier(i, c);
            if (c.sorte == Sorte::nom) {
                texte += c.noms[valeur].nom;
            } else if (nom == "mother") {
                const std::int32_t p = rangees.entier(i, pere);
                if (valeur < 0) {
                    texte += "[none]";
                } else if (p < 0) {
                    texte += '[';
                    entier(valeur);
                    texte += ']';
                } else {
                    texte += "\"[";
                    entier(valeur);
                    texte += ", ";
                    entier(p);
                    texte += "]\"";
                }
            } else if (valeur < 0) {
                texte += "none";
            } else {
                entier(valeur);
            }
            texte += ',';
        }
        texte.back() = '\n';
    }
}

} // namespace fiches

SortiePhylogenie::~SortiePhylogenie() { lacher(); }

// The world may outlive this output (Python's, a test's): it must not call it then.
void SortiePhylogenie::lacher() {
    C_AQUARIUM* monde = C_AQUARIUM::getAquarium();
    if (monde != nullptr && monde->getObservateur() == &lignee_) monde->setObservateur(nullptr);
}

void SortiePhylogenie::reprendreA(const std::string& position) {
    repris_ = true;
    const std::size_t separation = position.find(fiches::kAvantVivantes);
    if (separation == std::string::npos ||
        !lignee_.lire(std::string_view(position).substr(separation + 1))) {
        refus_ = "the checkpoint's run kept no pedigree: resume without --phylogeny, or start "
                 "the run again";
        return;
    }
    SortieFichier::reprendreA(position.substr(0, separation));
}

bool SortiePhylogenie::ouvrir() { return refus_.empty() && SortieFichier::ouvrir(); }

std::string SortiePhylogenie::erreur() const {
    return refus_.empty() ? SortieFichier::erreur() : refus_;
}

// A resumed run's world is already the checkpoint's; a new run's is seeded later.
bool SortiePhylogenie::preparer() {
    if (!SortieFichier::preparer()) return false;
    if (repris_) lignee_.suivre(*C_AQUARIUM::getAquarium());
    return true;
}

// Tick 0 seeds the founders, and a new run's world exists from then on.
bool SortiePhylogenie::ecrire(const Instant& instant) {
    lignes_.clear();
    if (instant.tick == 0) {
        lignee_.fonder(*C_AQUARIUM::getAquarium());
        fiches::ajouterEnTetePhylogenie(lignes_,
                                        static_cast<std::size_t>(instant.monde.getTailleGenome()));
    }
    fiches::ajouterLignesPhylogenie(lignes_, lignee_.mortes());
    lignee_.viderMortes();
    if (instant.dernier()) {
        if (!fichier().ecrire(lignes_)) return false;
        avantFin_ = fichier().position();
        vivantes_.vider(static_cast<std::size_t>(instant.monde.getTailleGenome()));
        lignee_.ajouterVivantes(instant.monde, vivantes_);
        lignes_.clear();
        fiches::ajouterLignesPhylogenie(lignes_, vivantes_);
        lacher();
    }
    return fichier().ecrire(lignes_);
}

std::string SortiePhylogenie::position() const {
    return (avantFin_ ? *avantFin_ : fichier().position()).texte() + fiches::kAvantVivantes +
           lignee_.texte();
}

void declarerPhylogenie(CLI::App& app, std::string& chemin) {
    app.add_option("--phylogeny", chemin,
                   "Write the pedigree to FILE (CSV in the ALife data standard, one row per "
                   "speedbrick that ever lived)")
        ->type_name("FILE");
}

std::unique_ptr<SortiePhylogenie> sortiePhylogenie(const std::string& chemin) {
    if (chemin.empty()) return nullptr;
    return std::make_unique<SortiePhylogenie>(chemin);
}
