#include "Arret.h"

#include <csignal>
#include <initializer_list>
#include <signal.h>

namespace {

volatile std::sig_atomic_t signalRecu = 0;

// Only async-signal-safe calls here. The second signal, its handler back to the default, is
// raised again; blocked while this handler runs, it is delivered as soon as it returns.
extern "C" void surSignal(int numero) {
    if (signalRecu != 0) {
        std::signal(numero, SIG_DFL);
        std::raise(numero);
        return;
    }
    signalRecu = numero;
}

// Each signal is held while the handler runs for the other: two that come together are then
// handled one after the other, and the second ends the process.
void installer(void (*action)(int)) {
    struct sigaction reglage = {};
    reglage.sa_handler = action;
    sigemptyset(&reglage.sa_mask);
    sigaddset(&reglage.sa_mask, SIGINT);
    sigaddset(&reglage.sa_mask, SIGTERM);
    reglage.sa_flags = SA_RESTART;
    for (int numero : {SIGINT, SIGTERM})
        ::sigaction(numero, &reglage, nullptr);
}

} // namespace

void intercepterArret() { installer(surSignal); }

int arretDemande() { return signalRecu; }

void relacherArret() {
    installer(SIG_DFL);
    signalRecu = 0;
}

const char* nomSignal(int signal) { return signal == SIGINT ? "SIGINT" : "SIGTERM"; }
