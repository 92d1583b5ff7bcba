#include "host/close_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t closeSignalled = 0;
struct sigaction previous[3];
bool installed = false;
// The handler writes a byte into this pipe for the waits to see.
int wake[2] = {-1, -1};

void OnCloseSignal(int) {
    closeSignalled = 1;
    if (wake[1] >= 0) {
        const int saved = errno;
        // A full pipe has bytes waiting already: a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = write(wake[1], "", 1);
        errno = saved;
    }
}

}  // namespace

void CatchCloseSignals() {
    if (installed) return;
    if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) wake[0] = wake[1] = -1;
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
    for (int& end : wake) {
        if (end >= 0) close(end);
        end = -1;
    }
    installed = false;
}

bool TakeCloseSignal() {
    if (closeSignalled == 0) return false;
    closeSignalled = 0;
    char bytes[64];
    while (wake[0] >= 0 && read(wake[0], bytes, sizeof bytes) > 0) {
    }
    return true;
}

int CloseSignalDescriptor() {
    return wake[0];
}
