#include "EcritureHdf5.h"

#include "C_AQUARIUM.h"
#include "Hdf5.h"
#include "OptionsMonde.h"
#include "Provenance.h"
#include "Remplacement.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace fiches;
using namespace fiches::hdf5;

namespace {

// A chunk of a few hundred kilobytes: large enough for deflate, small enough for the default
// chunk cache, which then keeps the chunk being filled in memory.
constexpr hsize_t kRangeesParMorceau = 8192;
constexpr hsize_t kTicksParMorceau = 1024;

herr_t copierAttribut(hid_t source, const char* nom, const H5A_info_t*, void* destination) {
    const Poignee attribut(H5Aopen(source, nom, H5P_DEFAULT));
    if (!attribut) return -1;
    const Poignee type(H5Aget_type(attribut.get()));
    const Poignee espace(H5Aget_space(attribut.get()));
    std::vector<unsigned char> valeur(
        H5Tget_size(type.get()) *
        static_cast<std::size_t>(H5Sget_simple_extent_npoints(espace.get())));
    herr_t statut = H5Aread(attribut.get(), type.get(), valeur.data());
    if (statut < 0) return statut;
    const Poignee copie(H5Acreate2(*static_cast<hid_t*>(destination), nom, type.get(), espace.get(),
                                   H5P_DEFAULT, H5P_DEFAULT));
    statut = copie ? H5Awrite(copie.get(), type.get(), valeur.data()) : -1;
    if (H5Tis_variable_str(type.get()) > 0)
        H5Dvlen_reclaim(type.get(), espace.get(), H5P_DEFAULT, valeur.data());
    return statut;
}

} // namespace

std::string PositionHdf5::texte() const {
    std::ostringstream flux;
    flux << "hdf5 " << graine << ' ' << ticks << ' ' << speedbricks << ' ' << anneaux << ' '
         << cutits << ' ' << dernierTick;
    return flux.str();
}

std::optional<PositionHdf5> PositionHdf5::lire(const std::string& texte) {
    std::istringstream flux(texte);
    std::string sorte;
    PositionHdf5 p;
    flux >> sorte >> p.graine >> p.ticks >> p.speedbricks >> p.anneaux >> p.cutits >> p.dernierTick;
    if (!flux || sorte != "hdf5" || !(flux >> std::ws).eof()) return std::nullopt;
    return p;
}

std::array<std::uint64_t, 5> PositionHdf5::rangees() const {
    return {ticks, speedbricks, anneaux, cutits, speedbricks};
}

SortieTraceHdf5::SortieTraceHdf5(std::string chemin, int periode)
    : chemin_(std::move(chemin)), temporaire_(temporaireDe(chemin_)), periode_(periode) {
    // Failures are reported through erreur(), once, not printed by the library as they happen.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    index() = {kTicks, -1, hdf5::typeTick(), 0, sizeof(RangeeTick), kTicksParMorceau, 0, {}};
    for (std::size_t i = 0; i < tables().size(); ++i) {
        const Table& t = *tables()[i];
        tables_[1 + i] = {t.nom, -1, typeTable(t), 0, t.taille, kRangeesParMorceau, 0, {}};
    }
    genomes() = {
        hdf5::kGenomes, -1, Poignee(H5Tcopy(H5T_NATIVE_INT32)), 0, 0, kRangeesParMorceau, 0, {}};
    for (TableHdf5& t : tables_)
        t.tailleElement = H5Tget_size(t.type.get());
}

SortieTraceHdf5::~SortieTraceHdf5() { fermerTout(); }

bool SortieTraceHdf5::echouer(const std::string& action) {
    erreur_ = action + " '" + chemin_ + "': " + raisonHdf5();
    return false;
}

void SortieTraceHdf5::reprendreA(const std::string& position) {
    if (position.empty()) return;
    reprise_ = PositionHdf5::lire(position);
    autreSorte_ = !reprise_;
}

// Nothing is destroyed here: a fresh file is only tried, an old one only read.
bool SortieTraceHdf5::ouvrir() {
    if (autreSorte_) {
        erreur_ = "the checkpoint's run wrote another kind of file under this option";
        return false;
    }
    struct stat etat = {};
    const bool existe = ::stat(chemin_.c_str(), &etat) == 0;
    if (existe && !S_ISREG(etat.st_mode)) {
        erreur_ = "'" + chemin_ + "' is not a regular file";
        return false;
    }
    // Written afresh: nothing of the run before it is there to go on from.
    if (reprise_ && (!existe || etat.st_size == 0)) reprise_.reset();
    if (reprise_) return verifierReprise();
    int fd = ::open(chemin_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    cree_ = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(chemin_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        erreur_ = "cannot open '" + chemin_ + "': " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    return true;
}

// Read in single-reader mode, which a file left by a crashed writer allows.
bool SortieTraceHdf5::verifierReprise() {
    const Poignee acces = accesRecent();
    const Poignee fichier(
        H5Fopen(chemin_.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces.get()));
    if (!fichier) return echouer("cannot read the trace");
    unsigned graine = 0;
    std::string raison = verifierFormat(fichier.get());
    if (raison.empty() && !lireAttributNombre(fichier.get(), "seed", H5T_NATIVE_UINT, graine)) {
        raison = "no 'seed' attribute";
    } else if (raison.empty() && graine != reprise_->graine) {
        raison = "the trace of seed " + std::to_string(graine);
    }
    if (raison.empty()) raison = verifierTables(fichier.get());
    H5Eclear2(H5E_DEFAULT);
    if (raison.empty()) return true;
    erreur_ = "'" + chemin_ + "' is not what the checkpoint recorded: " + raison;
    return false;
}

// Every table holds the rows the checkpoint recorded, and the index the last tick it recorded.
std::string SortieTraceHdf5::verifierTables(hid_t fichier) const {
    const std::array<std::uint64_t, 5> attendues = reprise_->rangees();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        const TableHdf5& t = tables_[i];
        const Poignee dataset(H5Dopen2(fichier, t.nom, H5P_DEFAULT));
        if (!dataset) return std::string("no table '") + t.nom + "'";
        hsize_t dimensions[2] = {0, 0};
        H5Sget_simple_extent_dims(Poignee(H5Dget_space(dataset.get())).get(), dimensions, nullptr);
        if (dimensions[0] < attendues[i]) {
            return std::string("fewer rows in '") + t.nom + "' than the " +
                   std::to_string(attendues[i]) + " recorded";
        }
        RangeeTick derniere = {};
        if (&t == &tables_.front() && attendues[i] > 0 &&
            (!lireRangees(dataset.get(), t.type.get(), attendues[i] - 1, 1, 0, &derniere) ||
             derniere.tick != reprise_->dernierTick)) {
            return "its tick " + std::to_string(reprise_->dernierTick) + " missing";
        }
    }
    return {};
}

// A fresh file is made here; a trace taken up is copied up to where the checkpoint recorded it,
// beside its place, then renamed onto it.
bool SortieTraceHdf5::preparer() {
    if (reprise_) return copierJusquA(*reprise_);
    fichier_ = H5Fcreate(chemin_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, accesRecent().get());
    return fichier_ >= 0 || echouer("cannot create");
}

bool SortieTraceHdf5::copierJusquA(const PositionHdf5& position) {
    const Poignee acces = accesRecent();
    const Poignee source(H5Fopen(chemin_.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces.get()));
    fichier_ =
        source ? H5Fcreate(temporaire_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, acces.get()) : -1;
    bool copie = fichier_ >= 0;
    if (copie) {
        hid_t destination = fichier_;
        copie = H5Aiterate2(source.get(), H5_INDEX_NAME, H5_ITER_NATIVE, nullptr, copierAttribut,
                            &destination) >= 0;
    }
    for (const TableHdf5& t : tables_) {
        if (copie)
            copie = H5Ocopy(source.get(), t.nom, fichier_, t.nom, H5P_DEFAULT, H5P_DEFAULT) >= 0;
    }
    if (!copie || !ouvrirTables(fichier_)) {
        echouer("cannot copy");
        fermerTout();
        ::unlink(temporaire_.c_str());
        return false;
    }
    const std::array<std::uint64_t, 5> rangees = position.rangees();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        const hsize_t dimensions[2] = {rangees[i], tables_[i].largeur};
        tables_[i].ecrites = rangees[i];
        if (copie) copie = H5Dset_extent(tables_[i].dataset, dimensions) >= 0;
    }
    // HDF5's buffers reach the file before the file reaches the disk and takes the trace's
    // place.
    if (copie) copie = H5Fflush(fichier_, H5F_SCOPE_GLOBAL) >= 0;
    if (!copie) {
        echouer("cannot cut back");
        fermerTout();
        ::unlink(temporaire_.c_str());
        return false;
    }
    if (!installerTemporaire(chemin_, erreur_)) {
        fermerTout();
        return false;
    }
    graine_ = position.graine;
    dernierTick_ = position.dernierTick;
    return demarrer();
}

bool SortieTraceHdf5::ouvrirTables(hid_t fichier) {
    for (TableHdf5& t : tables_) {
        t.dataset = H5Dopen2(fichier, t.nom, H5P_DEFAULT);
        if (t.dataset < 0) return false;
    }
    hsize_t dimensions[2] = {0, 0};
    H5Sget_simple_extent_dims(Poignee(H5Dget_space(genomes().dataset)).get(), dimensions, nullptr);
    genomes().largeur = dimensions[1];
    genomes().tailleRangee = sizeof(std::int32_t) * static_cast<std::size_t>(dimensions[1]);
    for (TableHdf5& t : tables_)
        t.direct = filtresDirects(t.dataset, t.parMorceau);
    return true;
}

bool SortieTraceHdf5::creerTables(int tailleGenome) {
    genomes().largeur = static_cast<hsize_t>(tailleGenome);
    genomes().tailleRangee = sizeof(std::int32_t) * static_cast<std::size_t>(tailleGenome);
    for (TableHdf5& t : tables_) {
        const int rang = t.largeur > 0 ? 2 : 1;
        const hsize_t dimensions[2] = {0, t.largeur};
        const hsize_t maximum[2] = {H5S_UNLIMITED, t.largeur};
        const hsize_t morceau[2] = {t.parMorceau, std::max<hsize_t>(t.largeur, 1)};
        const Poignee espace(H5Screate_simple(rang, dimensions, maximum));
        const Poignee creation(H5Pcreate(H5P_DATASET_CREATE));
        H5Pset_chunk(creation.get(), rang, morceau);
        // Shuffled, the bytes of a column come together and give deflate runs of alike bytes:
        // the genes' high bytes, all zero, cost as little as packing them to their bits did.
        // Both filters are HDF5's own, which every reader has; the writers apply them.
        H5Pset_shuffle(creation.get());
        H5Pset_deflate(creation.get(), kNiveauDeflate);
        // The rows as they lie in memory, padding included, which compresses to nothing:
        // converting each record to a packed type cost more than the simulation.
        t.dataset = H5Dcreate2(fichier_, t.nom, t.type.get(), espace.get(), H5P_DEFAULT,
                               creation.get(), H5P_DEFAULT);
        if (t.dataset < 0) return false;
        t.direct = true;
    }
    return true;
}

bool SortieTraceHdf5::ecrireAttributs(const Instant& instant) {
    const Provenance p = provenance(instant.programme, instant.options);
    graine_ = p.graine;
    return ecrireAttributNombre(fichier_, "format", H5T_NATIVE_INT, kFormat) &&
           ecrireAttributTexte(fichier_, "program", p.programme) &&
           ecrireAttributTexte(fichier_, "version", p.version) &&
           ecrireAttributNombre(fichier_, "seed", H5T_NATIVE_UINT, p.graine) &&
           ecrireAttributTexte(fichier_, "settings", p.reglages.dump()) &&
           ecrireAttributTexte(fichier_, "command", p.commande);
}

// From here on, every flush leaves a file that a reader, or a run taking it up after a crash,
// reads whole; no table nor attribute can be added any more.
bool SortieTraceHdf5::demarrer() {
    if (H5Fstart_swmr_write(fichier_) < 0) return echouer("cannot write");
    demarre_ = true;
    return true;
}

PositionHdf5 SortieTraceHdf5::positionActuelle() const {
    return {graine_,
            tables_[0].rangees(),
            tables_[1].rangees(),
            tables_[2].rangees(),
            tables_[3].rangees(),
            dernierTick_};
}

std::string SortieTraceHdf5::position() const {
    return (avantFin_ ? *avantFin_ : positionActuelle()).texte();
}

// Tick 0 and the last tick always; the last once, even on a multiple of the period.
bool SortieTraceHdf5::ecrire(const Instant& instant) {
    const bool periodique = periode_ > 0 && instant.tick % periode_ == 0;
    if (instant.tick != 0 && !instant.dernier() && !periodique) return true;
    if (!demarre_ && (!ecrireAttributs(instant) || !creerTables(instant.monde.getTailleGenome()) ||
                      !demarrer())) {
        return echouer("cannot write");
    }
    if (instant.tick != 0 && !periodique) avantFin_ = positionActuelle();
    relever(instant.monde, releve_);
    if (!ajouterTick(releve_)) return false;
    // A table's whole chunks go once a records table's worth waits: the index's, small, with
    // the others' rather than each on its own.
    for (TableHdf5& t : tables_) {
        std::string raison;
        if (t.attente.size() / t.tailleRangee >= kRangeesParMorceau &&
            !ecrivain_.envoyer(t, raison)) {
            erreur_ = "cannot write '" + chemin_ + "': " + raison;
            return false;
        }
    }
    return true;
}

// The tick's rows go to their tables as they lie, its genes to theirs, and its row to the index.
bool SortieTraceHdf5::ajouterTick(const Releve& releve) {
    const Rangees& s = releve.speedbricks;
    if (s.largeurGenes != genomes().largeur) {
        erreur_ = "cannot write '" + chemin_ + "': a genome of " + std::to_string(s.largeurGenes) +
                  " genes in a trace of " + std::to_string(genomes().largeur);
        return false;
    }
    RangeeTick t = {releve.tick, releve.compteurOrganisme, 0, 0, 0, 0, 0, 0};
    const std::array<const Rangees*, 3> toutes = releve.toutes();
    for (std::size_t i = 0; i < toutes.size(); ++i) {
        TableHdf5& table = tables_[1 + i];
        t.*kPlaces[i].premiere = static_cast<std::int64_t>(table.rangees());
        t.*kPlaces[i].nombre = static_cast<std::int32_t>(toutes[i]->nombre);
        table.ajouter(toutes[i]->octets.data(), toutes[i]->octets.size());
    }
    genomes().ajouter(s.genes.data(), s.genes.size() * sizeof(std::int32_t));
    index().ajouter(&t, sizeof t);
    dernierTick_ = releve.tick;
    return true;
}

// The writer idle, HDF5 is this thread's again.
bool SortieTraceHdf5::pousser() {
    std::string raison;
    if (!ecrivain_.attendre(raison)) {
        erreur_ = "cannot write '" + chemin_ + "': " + raison;
        return false;
    }
    for (TableHdf5& t : tables_) {
        const hsize_t nombre = t.attente.size() / t.tailleRangee;
        if (t.dataset < 0 || nombre == 0) continue;
        if (!t.ecrire(t.ecrites, nombre, t.attente.data())) return echouer("cannot write");
        t.ecrites += nombre;
        t.attente.clear();
    }
    return H5Fflush(fichier_, H5F_SCOPE_GLOBAL) >= 0 || echouer("cannot write");
}

bool SortieTraceHdf5::fermer() {
    if (!pousser()) {
        fermerTout();
        return false;
    }
    for (TableHdf5& t : tables_)
        H5Dclose(std::exchange(t.dataset, -1));
    const bool ferme = H5Fclose(std::exchange(fichier_, -1)) >= 0;
    return ferme || echouer("cannot write");
}

void SortieTraceHdf5::abandonner() {
    fermerTout();
    if (cree_) ::unlink(chemin_.c_str());
}

void SortieTraceHdf5::fermerTout() {
    ecrivain_.arreter();
    for (TableHdf5& t : tables_) {
        if (t.dataset >= 0) H5Dclose(std::exchange(t.dataset, -1));
    }
    if (fichier_ >= 0) H5Fclose(std::exchange(fichier_, -1));
    H5Eclear2(H5E_DEFAULT);
}
