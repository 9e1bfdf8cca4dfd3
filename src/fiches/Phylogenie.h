#pragma once

#include "C_AQUARIUM.h"
#include "Fiches.h"
#include "SortieFichier.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

/// The pedigree of a run in the ALife data standard's CSV: one row per speedbrick that ever
/// lived, written as each dies, the living at the run's end.
namespace fiches {

/// The pedigree as the world makes it: the origin of each living speedbrick, and the rows of
/// those that died since they were last taken.
class Lignee : public ObservateurLignee {
public:
    /// Every speedbrick of the world becomes a founder, appeared at the world's tick; the world
    /// tells this from now on.
    void fonder(C_AQUARIUM& monde);
    /// The world tells this from now on, with the living origins as they stand.
    void suivre(C_AQUARIUM& monde);
    void noter(const Filiation& filiation) override;

    /// The origin of living speedbrick `id`; nullptr for one it does not know.
    const Origine* origine(int id) const {
        const auto o = vivantes_.find(id);
        return o == vivantes_.end() ? nullptr : &o->second;
    }
    /// The rows of the speedbricks dead since the last call of vider().
    const Rangees& mortes() const { return mortes_; }
    void viderMortes() { mortes_.vider(mortes_.largeurGenes); }
    /// Appends the rows of the world's living speedbricks, in registry order.
    void ajouterVivantes(const C_AQUARIUM& monde, Rangees& rangees) const;

    /// The living origins as one line of text; lire() takes it back, false for anything else.
    std::string texte() const;
    bool lire(std::string_view texte);

private:
    std::unordered_map<int, Origine> vivantes_;
    Rangees mortes_{tablePhylogenie()};
};

/// Appends the CSV's header, for genomes of `largeurGenes` genes.
void ajouterEnTetePhylogenie(std::string& texte, std::size_t largeurGenes);
/// Appends one CSV line per row: the ancestors as the standard's ancestor_list ("[none]",
/// "[parent]", "[mother, father]"), a living speedbrick's destruction_time as none.
void ajouterLignesPhylogenie(std::string& texte, const Rangees& rangees);

} // namespace fiches

/// --phylogeny: the pedigree's CSV. A checkpoint records, beside the file's position, the
/// origin of every living speedbrick, which the rows still to come need; a resumed run whose
/// checkpoint recorded none (its run kept no pedigree) is refused.
class SortiePhylogenie : public SortieFichier {
public:
    explicit SortiePhylogenie(std::string chemin)
        : SortieFichier("--phylogeny", std::move(chemin)) {}
    ~SortiePhylogenie() override;
    SortiePhylogenie(const SortiePhylogenie&) = delete;
    SortiePhylogenie& operator=(const SortiePhylogenie&) = delete;

    bool ouvrir() override;
    bool preparer() override;
    bool ecrire(const Instant& instant) override;
    std::string erreur() const override;
    /// Before the living's rows when the run's end wrote them: a longer run goes on without
    /// them.
    std::string position() const override;
    void reprendreA(const std::string& position) override;
    const fiches::Lignee& lignee() const { return lignee_; }

private:
    void lacher();

    fiches::Lignee lignee_;
    bool repris_ = false;
    std::string refus_;
    std::optional<PositionFichier> avantFin_;
    fiches::Rangees vivantes_{fiches::tablePhylogenie()};
    std::string lignes_;
};

/// Declares --phylogeny FILE, the same for every program that writes it.
void declarerPhylogenie(CLI::App& app, std::string& chemin);
/// The output --phylogeny asks for, null when it was not given.
std::unique_ptr<SortiePhylogenie> sortiePhylogenie(const std::string& chemin);
