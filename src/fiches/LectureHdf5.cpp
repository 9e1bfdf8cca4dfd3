#include "Hdf5.h"
#include "Traces.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>

namespace fiches {

namespace {

using namespace hdf5;

/// Reads of a block of the file's own structures before its checksum's failure is believed.
constexpr unsigned kEssaisLecture = 8;

/// The longest genome read.
constexpr hsize_t kGenesAuPlus = 64;

/// Rows read at once when a whole table is gone through: a few chunks of the writer's.
constexpr hsize_t kRangeesParLecture = 65536;

// The reasons are given once, by the caller, not printed by the library as they come. The
// setting is each thread's: the trace is opened by one thread, read by another.
void taireHdf5() { H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); }

/// One table of the trace as it is read: its rows converted to the table's own layout.
struct TableLue {
    const Table* table = nullptr;
    PlaceDansIndex place{};
    Poignee type;
    Poignee dataset;
    hsize_t rangees = 0;
};

// Every column of the table's type, of the same class (integer, float, enum), so that HDF5 can
// convert every row; a column the file has and the table not is left alone.
std::string colonneManquante(hid_t fichier, hid_t voulu) {
    for (int i = 0; i < H5Tget_nmembers(voulu); ++i) {
        char* nom = H5Tget_member_name(voulu, static_cast<unsigned>(i));
        const std::string colonne = nom;
        H5free_memory(nom);
        const int index = H5Tget_member_index(fichier, colonne.c_str());
        if (index < 0 || H5Tget_member_class(fichier, static_cast<unsigned>(index)) !=
                             H5Tget_member_class(voulu, static_cast<unsigned>(i))) {
            H5Eclear2(H5E_DEFAULT);
            return colonne;
        }
    }
    return {};
}

std::string ouvrirDataset(hid_t fichier, const char* nom, hid_t type, int rang, Poignee& dataset,
                          hsize_t& rangees) {
    const std::string table = std::string("the '") + nom + "' table";
    dataset = Poignee(H5Dopen2(fichier, nom, H5P_DEFAULT));
    if (!dataset) return "no '" + std::string(nom) + "' table in it";
    const Poignee espace(H5Dget_space(dataset.get()));
    const Poignee typeFichier(H5Dget_type(dataset.get()));
    hsize_t dimensions[2] = {0, 0};
    if (H5Sget_simple_extent_ndims(espace.get()) != rang ||
        H5Tget_class(typeFichier.get()) != H5Tget_class(type)) {
        return table + " is not a table of " + (rang == 1 ? "records" : "numbers");
    }
    H5Sget_simple_extent_dims(espace.get(), dimensions, nullptr);
    rangees = dimensions[0];
    if (rang == 2) return {};
    const std::string colonne = colonneManquante(typeFichier.get(), type);
    if (!colonne.empty()) return table + " has no column '" + colonne + "' of the right type";
    return {};
}

// The state trace of aquarium-batch in HDF5. Every row is read once at the opening, a block at
// a time, for the chart and to check the trace; a tick's rows are read again when asked for, so
// that a trace of any size is read in little memory.
class LectureHdf5 : public LecteurReleves {
public:
    bool ouvrir(const std::string& chemin, std::string& erreur) {
        taireHdf5();
        // Single-writer reading, which a trace still being written or left by a crash allows.
        // Such a reader reads again, waiting longer each time, a block whose checksum fails, in
        // case the writer is midway through it: by default for a minute or more on each block
        // of a damaged file. A few tries catch a writer's flush; the next opening catches more.
        const Poignee acces = accesRecent();
        H5Pset_metadata_read_attempts(acces.get(), kEssaisLecture);
        fichier_ =
            Poignee(H5Fopen(chemin.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces.get()));
        if (!fichier_) {
            erreur = "not an HDF5 file this program reads: " + raisonHdf5();
            return false;
        }
        erreur = lireEntete();
        if (erreur.empty()) erreur = lireIndex();
        if (erreur.empty()) erreur = parcourir();
        H5Eclear2(H5E_DEFAULT);
        return erreur.empty();
    }

    bool lire(std::size_t ligne, Releve& releve, std::string& erreur) override {
        taireHdf5();
        const RangeeTick& t = index_.at(ligne);
        std::string raison = lireTick(t, releve);
        H5Eclear2(H5E_DEFAULT);
        if (raison.empty()) return true;
        erreur =
            "the trace changed since it was opened: tick " + std::to_string(t.tick) + ": " + raison;
        return false;
    }

private:
    std::string lireEntete() {
        if (std::string raison = verifierFormat(fichier_.get()); !raison.empty()) return raison;
        std::string reglages;
        if (!lireAttributTexte(fichier_.get(), "settings", reglages))
            return "no 'settings' attribute";
        const nlohmann::json json = nlohmann::json::parse(reglages, nullptr, false);
        const auto tank = json.is_object() ? json.find("tank") : json.end();
        if (!json.is_object() || tank == json.end() || !tank->is_array() || tank->size() != 3 ||
            !std::all_of(tank->begin(), tank->end(),
                         [](const nlohmann::json& c) { return c.is_number_integer(); })) {
            return "its 'settings' attribute names no tank";
        }
        for (std::size_t i = 0; i < 3; ++i)
            cuve_[i] = (*tank)[i].get<int>();
        hsize_t ticks = 0;
        if (std::string raison =
                ouvrirDataset(fichier_.get(), kTicks, typeTick_.get(), 1, index_dataset_, ticks);
            !raison.empty())
            return raison;
        rangeesIndex_ = ticks;
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            TableLue& t = tables_[i];
            t.table = tables()[i];
            t.place = kPlaces[i];
            t.type = typeTable(*t.table);
            if (std::string raison = ouvrirDataset(fichier_.get(), t.table->nom, t.type.get(), 1,
                                                   t.dataset, t.rangees);
                !raison.empty())
                return raison;
        }
        hsize_t genomes = 0;
        return ouvrirDataset(fichier_.get(), kGenomes, H5T_NATIVE_INT32, 2, genomes_, genomes);
    }

    // Ticks in strictly increasing order, each one's rows right after the previous one's in each
    // table, all of them in the tables: only then can a tick's rows be read by themselves. A
    // block at a time, each checked before the next is read: rows the file only claims to have
    // read as HDF5's fill value, the same tick again, and are refused in the first block.
    std::string lireIndex() {
        if (rangeesIndex_ == 0) return "no tick in its 'ticks' table";
        std::array<std::int64_t, 3> suivantes{};
        for (hsize_t debut = 0; debut < rangeesIndex_; debut += kRangeesParLecture) {
            const hsize_t nombre = std::min(kRangeesParLecture, rangeesIndex_ - debut);
            index_.resize(debut + nombre);
            if (!lireRangees(index_dataset_.get(), typeTick_.get(), debut, nombre, 0,
                             index_.data() + debut))
                return "its 'ticks' table cannot be read: " + raisonHdf5();
            for (std::size_t i = debut; i < index_.size(); ++i) {
                if (std::string raison = verifierRangee(i, suivantes); !raison.empty())
                    return raison;
            }
        }
        return {};
    }

    /// Row `i` of the index, `suivantes` each table's row the tick's rows must start at.
    std::string verifierRangee(std::size_t i, std::array<std::int64_t, 3>& suivantes) const {
        const RangeeTick& t = index_[i];
        const std::string tick = "tick " + std::to_string(t.tick) + ": ";
        if (t.tick < 0 || (i > 0 && t.tick <= index_[i - 1].tick)) {
            return "the 'ticks' table's row " + std::to_string(i) + " holds tick " +
                   std::to_string(t.tick) + (i > 0 ? ", after tick " : "") +
                   (i > 0 ? std::to_string(index_[i - 1].tick) : "");
        }
        for (std::size_t j = 0; j < tables_.size(); ++j) {
            const TableLue& table = tables_[j];
            const std::string nom = std::string("'") + table.table->nom + "'";
            if (t.*table.place.premiere != suivantes[j] || t.*table.place.nombre < 0) {
                return tick + "its rows of " + nom + " are not where the index says";
            }
            suivantes[j] += t.*table.place.nombre;
            if (static_cast<std::uint64_t>(suivantes[j]) > table.rangees) {
                return tick + "its rows go past the end of " + nom + " (" +
                       std::to_string(table.rangees) +
                       " rows): a trace cut short, by a run still going or one that crashed";
            }
        }
        return {};
    }

    /// Rows [premiere, premiere + nombre) of a table into `rangees`, their genes too for the
    /// speedbricks.
    std::string lireBloc(const TableLue& t, hsize_t premiere, hsize_t nombre, int tick,
                         Rangees& rangees) {
        rangees.vider(t.table == &tableSpeedbricks() ? largeurGenes_ : 0);
        rangees.octets.resize(nombre * t.table->taille);
        rangees.nombre = nombre;
        rangees.genes.resize(nombre * rangees.largeurGenes);
        if (!lireRangees(t.dataset.get(), t.type.get(), premiere, nombre, 0,
                         rangees.octets.data()) ||
            (rangees.largeurGenes > 0 &&
             !lireRangees(genomes_.get(), H5T_NATIVE_INT32, premiere, nombre, largeurGenes_,
                          rangees.genes.data()))) {
            return std::string("its '") + t.table->nom + "' table cannot be read: " + raisonHdf5();
        }
        for (std::size_t k = 0; k < nombre && tick >= 0; ++k) {
            TickRangee lu = 0;
            std::memcpy(&lu, rangees.rangee(k), sizeof lu);
            if (lu != tick) return std::string("its ") + t.table->nom + " are another tick's";
        }
        return {};
    }

    std::string lireTick(const RangeeTick& t, Releve& releve) {
        releve.tick = t.tick;
        releve.compteurOrganisme = t.compteurOrganisme;
        const std::array<Rangees*, 3> toutes = releve.toutes();
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            const TableLue& table = tables_[i];
            std::string raison =
                lireBloc(table, static_cast<hsize_t>(t.*table.place.premiere),
                         static_cast<hsize_t>(t.*table.place.nombre), t.tick, *toutes[i]);
            if (!raison.empty()) return raison;
        }
        return {};
    }

    // Every row is read once, a block at a time, so that a damaged chunk is found before
    // anything is served; each is checked to be of its tick, the speedbricks counted.
    std::string parcourir() {
        const Poignee espace(H5Dget_space(genomes_.get()));
        hsize_t dimensions[2] = {0, 0};
        H5Sget_simple_extent_dims(espace.get(), dimensions, nullptr);
        largeurGenes_ = dimensions[1];
        // Worlds' genomes are 20 genes; a block of rows of many more is no allocation to try.
        if (largeurGenes_ > kGenesAuPlus) {
            return "its genomes are " + std::to_string(largeurGenes_) + " genes long, more than " +
                   std::to_string(kGenesAuPlus);
        }
        std::vector<Recensement> recensements(index_.size());
        Releve bloc;
        const std::array<Rangees*, 3> toutes = bloc.toutes();
        for (std::size_t i = 0; i < tables_.size(); ++i) {
            const TableLue& table = tables_[i];
            const RangeeTick& derniere = index_.back();
            const auto total =
                static_cast<hsize_t>(derniere.*table.place.premiere + derniere.*table.place.nombre);
            if (i == 0 && dimensions[0] < total) return "fewer genomes than speedbricks";
            std::size_t ligne = 0;
            for (hsize_t debut = 0; debut < total; debut += kRangeesParLecture) {
                Rangees& r = *toutes[i];
                std::string raison =
                    lireBloc(table, debut, std::min(kRangeesParLecture, total - debut), -1, r);
                if (!raison.empty()) return raison;
                for (std::size_t k = 0; k < r.nombre; ++k) {
                    while (debut + k >= static_cast<hsize_t>(index_[ligne].*table.place.premiere +
                                                             index_[ligne].*table.place.nombre))
                        ++ligne;
                    TickRangee tick = 0;
                    std::memcpy(&tick, r.rangee(k), sizeof tick);
                    if (tick != index_[ligne].tick ||
                        (i == 0 && !compterSpeedbrick(r, k, recensements[ligne]))) {
                        return std::string("the '") + table.table->nom + "' table's row " +
                               std::to_string(debut + k) + " is none of tick " +
                               std::to_string(index_[ligne].tick) + "'s";
                    }
                }
            }
        }
        return noterTout(recensements);
    }

    // The speedbricks' rings are the rings table's.
    std::string noterTout(std::vector<Recensement>& recensements) {
        for (std::size_t ligne = 0; ligne < index_.size(); ++ligne) {
            const RangeeTick& t = index_[ligne];
            Recensement& r = recensements[ligne];
            if (r.anneaux != t.anneaux) {
                return "tick " + std::to_string(t.tick) + ": its speedbricks have " +
                       std::to_string(r.anneaux) + " rings, the 'rings' table " +
                       std::to_string(t.anneaux);
            }
            r.cutits = t.cutits;
            ticks_.push_back(t.tick);
            recensements_.push_back(r);
        }
        return {};
    }

    Poignee fichier_;
    Poignee typeTick_ = hdf5::typeTick();
    Poignee index_dataset_;
    hsize_t rangeesIndex_ = 0;
    std::vector<RangeeTick> index_;
    std::array<TableLue, 3> tables_;
    Poignee genomes_;
    hsize_t largeurGenes_ = 0;
};

} // namespace

std::unique_ptr<LecteurReleves> ouvrirRelevesHdf5(const std::string& chemin, std::string& erreur) {
    auto trace = std::make_unique<LectureHdf5>();
    if (!trace->ouvrir(chemin, erreur)) return nullptr;
    return trace;
}

} // namespace fiches
