#include "Pilotage.h"

#include "Arret.h"

#include <algorithm>

namespace {

// A signal only sets a flag: the waits look at it this often.
constexpr std::chrono::milliseconds kVeilleSignal{50};

} // namespace

void Pilotage::mettreEnPause() {
    const std::lock_guard<std::mutex> garde(verrou_);
    enPause_ = true;
    reveil_.notify_all();
}

void Pilotage::jouer() {
    const std::lock_guard<std::mutex> garde(verrou_);
    enPause_ = false;
    pas_ = 0;
    reveil_.notify_all();
}

void Pilotage::avancerDUnTick() {
    const std::lock_guard<std::mutex> garde(verrou_);
    enPause_ = true;
    ++pas_;
    reveil_.notify_all();
}

void Pilotage::cadencer(int ticksParSeconde) {
    const std::lock_guard<std::mutex> garde(verrou_);
    ticksParSeconde_ = ticksParSeconde;
    reveil_.notify_all();
}

void Pilotage::remplacer(OptionsMonde options) {
    const std::lock_guard<std::mutex> garde(verrou_);
    remplacant_ = std::move(options);
    reveil_.notify_all();
}

nlohmann::json Pilotage::enJson() const {
    const std::lock_guard<std::mutex> garde(verrou_);
    return {{"world", monde_},
            {"fromPage", dePage_},
            {"command", commandeDuMonde(options_)},
            {"paused", enPause_},
            {"pausedAt", arreteA_ < 0 ? nlohmann::json() : nlohmann::json(arreteA_)},
            {"ticksPerSecond", ticksParSeconde_}};
}

OptionsMonde Pilotage::options() const {
    const std::lock_guard<std::mutex> garde(verrou_);
    return options_;
}

void Pilotage::commencer(const OptionsMonde& options, bool dePage) {
    const std::lock_guard<std::mutex> garde(verrou_);
    ++monde_;
    dePage_ = dePage;
    options_ = options;
    enPause_ = false;
    pas_ = 0;
    arreteA_ = -1;
}

int Pilotage::monde() const {
    const std::lock_guard<std::mutex> garde(verrou_);
    return monde_;
}

Pilotage::Horloge::duration Pilotage::periode() const {
    const std::lock_guard<std::mutex> garde(verrou_);
    if (ticksParSeconde_ == 0) return Horloge::duration::zero();
    return std::chrono::duration_cast<Horloge::duration>(
        std::chrono::duration<double>(1.0 / ticksParSeconde_));
}

bool Pilotage::remplacee() const {
    const std::lock_guard<std::mutex> garde(verrou_);
    return remplacant_.has_value();
}

bool Pilotage::attendre(int tick, Horloge::time_point echeance, bool publie) {
    std::unique_lock<std::mutex> verrou(verrou_);
    while (!remplacant_ && arretDemande() == 0) {
        const Horloge::time_point maintenant = Horloge::now();
        if (!enPause_ && maintenant >= echeance) break;
        if (enPause_ && !publie) return false;
        if (enPause_ && pas_ > 0) {
            --pas_;
            break;
        }
        arreteA_ = enPause_ ? tick : -1;
        const Horloge::time_point veille = maintenant + kVeilleSignal;
        reveil_.wait_until(verrou, enPause_ ? veille : std::min(veille, echeance));
    }
    arreteA_ = -1;
    return true;
}

std::optional<OptionsMonde> Pilotage::attendreMonde() {
    std::unique_lock<std::mutex> verrou(verrou_);
    while (!remplacant_ && arretDemande() == 0)
        reveil_.wait_for(verrou, kVeilleSignal);
    std::optional<OptionsMonde> suivant;
    if (arretDemande() == 0) suivant.swap(remplacant_);
    return suivant;
}

std::string commandeDuMonde(const OptionsMonde& options) {
    std::string commande = "aquarium-batch " + ligneDeCommande(options);
    if (options.maxSpeedbricks >= 0) {
        commande += " --max-speedbricks " + std::to_string(options.maxSpeedbricks);
    }
    return commande;
}
