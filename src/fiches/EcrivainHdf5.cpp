#include "EcrivainHdf5.h"

namespace fiches::hdf5 {

namespace {

// Chunks handed to the writer and not yet written, at most.
constexpr std::size_t kEnvoisMax = 4;

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

// Whole chunks only, each compressed once; the rest waits for the next ones. A few chunks at
// most wait for the writer: the run slows down to its pace rather than fill the memory.
bool EcrivainHdf5::envoyer(TableHdf5& table, std::string& erreur) {
    const hsize_t enAttente = table.attente.size() / table.tailleRangee;
    const hsize_t nombre = enAttente - (table.ecrites + enAttente) % table.parMorceau;
    if (nombre == 0) return true;
    const auto fin =
        table.attente.begin() + static_cast<std::ptrdiff_t>(nombre * table.tailleRangee);
    Envoi envoi{&table, table.ecrites, nombre, {table.attente.begin(), fin}};
    table.attente.erase(table.attente.begin(), fin);
    table.ecrites += nombre;
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.size() < kEnvoisMax || !echec_.empty(); });
    if (!echec_.empty()) {
        erreur = echec_;
        return false;
    }
    envois_.push_back(std::move(envoi));
    if (!fil_.joinable()) fil_ = std::thread([this] { ecrireEnvois(); });
    signal_.notify_all();
    return true;
}

void EcrivainHdf5::ecrireEnvois() {
    // HDF5's error settings are each thread's: this one's failures too are reported once, by
    // the caller, rather than printed by the library.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    std::unique_lock<std::mutex> verrou(verrou_);
    for (;;) {
        signal_.wait(verrou, [this] { return arret_ || !envois_.empty(); });
        if (envois_.empty()) return;
        Envoi envoi = std::move(envois_.front());
        envois_.pop_front();
        occupe_ = true;
        const bool echoue = !echec_.empty();
        verrou.unlock();
        std::string raison;
        if (!echoue && !envoi.table->ecrire(envoi.premiere, envoi.nombre, envoi.rangees.data()))
            raison = raisonHdf5();
        verrou.lock();
        occupe_ = false;
        if (!raison.empty()) echec_ = raison;
        signal_.notify_all();
    }
}

bool EcrivainHdf5::attendre(std::string& erreur) {
    std::unique_lock<std::mutex> verrou(verrou_);
    signal_.wait(verrou, [this] { return envois_.empty() && !occupe_; });
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
    if (fil_.joinable()) fil_.join();
}

} // namespace fiches::hdf5
