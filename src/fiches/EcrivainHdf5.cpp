#include "EcrivainHdf5.h"

#include "MorceauDeflate.h"

#include <algorithm>

namespace fiches::hdf5 {

namespace {

// Chunks handed to the writers and not yet written, at most: enough for each writer to
// compress one while another waits for its turn to be written.
constexpr std::size_t kEnvoisMax = 8;
// A table's planes are weighed again on one whole chunk in this many: a table's planes change
// slowly over a run, and weighing costs more than a chunk's compression, on the run's thread.
constexpr std::uint64_t kEtalonnage = 64;

} // namespace

bool TableHdf5::ecrire(hsize_t premiere, hsize_t nombre, const unsigned char* rangees) const {
    const int rang = largeur > 0 ? 2 : 1;
    const hsize_t dimensions[2] = {premiere + nombre, largeur};
    const hsize_t debut[2] = {premiere, 0};
    const hsize_t taille[2] = {nombre, largeur};
    if (H5Dset_extent(dataset, dimensions) < 0) return false;
    const Poignee fichier(H5Dget_space(dataset));
    const Poignee memoire(H5Screate_simple(rang, taille, nullptr));
    return H5Sselect_hyperslab(fichier.get(), H5S_SELECT_SET, debut, nullptr, taille, nullptr) >=
               0 &&
           H5Dwrite(dataset, type.get(), memoire.get(), fichier.get(), H5P_DEFAULT, rangees) >= 0;
}

bool TableHdf5::ecrireMorceau(hsize_t premiere, const std::vector<unsigned char>& stocke) const {
    const hsize_t dimensions[2] = {premiere + parMorceau, largeur};
    const hsize_t debut[2] = {premiere, 0};
    // Every filter of the dataset was applied: the mask of those skipped is empty.
    return H5Dset_extent(dataset, dimensions) >= 0 &&
           H5Dwrite_chunk(dataset, H5P_DEFAULT, 0, debut, stocke.size(), stocke.data()) >= 0;
}

bool filtresDirects(hid_t dataset, hsize_t parMorceau) {
    const Poignee creation(H5Dget_create_plist(dataset));
    hsize_t morceau[2] = {0, 0};
    unsigned drapeaux = 0;
    std::size_t nombre = 0;
    const auto filtre = [&](unsigned i) {
        return H5Pget_filter2(creation.get(), i, &drapeaux, &nombre, nullptr, 0, nullptr, nullptr);
    };
    return H5Pget_chunk(creation.get(), 2, morceau) >= 1 && morceau[0] == parMorceau &&
           H5Pget_nfilters(creation.get()) == 2 && filtre(0) == H5Z_FILTER_SHUFFLE &&
           filtre(1) == H5Z_FILTER_DEFLATE;
}

// Whole chunks only, each compressed once; the rest waits for the next ones.
bool EcrivainHdf5::envoyer(TableHdf5& table, std::string& erreur) {
    const hsize_t morceau = table.parMorceau;
    hsize_t enAttente = table.attente.size() / table.tailleRangee;
    const hsize_t entame = table.ecrites % morceau;
    if (entame > 0 && enAttente >= morceau - entame) {
        if (!confier(table, morceau - entame, erreur)) return false;
        enAttente -= morceau - entame;
    }
    for (; enAttente >= morceau; enAttente -= morceau) {
        if (!confier(table, morceau, erreur)) return false;
    }
    return true;
}

// A few chunks at most wait for the writers: the run slows down to their pace rather than fill
// the memory.
bool EcrivainHdf5::confier(TableHdf5& table, hsize_t nombre, std::string& erreur) {
    const auto fin =
        table.attente.begin() + static_cast<std::ptrdiff_t>(nombre * table.tailleRangee);
    Envoi envoi{&table, table.ecrites, nombre, {table.attente.begin(), fin}};
    envoi.entier = table.direct && nombre == table.parMorceau;
    if (envoi.entier && table.morceauxConfies++ % kEtalonnage == 0) {
        table.voies =
            etalon_.choisirVoies(envoi.rangees.data(), envoi.rangees.size(), table.tailleElement);
    }
    envoi.voies = table.voies;
    table.attente.erase(table.attente.begin(), fin);
    table.ecrites += nombre;
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.size() < kEnvoisMax || !echec_.empty(); });
    if (!echec_.empty()) {
        erreur = echec_;
        return false;
    }
    envois_.push_back(std::move(envoi));
    if (fils_.empty()) {
        const unsigned coeurs = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < coeurs; ++i)
            fils_.emplace_back([this] { ecrireEnvois(); });
    }
    signal_.notify_all();
    return true;
}

bool EcrivainHdf5::ecrire(const Envoi& envoi) const {
    if (envoi.entier) return envoi.table->ecrireMorceau(envoi.premiere, envoi.rangees);
    return envoi.table->ecrire(envoi.premiere, envoi.nombre, envoi.rangees.data());
}

void EcrivainHdf5::ecrireEnvois() {
    // HDF5's error settings are each thread's: this one's failures too are reported once, by
    // the caller, rather than printed by the library.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    MorceauDeflate deflate(kNiveauDeflate);
    using Etat = Envoi::Etat;
    const auto aCompresser = [this] {
        return std::find_if(envois_.begin(), envois_.end(),
                            [](const Envoi& e) { return e.etat == Etat::attente; });
    };
    const auto aEcrire = [this] {
        return !ecritureEnCours_ && !envois_.empty() && envois_.front().etat == Etat::pret;
    };
    std::unique_lock<std::mutex> verrou(verrou_);
    for (;;) {
        signal_.wait(verrou, [&] { return arret_ || aEcrire() || aCompresser() != envois_.end(); });
        if (aEcrire()) {
            const Envoi envoi = std::move(envois_.front());
            envois_.pop_front();
            ecritureEnCours_ = true;
            const bool echoue = !echec_.empty();
            verrou.unlock();
            const bool ecrit = echoue || ecrire(envoi);
            const std::string raison = ecrit ? std::string() : raisonHdf5();
            verrou.lock();
            ecritureEnCours_ = false;
            if (!ecrit && echec_.empty()) echec_ = raison;
            signal_.notify_all();
            continue;
        }
        const auto suivant = aCompresser();
        if (suivant == envois_.end()) return;
        // Careful: the deque grows and shrinks at its ends meanwhile, which leaves this element
        // where it is; only this thread touches it until it is ready.
        Envoi& envoi = *suivant;
        envoi.etat = Etat::enCours;
        verrou.unlock();
        if (envoi.entier) {
            envoi.rangees = deflate.compresser(envoi.rangees.data(), envoi.rangees.size(),
                                               envoi.table->tailleElement,
                                               envoi.voies);
        }
        verrou.lock();
        envoi.etat = Etat::pret;
        signal_.notify_all();
    }
}

bool EcrivainHdf5::attendre(std::string& erreur) {
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.empty() && !ecritureEnCours_; });
    if (echec_.empty()) return true;
    erreur = echec_;
    return false;
}

void EcrivainHdf5::arreter() {
    {
        const std::lock_guard<std::mutex> verrou(verrou_);
        arret_ = true;
    }
    signal_.notify_all();
    for (std::thread& fil : fils_)
        fil.join();
    fils_.clear();
}

} // namespace fiches::hdf5
