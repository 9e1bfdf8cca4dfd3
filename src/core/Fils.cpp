#include "Fils.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <signal.h>
#include <thread>
#include <vector>
#include <xmmintrin.h>

namespace {

unsigned unParCoeur() { return std::max(1u, std::thread::hardware_concurrency()); }

// The tasks a batch needs before the caller shares it: waking a worker, and watching for it to
// finish, cost more than a few tasks of any pass save, and most ticks before a crowd have no
// more. Seed 1 to tick 8,750 took a quarter less CPU time, and less wall time, this way.
constexpr std::size_t kTachesPartagees = 5;

// Workers that sleep between batches and live until the program ends. The caller of a batch
// works on it too, so that a worker slow to wake (the machine is busy) only leaves it more to do:
// nobody waits for a worker that has taken no task.
class Equipe {
public:
    explicit Equipe(unsigned fils) { demarrer(fils); }
    ~Equipe() { arreter(); }
    Equipe(const Equipe&) = delete;
    Equipe& operator=(const Equipe&) = delete;

    unsigned taille() const { return static_cast<unsigned>(ouvriers_.size()) + 1; }

    void redimensionner(unsigned fils) {
        arreter();
        demarrer(fils);
    }

    void executer(std::size_t nombre, const std::function<void(std::size_t)>& tache,
                  const std::function<void(std::size_t)>* suite) {
        assert(nombre <= UINT32_MAX && "too many tasks for one batch");
        if (ouvriers_.empty() || nombre < kTachesPartagees) {
            for (std::size_t k = 0; k < nombre; ++k) {
                tache(k);
                if (suite != nullptr) (*suite)(k);
            }
            return;
        }
        std::uint32_t generation = 0;
        {
            const std::lock_guard<std::mutex> verrou(verrou_);
            generation = ++generation_;
            tache_ = &tache;
            nombre_ = nombre;
            restantes_ = nombre;
            finies_.reset(suite == nullptr ? nullptr : new std::atomic<bool>[nombre]);
            for (std::size_t k = 0; suite != nullptr && k < nombre; ++k)
                finies_[k].store(false, std::memory_order_relaxed);
            prochaine_.store(static_cast<std::uint64_t>(generation) << 32);
        }
        reveil_.notify_all();
        const std::size_t faites = suite == nullptr ? faire(generation, nombre, &tache)
                                                    : suivre(generation, nombre, &tache, *suite);
        if (restantes_.fetch_sub(faites) == faites) return;
        guetter([this] { return restantes_.load() == 0; });
        std::unique_lock<std::mutex> verrou(verrou_);
        fin_.wait(verrou, [this] { return restantes_.load() == 0; });
    }

private:
    // Workers take no stop request: SIGINT and SIGTERM go to the threads that act on them, and
    // a program that holds them there (the server once its run has ended) finds them pending
    // rather than spent here.
    void demarrer(unsigned fils) {
        sigset_t arret;
        sigset_t avant;
        sigemptyset(&arret);
        sigaddset(&arret, SIGINT);
        sigaddset(&arret, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &arret, &avant);
        const std::uint32_t generation = generation_;
        for (unsigned f = 1; f < fils; ++f)
            ouvriers_.emplace_back([this, generation] { travailler(generation); });
        pthread_sigmask(SIG_SETMASK, &avant, nullptr);
    }

    void arreter() {
        {
            const std::lock_guard<std::mutex> verrou(verrou_);
            arret_ = true;
        }
        reveil_.notify_all();
        for (std::thread& ouvrier : ouvriers_)
            ouvrier.join();
        ouvriers_.clear();
        arret_ = false;
    }

    void travailler(std::uint32_t vue) {
        std::unique_lock<std::mutex> verrou(verrou_);
        for (;;) {
            reveil_.wait(verrou, [&] { return arret_ || generation_ != vue; });
            if (arret_) return;
            vue = generation_;
            const std::function<void(std::size_t)>* tache = tache_;
            const std::size_t nombre = nombre_;
            verrou.unlock();
            const std::size_t faites = faire(vue, nombre, tache);
            verrou.lock();
            if (faites != 0 && restantes_.fetch_sub(faites) == faites) fin_.notify_all();
        }
    }

    // The caller, its own share done, waits for the tasks under way on other threads, each a
    // small part of the batch: it watches for a while before sleeping, since being woken takes
    // longer than most of them. A worker between batches sleeps at once: the next batch may be a
    // long stretch of the tick away, and its caller starts on it without waiting for anybody.
    template <typename Condition> static void guetter(Condition condition) {
        const auto limite = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (!condition()) {
            for (int k = 0; k < 64 && !condition(); ++k)
                _mm_pause();
            if (std::chrono::steady_clock::now() > limite) return;
        }
    }

    // Tasks are taken one by one, the batch's generation in the same word as the next task: a
    // worker that wakes after its batch is over takes nothing from the next one, and never calls
    // the task of a batch whose caller has returned.
    std::size_t faire(std::uint32_t generation, std::size_t nombre,
                      const std::function<void(std::size_t)>* tache) {
        std::size_t faites = 0;
        while (faireUne(generation, nombre, tache))
            ++faites;
        return faites;
    }

    // Whether a task was left to take, and then done.
    bool faireUne(std::uint32_t generation, std::size_t nombre,
                  const std::function<void(std::size_t)>* tache) {
        std::uint64_t mot = prochaine_.load();
        while ((mot >> 32) == generation && (mot & UINT32_MAX) < nombre) {
            if (!prochaine_.compare_exchange_weak(mot, mot + 1)) continue;
            const std::size_t k = mot & UINT32_MAX;
            (*tache)(k);
            if (finies_ != nullptr) annoncerFinie(k);
            return true;
        }
        return false;
    }

    // The caller's part of a followed batch: while the next result is not ready, it takes a task
    // of its own, or, with none left, waits for the thread that has it.
    std::size_t suivre(std::uint32_t generation, std::size_t nombre,
                       const std::function<void(std::size_t)>* tache,
                       const std::function<void(std::size_t)>& suite) {
        std::size_t faites = 0;
        for (std::size_t k = 0; k < nombre; ++k) {
            while (!finies_[k].load(std::memory_order_acquire)) {
                if (faireUne(generation, nombre, tache)) {
                    ++faites;
                } else {
                    attendreFinie(k);
                }
            }
            suite(k);
        }
        return faites;
    }

    // A followed task's end, told to the caller if it has gone to sleep waiting for it: it set
    // endormi_ before looking a last time, so either it sees the task done or this sees it.
    void annoncerFinie(std::size_t k) {
        finies_[k].store(true);
        if (!endormi_.load()) return;
        { const std::lock_guard<std::mutex> verrou(verrou_); }
        fin_.notify_all();
    }

    // The caller, with no task left to take, waits for the thread that has task k.
    void attendreFinie(std::size_t k) {
        const auto finie = [this, k] { return finies_[k].load(); };
        guetter(finie);
        std::unique_lock<std::mutex> verrou(verrou_);
        endormi_.store(true);
        fin_.wait(verrou, finie);
        endormi_.store(false);
    }

    std::vector<std::thread> ouvriers_;
    std::mutex verrou_;
    std::condition_variable reveil_;
    std::condition_variable fin_;
    /// The batch under way (guarded by verrou_): valid while restantes_ is not 0.
    const std::function<void(std::size_t)>* tache_ = nullptr;
    std::size_t nombre_ = 0;
    std::atomic<std::size_t> restantes_{0};
    /// For a followed batch, which tasks have returned; set before the batch is handed out.
    std::unique_ptr<std::atomic<bool>[]> finies_;
    /// Whether the caller sleeps until a followed task ends.
    std::atomic<bool> endormi_{false};
    std::uint32_t generation_ = 0;
    bool arret_ = false;
    /// The batch's generation in the high half, its next task in the low half.
    std::atomic<std::uint64_t> prochaine_{0};
};

Equipe& equipe() {
    static Equipe lEquipe(unParCoeur());
    return lEquipe;
}

} // namespace

void fixerNombreDeFils(unsigned nombre) {
    equipe().redimensionner(nombre == 0 ? unParCoeur() : nombre);
}

unsigned nombreDeFils() { return equipe().taille(); }

void executerEnParallele(std::size_t nombre, const std::function<void(std::size_t)>& tache) {
    equipe().executer(nombre, tache, nullptr);
}

void executerParBlocs(std::size_t nombre, std::size_t parBloc,
                      const std::function<void(std::size_t, std::size_t)>& tache) {
    executerEnParallele((nombre + parBloc - 1) / parBloc, [&](std::size_t bloc) {
        const std::size_t debut = bloc * parBloc;
        tache(debut, std::min(debut + parBloc, nombre));
    });
}

void executerEtSuivre(std::size_t nombre, const std::function<void(std::size_t)>& tache,
                      const std::function<void(std::size_t)>& suite) {
    equipe().executer(nombre, tache, &suite);
}
