#pragma once

#include "Image.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
    /// The picture's world (MOT_MONDE): the page's chart starts again with another.
    int monde = 0;
};

/// What a live run hands the pages at once: its latest picture and what the pages gather of
/// the ticks since the one published before.
struct Publication {
    /// encoderImage's.
    std::shared_ptr<const std::string> image;
    std::shared_ptr<const Individus> individus;
    /// The chart's rows since the picture before.
    std::vector<std::int32_t> historique;
    /// The statistics' lines since the picture before, as --stats writes them; the world's
    /// first publication starts with the header.
    std::string statistiques;
    int monde = 0;
    int tick = 0;
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

/// A live run's pictures: only ever the latest one, each page getting it once. Another world's
/// first picture starts the chart and the statistics again.
class ImagesDirectes : public SourceImages {
public:
    void publier(Publication publication);

    bool accepte(std::int32_t demande) const override { return demande == kDerniereImage; }
    Envoi envoi(std::int32_t demande, std::uint64_t& eue) override;
    const std::vector<std::int32_t>& historique() const override { return historique_; }
    /// The world's statistics up to `tick` included, header first, as --stats writes them;
    /// none for a tick not published yet, or before the first the world made.
    std::optional<std::string_view> statistiques(long long tick) const;
    /// The latest picture's tick.
    int dernierTick() const { return tick_; }

private:
    std::shared_ptr<const std::string> image_;
    std::shared_ptr<const Individus> individus_;
    /// The latest picture's number, from 1.
    std::uint64_t numero_ = 0;
    int monde_ = 0;
    int tick_ = 0;
    std::vector<std::int32_t> historique_;
    std::string statistiques_;
    /// Where each line of the statistics ends, the header's first: the last is tick_'s.
    std::vector<std::size_t> finsLignes_;
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
