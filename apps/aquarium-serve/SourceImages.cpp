#include "SourceImages.h"

#include "Relecture.h"

#include <algorithm>
#include <utility>

void ImagesDirectes::publier(std::shared_ptr<const std::string> image,
                             std::shared_ptr<const Individus> individus,
                             const std::vector<std::int32_t>& historique) {
    historique_.insert(historique_.end(), historique.begin(), historique.end());
    image_ = std::move(image);
    individus_ = std::move(individus);
    ++numero_;
}

Envoi ImagesDirectes::envoi(std::int32_t, std::uint64_t& eue) {
    if (!image_ || eue == numero_) return {};
    eue = numero_;
    return {image_, individus_, {}};
}

bool ImagesRelues::accepte(std::int32_t demande) const {
    return demande >= kDerniereImage && demande < static_cast<std::int64_t>(trace_.lignes());
}

Envoi ImagesRelues::envoi(std::int32_t demande, std::uint64_t&) {
    const auto ligne = static_cast<std::size_t>(std::max(demande, 0));
    if (ligneLue_ == ligne) return {imageLue_, tampon_.individus, {}};
    std::string erreur;
    if (!trace_.lire(ligne, tampon_, erreur)) {
        signaler_("--replay: " + erreur);
        return {nullptr, nullptr, "closed: the trace can no longer be read"};
    }
    imageLue_ = std::make_shared<const std::string>(
        encoderImage(tampon_, nullptr, -1.0f, static_cast<int>(ligne),
                     static_cast<int>(trace_.lignes()), false));
    ligneLue_ = ligne;
    return {imageLue_, tampon_.individus, {}};
}

const std::vector<std::int32_t>& ImagesRelues::historique() const { return trace_.historique(); }
