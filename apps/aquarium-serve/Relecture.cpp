#include "Relecture.h"

#include "Traces.h"

namespace {

class TraceRelue : public LecteurTrace {
public:
    explicit TraceRelue(std::unique_ptr<fiches::LecteurReleves> lecteur)
        : lecteur_(std::move(lecteur)) {
        const std::vector<int>& ticks = lecteur_->ticks();
        for (std::size_t i = 0; i < ticks.size(); ++i)
            ajouterHistorique(historique_, ticks[i], lecteur_->recensements()[i]);
    }

    std::size_t lignes() const override { return lecteur_->ticks().size(); }
    const std::vector<std::int32_t>& historique() const override { return historique_; }

    bool lire(std::size_t ligne, Image& image, std::string& erreur) override {
        if (!lecteur_->lire(ligne, releve_, erreur)) return false;
        if (!image.prendre(releve_)) {
            erreur = "the trace changed since it was opened: a speedbrick of unknown kind or sex";
            return false;
        }
        image.taille = lecteur_->cuve();
        return true;
    }

private:
    std::unique_ptr<fiches::LecteurReleves> lecteur_;
    std::vector<std::int32_t> historique_;
    fiches::Releve releve_;
};

} // namespace

std::unique_ptr<LecteurTrace> ouvrirTrace(const std::string& chemin, std::string& erreur) {
    std::unique_ptr<fiches::LecteurReleves> lecteur = fiches::ouvrirReleves(chemin, erreur);
    if (!lecteur) return nullptr;
    return std::make_unique<TraceRelue>(std::move(lecteur));
}
