#pragma once

#include "Image.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class LecteurTrace;

/// A page's request for the latest picture; a replay's is then its first line.
inline constexpr std::int32_t kDerniereImage = -1;
/// The first word of a page's request to follow a creature, the second being its id (-1: none).
inline constexpr std::int32_t kSuivre = -2;

/// What a page that asked for a picture is sent.
struct Envoi {
    /// Nothing while the page has had the latest picture.
    std::shared_ptr<const std::string> image;
    /// Its speedbricks, for the creature the page follows.
    std::shared_ptr<const Individus> individus;
    /// Why the page can be served no more; empty while it can.
    std::string fin;
};

/// Where the pages' pictures come from: a live run, or a recorded one. Used on the server's
/// thread only.
class SourceImages {
public:
    virtual ~SourceImages() = default;
    /// Whether a page may ask for `demande` (kDerniereImage or a line of a replay).
    virtual bool accepte(std::int32_t demande) const = 0;
    /// The picture for a page that asked for `demande`, `eue` being the number of the last one
    /// it was sent (0: none), which this updates.
    virtual Envoi envoi(std::int32_t demande, std::uint64_t& eue) = 0;
    /// The population chart's rows so far, kColonnesHistorique integers each.
    virtual const std::vector<std::int32_t>& historique() const = 0;
};

/// A live run's pictures: only ever the latest one, each page getting it once.
class ImagesDirectes : public SourceImages {
public:
    /// The run's latest picture (encoderImage's), its speedbricks, and the chart's rows since
    /// the one before.
    void publier(std::shared_ptr<const std::string> image,
                 std::shared_ptr<const Individus> individus,
                 const std::vector<std::int32_t>& historique);

    bool accepte(std::int32_t demande) const override { return demande == kDerniereImage; }
    Envoi envoi(std::int32_t demande, std::uint64_t& eue) override;
    const std::vector<std::int32_t>& historique() const override { return historique_; }

private:
    std::shared_ptr<const std::string> image_;
    std::shared_ptr<const Individus> individus_;
    /// The latest picture's number, from 1.
    std::uint64_t numero_ = 0;
    std::vector<std::int32_t> historique_;
};

/// A recorded run's pictures: each page asks for the line it shows, every time.
class ImagesRelues : public SourceImages {
public:
    /// `signaler` says why the trace could not be read, once for each failed read.
    ImagesRelues(LecteurTrace& trace, std::function<void(const std::string&)> signaler)
        : trace_(trace), signaler_(std::move(signaler)) {}

    bool accepte(std::int32_t demande) const override;
    Envoi envoi(std::int32_t demande, std::uint64_t& eue) override;
    const std::vector<std::int32_t>& historique() const override;

private:
    LecteurTrace& trace_;
    std::function<void(const std::string&)> signaler_;
    /// The line last read, shared by the pages showing it.
    std::optional<std::size_t> ligneLue_;
    std::shared_ptr<const std::string> imageLue_;
    Image tampon_;
};
