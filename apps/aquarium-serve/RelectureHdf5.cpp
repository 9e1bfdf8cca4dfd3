#include "FormatHdf5.h"
#include "Relecture.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <utility>

using namespace traceHdf5;

namespace {

/// Rows read at once when a whole table is gone through: a few chunks of the writer's.
constexpr hsize_t kRangeesParLecture = 65536;

// The columns a replay needs, read by name: HDF5 converts the file's rows to these, whatever
// else the file's rows hold.
struct SpeedbrickLue {
    std::int32_t tick;
    std::int32_t sexe;
    std::int32_t anneaux;
    float pos[3];
    std::int8_t genre;
};

/// A ring or a cutit.
struct SphereLue {
    std::int32_t tick;
    float pos[3];
};

hid_t typeSpeedbrickLue() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(SpeedbrickLue));
    H5Tinsert(t, "tick", offsetof(SpeedbrickLue, tick), H5T_NATIVE_INT32);
    H5Tinsert(t, "sexe", offsetof(SpeedbrickLue, sexe), H5T_NATIVE_INT32);
    H5Tinsert(t, "rings", offsetof(SpeedbrickLue, anneaux), H5T_NATIVE_INT32);
    insererTriplet(t, "pos", offsetof(SpeedbrickLue, pos), H5T_NATIVE_FLOAT, sizeof(float));
    const hid_t genre = typeGenre();
    H5Tinsert(t, "kind", offsetof(SpeedbrickLue, genre), genre);
    H5Tclose(genre);
    return t;
}

hid_t typeSphereLue() {
    const hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(SphereLue));
    H5Tinsert(t, "tick", offsetof(SphereLue, tick), H5T_NATIVE_INT32);
    insererTriplet(t, "pos", offsetof(SphereLue, pos), H5T_NATIVE_FLOAT, sizeof(float));
    return t;
}

// The reasons are given once, by the caller, not printed by the library as they come. The
// setting is each thread's: the trace is opened by the main thread, read by the server's.
void taireHdf5() { H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); }

/// Any HDF5 identifier, released with its owner.
class Poignee {
public:
    Poignee() = default;
    explicit Poignee(hid_t id) : id_(id) {}
    ~Poignee() {
        if (id_ >= 0) H5Idec_ref(id_);
    }
    Poignee(Poignee&& autre) noexcept : id_(std::exchange(autre.id_, -1)) {}
    Poignee& operator=(Poignee&& autre) noexcept {
        std::swap(id_, autre.id_);
        return *this;
    }
    hid_t get() const { return id_; }
    explicit operator bool() const { return id_ >= 0; }

private:
    hid_t id_ = -1;
};

/// One table of the trace, as the replay reads it.
struct TableLue {
    TableLue(const char* nomTable, hid_t typeLu, std::int64_t RangeeTick::*premiereLigne = nullptr,
             std::int32_t RangeeTick::*nombreLignes = nullptr)
        : nom(nomTable), type(typeLu), premiere(premiereLigne), nombre(nombreLignes) {}

    const char* nom;
    /// The columns read, and their place in memory.
    Poignee type;
    /// Where a tick's rows start in this table, and how many, in the index; none for the index.
    std::int64_t RangeeTick::*premiere;
    std::int32_t RangeeTick::*nombre;
    Poignee dataset;
    hsize_t rangees = 0;
};

// A column named as the replay's type names it, of the same class (integer, float, enum), so
// that HDF5 can convert every row; the rest of the file's columns are left alone.
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

std::string ouvrirTable(hid_t fichier, TableLue& table) {
    const std::string nom = std::string("the '") + table.nom + "' table";
    table.dataset = Poignee(H5Dopen2(fichier, table.nom, H5P_DEFAULT));
    if (!table.dataset) return "no '" + std::string(table.nom) + "' table in it";
    const Poignee espace(H5Dget_space(table.dataset.get()));
    const Poignee type(H5Dget_type(table.dataset.get()));
    if (H5Sget_simple_extent_ndims(espace.get()) != 1 || H5Tget_class(type.get()) != H5T_COMPOUND) {
        return nom + " is not a table of records";
    }
    H5Sget_simple_extent_dims(espace.get(), &table.rangees, nullptr);
    const std::string colonne = colonneManquante(type.get(), table.type.get());
    if (!colonne.empty()) return nom + " has no column '" + colonne + "' of the right type";
    return {};
}

/// Rows [premiere, premiere + nombre) of a table, converted to its replay type. Empty, or why
/// they cannot be read: taken before any other call of HDF5 forgets it.
template <typename T>
std::string lireRangees(const TableLue& table, hsize_t premiere, hsize_t nombre,
                        std::vector<T>& rangees) {
    rangees.resize(nombre);
    if (nombre == 0) return {};
    const Poignee fichier(H5Dget_space(table.dataset.get()));
    const Poignee memoire(H5Screate_simple(1, &nombre, nullptr));
    const bool lu = H5Sselect_hyperslab(fichier.get(), H5S_SELECT_SET, &premiere, nullptr, &nombre,
                                        nullptr) >= 0 &&
                    H5Dread(table.dataset.get(), table.type.get(), memoire.get(), fichier.get(),
                            H5P_DEFAULT, rangees.data()) >= 0;
    return lu ? std::string()
              : std::string("its '") + table.nom + "' table cannot be read: " + raisonHdf5();
}

bool lireTexte(hid_t objet, const char* nom, std::string& texte) {
    if (H5Aexists(objet, nom) <= 0) return false;
    const Poignee attribut(H5Aopen(objet, nom, H5P_DEFAULT));
    const Poignee espace(H5Aget_space(attribut.get()));
    const Poignee type(H5Tcopy(H5T_C_S1));
    H5Tset_size(type.get(), H5T_VARIABLE);
    H5Tset_cset(type.get(), H5T_CSET_UTF8);
    char* valeur = nullptr;
    const bool lu = attribut && H5Sget_simple_extent_npoints(espace.get()) == 1 &&
                    H5Aread(attribut.get(), type.get(), &valeur) >= 0 && valeur != nullptr;
    if (lu) texte = valeur;
    H5free_memory(valeur);
    return lu;
}

// The state trace of aquarium-batch in HDF5. The index and every speedbrick's kind, sex and
// rings are read at the opening, for the chart and to check the trace; a tick's spheres are
// read when a page asks for it, so that a trace of any size replays in little memory.
class TraceHdf5 : public LecteurTrace {
public:
    bool ouvrir(const std::string& chemin, std::string& erreur) {
        taireHdf5();
        // Single-writer reading, which a trace still being written or left by a crash allows.
        const Poignee acces(accesRecent());
        fichier_ =
            Poignee(H5Fopen(chemin.c_str(), H5F_ACC_RDONLY | H5F_ACC_SWMR_READ, acces.get()));
        if (!fichier_) {
            erreur = "not an HDF5 file this program reads: " + raisonHdf5();
            return false;
        }
        erreur = lireEntete();
        if (erreur.empty()) erreur = lireIndex();
        if (erreur.empty()) erreur = parcourirTables();
        H5Eclear2(H5E_DEFAULT);
        return erreur.empty();
    }

    std::size_t lignes() const override { return index_.size(); }
    const std::vector<std::int32_t>& historique() const override { return historique_; }

    bool lire(std::size_t ligne, Image& image, std::string& erreur) override {
        taireHdf5();
        const RangeeTick& t = index_.at(ligne);
        image.vider(t.tick);
        image.taille = taille_;
        image.recensement.anneaux = t.anneaux;
        image.recensement.cutits = t.cutits;
        std::string raison = lireTick(speedbricks_, t, speedbricksLues_);
        for (std::size_t i = 0; raison.empty() && i < speedbricksLues_.size(); ++i) {
            const SpeedbrickLue& s = speedbricksLues_[i];
            if (s.tick != t.tick || !image.ajouterSpeedbrick(s.genre, s.sexe, s.pos))
                raison = "its speedbricks are not those seen at the opening";
        }
        if (raison.empty()) raison = lireSpheres(anneaux_, t, image.centres[ANNEAU]);
        if (raison.empty()) raison = lireSpheres(cutits_, t, image.centres[CUTIT]);
        H5Eclear2(H5E_DEFAULT);
        if (raison.empty()) return true;
        erreur =
            "the trace changed since it was opened: tick " + std::to_string(t.tick) + ": " + raison;
        return false;
    }

private:
    std::string lireEntete() {
        int format = 0;
        if (!lireAttributNombre(fichier_.get(), "format", H5T_NATIVE_INT, format)) {
            return "no 'format' attribute: not a state trace of aquarium-batch";
        }
        if (format != kFormat) {
            return "a trace of format " + std::to_string(format) + ", not " +
                   std::to_string(kFormat) + " as this program reads";
        }
        std::string reglages;
        if (!lireTexte(fichier_.get(), "settings", reglages)) return "no 'settings' attribute";
        const nlohmann::json json = nlohmann::json::parse(reglages, nullptr, false);
        const auto tank = json.is_object() ? json.find("tank") : json.end();
        if (!json.is_object() || tank == json.end() || !tank->is_array() || tank->size() != 3 ||
            !std::all_of(tank->begin(), tank->end(),
                         [](const nlohmann::json& c) { return c.is_number_integer(); })) {
            return "its 'settings' attribute names no tank";
        }
        for (std::size_t i = 0; i < 3; ++i)
            taille_[i] = (*tank)[i].get<int>();
        for (TableLue* table : {&ticks_, &speedbricks_, &anneaux_, &cutits_}) {
            if (std::string raison = ouvrirTable(fichier_.get(), *table); !raison.empty())
                return raison;
        }
        return {};
    }

    // Ticks in strictly increasing order, each one's rows right after the previous one's in each
    // table, all of them in the tables: only then can a tick's rows be read by themselves.
    std::string lireIndex() {
        if (std::string raison = lireRangees(ticks_, 0, ticks_.rangees, index_); !raison.empty())
            return raison;
        if (index_.empty()) return "no tick in its 'ticks' table";
        std::array<std::int64_t, 3> suivantes{};
        for (std::size_t i = 0; i < index_.size(); ++i) {
            const RangeeTick& t = index_[i];
            const std::string tick = "tick " + std::to_string(t.tick) + ": ";
            if (t.tick < 0 || (i > 0 && t.tick <= index_[i - 1].tick)) {
                return "the 'ticks' table's row " + std::to_string(i) + " holds tick " +
                       std::to_string(t.tick) + (i > 0 ? ", after tick " : "") +
                       (i > 0 ? std::to_string(index_[i - 1].tick) : "");
            }
            const TableLue* tables[] = {&speedbricks_, &anneaux_, &cutits_};
            for (std::size_t j = 0; j < 3; ++j) {
                const TableLue& table = *tables[j];
                const std::string nom = std::string("'") + table.nom + "'";
                if (t.*table.premiere != suivantes[j] || t.*table.nombre < 0) {
                    return tick + "its rows of " + nom + " are not where the index says";
                }
                suivantes[j] += t.*table.nombre;
                if (static_cast<std::uint64_t>(suivantes[j]) > table.rangees) {
                    return tick + "its rows go past the end of " + nom + " (" +
                           std::to_string(table.rangees) +
                           " rows): a trace cut short, by a run still going or one that crashed";
                }
            }
        }
        return {};
    }

    /// Goes through a table's rows of every tick, a block at a time, each row checked to be of
    /// its tick and handed to voir(ligne, rangee), which may refuse it.
    template <typename T, typename F>
    std::string parcourir(const TableLue& table, std::vector<T>& tampon, F&& voir) {
        const auto fin = [&](std::size_t ligne) {
            return static_cast<hsize_t>(index_[ligne].*table.premiere +
                                        index_[ligne].*table.nombre);
        };
        const hsize_t total = fin(index_.size() - 1);
        std::size_t ligne = 0;
        for (hsize_t debut = 0; debut < total; debut += kRangeesParLecture) {
            std::string raison =
                lireRangees(table, debut, std::min(kRangeesParLecture, total - debut), tampon);
            if (!raison.empty()) return raison;
            for (std::size_t k = 0; k < tampon.size(); ++k) {
                while (debut + k >= fin(ligne))
                    ++ligne;
                if (tampon[k].tick != index_[ligne].tick || !voir(ligne, tampon[k])) {
                    return std::string("the '") + table.nom + "' table's row " +
                           std::to_string(debut + k) + " is none of tick " +
                           std::to_string(index_[ligne].tick) + "'s";
                }
            }
        }
        return {};
    }

    // Every row is read once, so that a damaged chunk is found before anything is served; the
    // speedbricks' kinds make the chart, and their rings are the rings table's.
    std::string parcourirTables() {
        std::vector<Recensement> recensements(index_.size());
        std::string erreur = parcourir(
            speedbricks_, speedbricksLues_, [&](std::size_t ligne, const SpeedbrickLue& s) {
                Recensement& r = recensements[ligne];
                r.anneaux += s.anneaux;
                return s.anneaux >= 0 && compterSpeedbrick(r, s.genre, s.sexe);
            });
        const auto tout = [](std::size_t, const SphereLue&) { return true; };
        if (erreur.empty()) {
            erreur = parcourir(anneaux_, spheresLues_, tout);
        }
        if (erreur.empty()) {
            erreur = parcourir(cutits_, spheresLues_, tout);
        }
        for (std::size_t ligne = 0; ligne < index_.size() && erreur.empty(); ++ligne) {
            const RangeeTick& t = index_[ligne];
            if (recensements[ligne].anneaux != t.anneaux) {
                erreur = "tick " + std::to_string(t.tick) + ": its speedbricks have " +
                         std::to_string(recensements[ligne].anneaux) +
                         " rings, the 'rings' table " + std::to_string(t.anneaux);
            }
            ajouterHistorique(historique_, t.tick, recensements[ligne]);
        }
        return erreur;
    }

    /// The rows of one tick in a table.
    template <typename T>
    std::string lireTick(const TableLue& table, const RangeeTick& t, std::vector<T>& rangees) {
        return lireRangees(table, static_cast<hsize_t>(t.*table.premiere),
                           static_cast<hsize_t>(t.*table.nombre), rangees);
    }

    std::string lireSpheres(const TableLue& table, const RangeeTick& t,
                            std::vector<float>& centres) {
        std::string raison = lireTick(table, t, spheresLues_);
        for (std::size_t i = 0; raison.empty() && i < spheresLues_.size(); ++i) {
            const SphereLue& s = spheresLues_[i];
            if (s.tick != t.tick) raison = std::string("its ") + table.nom + " are another tick's";
            centres.insert(centres.end(), s.pos, s.pos + 3);
        }
        return raison;
    }

    Poignee fichier_;
    TableLue ticks_{kTicks, typeTick()};
    TableLue speedbricks_{kSpeedbricks, typeSpeedbrickLue(), &RangeeTick::premiereSpeedbrick,
                          &RangeeTick::speedbricks};
    TableLue anneaux_{kAnneaux, typeSphereLue(), &RangeeTick::premierAnneau, &RangeeTick::anneaux};
    TableLue cutits_{kCutits, typeSphereLue(), &RangeeTick::premierCutit, &RangeeTick::cutits};
    std::vector<RangeeTick> index_;
    std::vector<std::int32_t> historique_;
    std::array<int, 3> taille_{};
    std::vector<SpeedbrickLue> speedbricksLues_;
    std::vector<SphereLue> spheresLues_;
};

} // namespace

std::unique_ptr<LecteurTrace> ouvrirTraceHdf5(const std::string& chemin, std::string& erreur) {
    auto trace = std::make_unique<TraceHdf5>();
    if (!trace->ouvrir(chemin, erreur)) return nullptr;
    return trace;
}
