#include "host/close_signals.h"

#include <csignal>

namespace {

constexpr int SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t closeSignalled = 0;
struct sigaction previous[3];
bool installed = false;

void OnCloseSignal(int) {
    closeSignalled = 1;
}

}  // namespace

void CatchCloseSignals() {
    if (installed) return;
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(SIGNALS[i], &action, &previous[i]);
    installed = true;
}

void RestoreCloseSignals() {
    if (!installed) return;
    for (int i = 0; i < 3; ++i)
        sigaction(SIGNALS[i], &previous[i], nullptr);
    installed = false;
}

bool TakeCloseSignal() {
    if (closeSignalled == 0) return false;
    closeSignalled = 0;
    return true;
}
