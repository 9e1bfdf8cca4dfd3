#include "TraceHdf5.h"

#include "C_ANNEAU.h"
#include "C_AQUARIUM.h"
#include "C_CUTIT.h"
#include "C_SPEEDBRICK.h"
#include "FormatHdf5.h"
#include "OptionsMonde.h"
#include "SortiesLot.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace traceHdf5;

namespace {

// A chunk of a few hundred kilobytes: large enough for deflate, small enough for the default
// chunk cache, which then keeps the chunk being filled in memory.
constexpr hsize_t kRangeesParMorceau = 8192;
constexpr hsize_t kTicksParMorceau = 1024;
// Level 4 saved a tenth of the size for a quarter more time with a dump every tick.
constexpr unsigned kNiveauDeflate = 1;
// Chunks handed to the writer and not yet written, at most.
constexpr std::size_t kEnvoisMax = 4;

void remplirCorps(Corps& c, int tick, const C_ORGANISME& o) {
    c.tick = tick;
    c.id = o.getId();
    const float pos[] = {o.getPosX(), o.getPosY(), o.getPosZ()};
    const float vel[] = {o.getVelX(), o.getVelY(), o.getVelZ()};
    for (int axe = 0; axe < 3; ++axe) {
        c.pos[axe] = pos[axe];
        c.vel[axe] = vel[axe];
        c.turning[axe] = o.getRetournementEnCours(axe) ? 1 : 0;
        c.remaining[axe] = o.getRetournementRestant(axe);
    }
}

bool ecrireAttributTexte(hid_t objet, const char* nom, const std::string& valeur) {
    const hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, H5T_VARIABLE);
    H5Tset_cset(type, H5T_CSET_UTF8);
    const hid_t espace = H5Screate(H5S_SCALAR);
    const hid_t attribut = H5Acreate2(objet, nom, type, espace, H5P_DEFAULT, H5P_DEFAULT);
    const char* texte = valeur.c_str();
    const bool ecrit = attribut >= 0 && H5Awrite(attribut, type, &texte) >= 0;
    if (attribut >= 0) H5Aclose(attribut);
    H5Sclose(espace);
    H5Tclose(type);
    return ecrit;
}

template <typename T>
bool ecrireAttributNombre(hid_t objet, const char* nom, hid_t type, T valeur) {
    const hid_t espace = H5Screate(H5S_SCALAR);
    const hid_t attribut = H5Acreate2(objet, nom, type, espace, H5P_DEFAULT, H5P_DEFAULT);
    const bool ecrit = attribut >= 0 && H5Awrite(attribut, type, &valeur) >= 0;
    if (attribut >= 0) H5Aclose(attribut);
    H5Sclose(espace);
    return ecrit;
}

herr_t copierAttribut(hid_t source, const char* nom, const H5A_info_t*, void* destination) {
    const hid_t attribut = H5Aopen(source, nom, H5P_DEFAULT);
    if (attribut < 0) return -1;
    const hid_t type = H5Aget_type(attribut);
    const hid_t espace = H5Aget_space(attribut);
    std::vector<unsigned char> valeur(
        H5Tget_size(type) * static_cast<std::size_t>(H5Sget_simple_extent_npoints(espace)));
    herr_t statut = H5Aread(attribut, type, valeur.data());
    if (statut >= 0) {
        const hid_t copie = H5Acreate2(*static_cast<hid_t*>(destination), nom, type, espace,
                                       H5P_DEFAULT, H5P_DEFAULT);
        statut = copie >= 0 ? H5Awrite(copie, type, valeur.data()) : -1;
        if (copie >= 0) H5Aclose(copie);
        if (H5Tis_variable_str(type) > 0) H5Dvlen_reclaim(type, espace, H5P_DEFAULT, valeur.data());
    }
    H5Sclose(espace);
    H5Tclose(type);
    H5Aclose(attribut);
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

SortieTraceHdf5::SortieTraceHdf5(std::string chemin, int periode)
    : chemin_(std::move(chemin)), temporaire_(chemin_ + ".tmp"), periode_(periode) {
    // Failures are reported through erreur(), once, not printed by the library as they happen.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    ticks_.tailleRangee = sizeof(RangeeTick);
    speedbricks_.tailleRangee = sizeof(RangeeSpeedbrick);
    anneaux_.tailleRangee = sizeof(RangeeAnneau);
    cutits_.tailleRangee = sizeof(Corps);
    ticks_.type = typeTick();
    speedbricks_.type = typeSpeedbrick();
    anneaux_.type = typeAnneau();
    cutits_.type = typeCutit();
    genomes_.type = H5Tcopy(H5T_NATIVE_INT32);
}

SortieTraceHdf5::~SortieTraceHdf5() {
    fermerTout();
    for (TableHdf5* t : {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_})
        H5Tclose(t->type);
}

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
    const hid_t acces = accesRecent();
    const hid_t fichier = H5Fopen(chemin_.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces);
    H5Pclose(acces);
    if (fichier < 0) return echouer("cannot read the trace");
    const std::string refus = "'" + chemin_ + "' is not what the checkpoint recorded: ";
    int format = 0;
    unsigned graine = 0;
    std::string raison;
    if (!lireAttributNombre(fichier, "format", H5T_NATIVE_INT, format) || format != kFormat ||
        !lireAttributNombre(fichier, "seed", H5T_NATIVE_UINT, graine)) {
        raison = "not a trace of this program's format " + std::to_string(kFormat);
    } else if (graine != reprise_->graine) {
        raison = "the trace of seed " + std::to_string(graine);
    }
    const std::uint64_t attendues[] = {reprise_->ticks, reprise_->speedbricks,
                                       reprise_->speedbricks, reprise_->anneaux, reprise_->cutits};
    for (std::size_t i = 0; i < 5 && raison.empty(); ++i) {
        const hid_t dataset = H5Dopen2(fichier, kTables[i], H5P_DEFAULT);
        hsize_t dimensions[2] = {0, 0};
        if (dataset < 0) {
            raison = std::string("no table '") + kTables[i] + "'";
        } else {
            const hid_t espace = H5Dget_space(dataset);
            H5Sget_simple_extent_dims(espace, dimensions, nullptr);
            H5Sclose(espace);
            if (dimensions[0] < attendues[i]) {
                raison = std::string("fewer rows in '") + kTables[i] + "' than the " +
                         std::to_string(attendues[i]) + " recorded";
            } else if (i == 0 && attendues[0] > 0) {
                RangeeTick derniere = {};
                const hid_t fichierEspace = H5Dget_space(dataset);
                const hsize_t debut = attendues[0] - 1;
                const hsize_t un = 1;
                H5Sselect_hyperslab(fichierEspace, H5S_SELECT_SET, &debut, nullptr, &un, nullptr);
                const hid_t memoire = H5Screate_simple(1, &un, nullptr);
                if (H5Dread(dataset, ticks_.type, memoire, fichierEspace, H5P_DEFAULT, &derniere) <
                        0 ||
                    derniere.tick != reprise_->dernierTick) {
                    raison = "its tick " + std::to_string(reprise_->dernierTick) + " missing";
                }
                H5Sclose(memoire);
                H5Sclose(fichierEspace);
            }
            H5Dclose(dataset);
        }
    }
    H5Fclose(fichier);
    H5Eclear2(H5E_DEFAULT);
    if (raison.empty()) return true;
    erreur_ = refus + raison;
    return false;
}

// A fresh file is made here; a trace taken up is copied up to where the checkpoint recorded it,
// beside its place, then renamed onto it.
bool SortieTraceHdf5::preparer() {
    if (reprise_) return copierJusquA(*reprise_);
    const hid_t acces = accesRecent();
    fichier_ = H5Fcreate(chemin_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, acces);
    H5Pclose(acces);
    return fichier_ >= 0 || echouer("cannot create");
}

bool SortieTraceHdf5::copierJusquA(const PositionHdf5& position) {
    hid_t acces = accesRecent();
    const hid_t source = H5Fopen(chemin_.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces);
    fichier_ = source >= 0 ? H5Fcreate(temporaire_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, acces) : -1;
    H5Pclose(acces);
    bool copie = fichier_ >= 0;
    if (copie) {
        hid_t destination = fichier_;
        copie = H5Aiterate2(source, H5_INDEX_NAME, H5_ITER_NATIVE, nullptr, copierAttribut,
                            &destination) >= 0;
    }
    for (const char* nom : kTables) {
        if (copie) copie = H5Ocopy(source, nom, fichier_, nom, H5P_DEFAULT, H5P_DEFAULT) >= 0;
    }
    if (source >= 0) H5Fclose(source);
    if (!copie || !ouvrirTables(fichier_)) {
        echouer("cannot copy");
        fermerTout();
        ::unlink(temporaire_.c_str());
        return false;
    }
    const std::uint64_t rangees[] = {position.ticks, position.speedbricks, position.speedbricks,
                                     position.anneaux, position.cutits};
    TableHdf5* tables[] = {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_};
    for (std::size_t i = 0; i < 5; ++i) {
        const hsize_t dimensions[2] = {rangees[i], tables[i]->largeur};
        tables[i]->ecrites = rangees[i];
        if (copie) copie = H5Dset_extent(tables[i]->dataset, dimensions) >= 0;
    }
    if (!copie || ::rename(temporaire_.c_str(), chemin_.c_str()) != 0) {
        if (copie) {
            erreur_ = "cannot write '" + chemin_ + "': " + std::strerror(errno);
        } else {
            echouer("cannot cut back");
        }
        fermerTout();
        ::unlink(temporaire_.c_str());
        return false;
    }
    graine_ = position.graine;
    dernierTick_ = position.dernierTick;
    return demarrer();
}

bool SortieTraceHdf5::ouvrirTables(hid_t fichier) {
    TableHdf5* tables[] = {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_};
    for (std::size_t i = 0; i < 5; ++i) {
        tables[i]->dataset = H5Dopen2(fichier, kTables[i], H5P_DEFAULT);
        if (tables[i]->dataset < 0) return false;
    }
    const hid_t espace = H5Dget_space(genomes_.dataset);
    hsize_t dimensions[2] = {0, 0};
    H5Sget_simple_extent_dims(espace, dimensions, nullptr);
    H5Sclose(espace);
    genomes_.largeur = dimensions[1];
    genomes_.tailleRangee = sizeof(std::int32_t) * static_cast<std::size_t>(dimensions[1]);
    return true;
}

bool SortieTraceHdf5::creerTables(int tailleGenome) {
    genomes_.largeur = static_cast<hsize_t>(tailleGenome);
    genomes_.tailleRangee = sizeof(std::int32_t) * static_cast<std::size_t>(tailleGenome);
    TableHdf5* tables[] = {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_};
    for (std::size_t i = 0; i < 5; ++i) {
        TableHdf5& t = *tables[i];
        const int rang = t.largeur > 0 ? 2 : 1;
        const hsize_t dimensions[2] = {0, t.largeur};
        const hsize_t maximum[2] = {H5S_UNLIMITED, t.largeur};
        const hsize_t morceau[2] = {&t == &ticks_ ? kTicksParMorceau : kRangeesParMorceau,
                                    std::max<hsize_t>(t.largeur, 1)};
        const hid_t espace = H5Screate_simple(rang, dimensions, maximum);
        const hid_t creation = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_chunk(creation, rang, morceau);
        // Genes are small whole numbers: packed into the bits their chunk needs, they leave
        // deflate little to do. The records' bytes, shuffled, give deflate runs of alike bytes.
        if (&t == &genomes_) {
            H5Pset_scaleoffset(creation, H5Z_SO_INT, H5Z_SO_INT_MINBITS_DEFAULT);
        } else {
            H5Pset_shuffle(creation);
        }
        H5Pset_deflate(creation, kNiveauDeflate);
        // The rows as they lie in memory, padding included, which compresses to nothing:
        // converting each record to a packed type cost more than the simulation.
        t.dataset =
            H5Dcreate2(fichier_, kTables[i], t.type, espace, H5P_DEFAULT, creation, H5P_DEFAULT);
        H5Pclose(creation);
        H5Sclose(espace);
        if (t.dataset < 0) return false;
    }
    return true;
}

bool SortieTraceHdf5::ecrireAttributs(const Instant& instant) {
    const OptionsMonde& o = instant.options;
    graine_ = o.graine;
    return ecrireAttributNombre(fichier_, "format", H5T_NATIVE_INT, kFormat) &&
           ecrireAttributTexte(fichier_, "program", "aquarium-batch") &&
           ecrireAttributTexte(fichier_, "version", AQUARIUM_VERSION) &&
           ecrireAttributNombre(fichier_, "seed", H5T_NATIVE_UINT, o.graine) &&
           ecrireAttributTexte(fichier_, "settings", reglagesEnJson(o).dump()) &&
           ecrireAttributTexte(fichier_, "command", "aquarium-batch " + ligneDeCommande(o));
}

// From here on, every flush leaves a file that a reader, or a run taking it up after a crash,
// reads whole; no table nor attribute can be added any more.
bool SortieTraceHdf5::demarrer() {
    if (H5Fstart_swmr_write(fichier_) < 0) return echouer("cannot write");
    demarre_ = true;
    return true;
}

void SortieTraceHdf5::ajouter(TableHdf5& table, const void* rangee) {
    const auto* octets = static_cast<const unsigned char*>(rangee);
    table.attente.insert(table.attente.end(), octets, octets + table.tailleRangee);
}

bool SortieTraceHdf5::ecrireRangees(TableHdf5& table, hsize_t premiere, hsize_t nombre,
                                    const unsigned char* rangees) {
    const int rang = table.largeur > 0 ? 2 : 1;
    const hsize_t dimensions[2] = {premiere + nombre, table.largeur};
    const hsize_t debut[2] = {premiere, 0};
    const hsize_t taille[2] = {nombre, table.largeur};
    if (H5Dset_extent(table.dataset, dimensions) < 0) return false;
    const hid_t fichierEspace = H5Dget_space(table.dataset);
    const hid_t memoire = H5Screate_simple(rang, taille, nullptr);
    const bool ecrit =
        H5Sselect_hyperslab(fichierEspace, H5S_SELECT_SET, debut, nullptr, taille, nullptr) >= 0 &&
        H5Dwrite(table.dataset, table.type, memoire, fichierEspace, H5P_DEFAULT, rangees) >= 0;
    H5Sclose(memoire);
    H5Sclose(fichierEspace);
    return ecrit;
}

bool SortieTraceHdf5::vider(TableHdf5& table) {
    const hsize_t nombre = table.attente.size() / table.tailleRangee;
    if (nombre == 0) return true;
    if (!ecrireRangees(table, table.ecrites, nombre, table.attente.data())) return false;
    table.ecrites += nombre;
    table.attente.clear();
    return true;
}

// Whole chunks only, each compressed once; the rest waits for the next ones. A few chunks at
// most wait for the writer: the run slows down to its pace rather than fill the memory.
bool SortieTraceHdf5::envoyer(TableHdf5& table, hsize_t multiple) {
    const hsize_t enAttente = table.attente.size() / table.tailleRangee;
    const hsize_t nombre = enAttente - (table.ecrites + enAttente) % multiple;
    if (nombre == 0) return true;
    const auto fin =
        table.attente.begin() + static_cast<std::ptrdiff_t>(nombre * table.tailleRangee);
    Envoi envoi{&table, table.ecrites, nombre, {table.attente.begin(), fin}};
    table.attente.erase(table.attente.begin(), fin);
    table.ecrites += nombre;
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.size() < kEnvoisMax || !echecEcrivain_.empty(); });
    if (!echecEcrivain_.empty()) {
        erreur_ = "cannot write '" + chemin_ + "': " + echecEcrivain_;
        return false;
    }
    envois_.push_back(std::move(envoi));
    if (!ecrivain_.joinable()) ecrivain_ = std::thread([this] { ecrireEnvois(); });
    signal_.notify_all();
    return true;
}

void SortieTraceHdf5::ecrireEnvois() {
    // HDF5's error settings are each thread's: this one's failures too are reported once, by
    // erreur(), rather than printed by the library.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    std::unique_lock<std::mutex> verrou(verrou_);
    for (;;) {
        signal_.wait(verrou, [this] { return arret_ || !envois_.empty(); });
        if (envois_.empty()) return;
        Envoi envoi = std::move(envois_.front());
        envois_.pop_front();
        occupe_ = true;
        const bool echoue = !echecEcrivain_.empty();
        verrou.unlock();
        std::string raison;
        if (!echoue &&
            !ecrireRangees(*envoi.table, envoi.premiere, envoi.nombre, envoi.rangees.data())) {
            raison = raisonHdf5();
        }
        verrou.lock();
        occupe_ = false;
        if (!raison.empty()) echecEcrivain_ = raison;
        signal_.notify_all();
    }
}

bool SortieTraceHdf5::attendreEcrivain() {
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.empty() && !occupe_; });
    if (echecEcrivain_.empty()) return true;
    erreur_ = "cannot write '" + chemin_ + "': " + echecEcrivain_;
    return false;
}

void SortieTraceHdf5::arreterEcrivain() {
    {
        const std::lock_guard<std::mutex> verrou(verrou_);
        arret_ = true;
    }
    signal_.notify_all();
    if (ecrivain_.joinable()) ecrivain_.join();
}

PositionHdf5 SortieTraceHdf5::positionActuelle() const {
    return {graine_,           ticks_.rangees(), speedbricks_.rangees(), anneaux_.rangees(),
            cutits_.rangees(), dernierTick_};
}

std::string SortieTraceHdf5::position() const {
    return (avantFin_ ? *avantFin_ : positionActuelle()).texte();
}

// Tick 0 and the last tick always; the last once, even on a multiple of the period.
bool SortieTraceHdf5::ecrire(const Instant& instant) {
    const bool periodique = periode_ > 0 && instant.tick % periode_ == 0;
    if (instant.tick != 0 && !instant.dernier() && !periodique) return true;
    const C_AQUARIUM& monde = instant.monde;
    if (!demarre_) {
        if (!ecrireAttributs(instant) || !creerTables(monde.getTailleGenome()) || !demarrer()) {
            return echouer("cannot write");
        }
    }
    if (instant.tick != 0 && !periodique) avantFin_ = positionActuelle();

    RangeeTick t = {instant.tick,
                    monde.getCompteurOrganisme(),
                    static_cast<std::int64_t>(speedbricks_.rangees()),
                    static_cast<std::int32_t>(monde.speedbricks().size()),
                    static_cast<std::int64_t>(anneaux_.rangees()),
                    0,
                    static_cast<std::int64_t>(cutits_.rangees()),
                    static_cast<std::int32_t>(monde.cutits().size())};
    for (const C_SPEEDBRICK* s : monde.speedbricks()) {
        RangeeSpeedbrick r = {};
        remplirCorps(r.corps, instant.tick, *s);
        r.kind = static_cast<std::int8_t>(s->getGenre());
        r.age = s->getAge();
        r.sexe = static_cast<std::int32_t>(s->getSexe());
        r.invincible = s->getDureeInvincible();
        r.sterile = s->getDureeSteriliteRestante();
        r.nextRing = s->getAnneauADeplacer();
        r.rings = s->getNombreAnneaux();
        ajouter(speedbricks_, &r);
        const std::vector<int> genome = s->getCodeGenetique();
        if (genome.size() != genomes_.largeur) {
            erreur_ = "cannot write '" + chemin_ + "': a genome of " +
                      std::to_string(genome.size()) + " genes in a trace of " +
                      std::to_string(genomes_.largeur);
            return false;
        }
        for (int gene : genome) {
            const auto valeur = static_cast<std::int32_t>(gene);
            const auto* octets = reinterpret_cast<const unsigned char*>(&valeur);
            genomes_.attente.insert(genomes_.attente.end(), octets, octets + sizeof valeur);
        }
        for (const C_ANNEAU* a : s->anneaux()) {
            const RangeeAnneau anneau = {instant.tick,
                                         s->getId(),
                                         a->getIdAnneau(),
                                         {a->getPosX(), a->getPosY(), a->getPosZ()}};
            ajouter(anneaux_, &anneau);
            ++t.anneaux;
        }
    }
    for (const C_CUTIT* c : monde.cutits()) {
        Corps r = {};
        remplirCorps(r, instant.tick, *c);
        ajouter(cutits_, &r);
    }
    ajouter(ticks_, &t);
    dernierTick_ = instant.tick;
    for (TableHdf5* table : {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_}) {
        if (table->attente.size() / table->tailleRangee >= kRangeesParMorceau &&
            !envoyer(*table, table == &ticks_ ? kTicksParMorceau : kRangeesParMorceau)) {
            return false;
        }
    }
    return true;
}

// The writer idle, HDF5 is this thread's again.
bool SortieTraceHdf5::pousser() {
    if (!attendreEcrivain()) return false;
    for (TableHdf5* table : {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_}) {
        if (table->dataset >= 0 && !vider(*table)) return echouer("cannot write");
    }
    return H5Fflush(fichier_, H5F_SCOPE_GLOBAL) >= 0 || echouer("cannot write");
}

bool SortieTraceHdf5::fermer() {
    if (!pousser()) {
        fermerTout();
        return false;
    }
    for (TableHdf5* table : {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_}) {
        H5Dclose(std::exchange(table->dataset, -1));
    }
    const bool ferme = H5Fclose(std::exchange(fichier_, -1)) >= 0;
    return ferme || echouer("cannot write");
}

void SortieTraceHdf5::abandonner() {
    fermerTout();
    if (cree_) ::unlink(chemin_.c_str());
}

void SortieTraceHdf5::fermerTout() {
    arreterEcrivain();
    for (TableHdf5* table : {&ticks_, &speedbricks_, &genomes_, &anneaux_, &cutits_}) {
        if (table->dataset >= 0) H5Dclose(std::exchange(table->dataset, -1));
    }
    if (fichier_ >= 0) H5Fclose(std::exchange(fichier_, -1));
    H5Eclear2(H5E_DEFAULT);
}
