#pragma once

#include <csignal>
#include <pthread.h>

/// Holds SIGINT and SIGTERM pending in the calling thread (and the threads it starts from then
/// on), or lets them through again. A held signal is delivered, once let through, to whatever
/// handles it then.
inline void retenirSignaux(bool retenir) {
    sigset_t signaux;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGTERM);
    pthread_sigmask(retenir ? SIG_BLOCK : SIG_UNBLOCK, &signaux, nullptr);
}
