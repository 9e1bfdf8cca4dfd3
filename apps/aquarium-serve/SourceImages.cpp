#include "SourceImages.h"

#include "Relecture.h"

#include <algorithm>
#include <utility>

void ImagesDirectes::publier(Publication publication) {
    if (publication.monde != monde_) {
        historique_.clear();
        statistiques_.clear();
        finsLignes_.clear();
        monde_ = publication.monde;
    }
    historique_.insert(historique_.end(), publication.historique.begin(),
                       publication.historique.end());
    for (std::size_t fin = publication.statistiques.find('\n'); fin != std::string::npos;
         fin = publication.statistiques.find('\n', fin + 1)) {
        finsLignes_.push_back(statistiques_.size() + fin + 1);
    }
    statistiques_ += publication.statistiques;
    image_ = std::move(publication.image);
    individus_ = std::move(publication.individus);
    tick_ = publication.tick;
    ++numero_;
}

Envoi ImagesDirectes::envoi(std::int32_t, std::uint64_t& eue) {
    if (!image_ || eue == numero_) return {};
    eue = numero_;
    return {image_, individus_, {}, monde_};
}

// The lines after the header are the ticks' up to tick_, one each: a resumed run's start later
// than tick 1, and the tick before its first is the header's alone.
std::optional<std::string_view> ImagesDirectes::statistiques(long long tick) const {
    const long long ligne = tick - tick_ + static_cast<long long>(finsLignes_.size()) - 1;
    if (tick > tick_ || ligne < 0) return std::nullopt;
    return std::string_view(statistiques_).substr(0, finsLignes_[static_cast<std::size_t>(ligne)]);
}

bool ImagesRelues::accepte(std::int32_t demande) const {
    return demande >= kDerniereImage && demande < static_cast<std::int64_t>(trace_.lignes());
}

Envoi ImagesRelues::envoi(std::int32_t demande, std::uint64_t&) {
    const auto ligne = static_cast<std::size_t>(std::max(demande, 0));
    if (ligneLue_ == ligne) return {imageLue_, tampon_.individus, {}, 0};
    std::string erreur;
    if (!trace_.lire(ligne, tampon_, erreur)) {
        signaler_("--replay: " + erreur);
        return {nullptr, nullptr, "closed: the trace can no longer be read"};
    }
    imageLue_ = std::make_shared<const std::string>(
        encoderImage(tampon_, nullptr, -1.0f, static_cast<int>(ligne),
                     static_cast<int>(trace_.lignes()), false));
    ligneLue_ = ligne;
    return {imageLue_, tampon_.individus, {}, 0};
}

const std::vector<std::int32_t>& ImagesRelues::historique() const { return trace_.historique(); }
