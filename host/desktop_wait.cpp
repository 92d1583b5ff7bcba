#include "host/desktop_wait.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

#include "host/close_signals.h"

namespace {

// While the program is too busy to sleep, the X socket is looked at this often.
constexpr std::uint64_t LOOK_INTERVAL_MS = 8;

}  // namespace

bool DesktopWait::waitsOnX() const {
    return x_.attached() && !XDisplay::DisplayLost();
}

bool DesktopWait::eventsDue() {
    if (XDisplay::DisplayLost()) return false;
    const std::uint64_t now = SDL_GetTicks64();
    if (waitsOnX() && !gatherPending_ && now - lastGathered_ < GATHER_INTERVAL_MS) {
        if (now - lastLooked_ < LOOK_INTERVAL_MS) return false;
        lastLooked_ = now;
        pollfd socket{x_.socket(), POLLIN, 0};
        if (poll(&socket, 1, 0) == 0) return false;
    }
    gatherPending_ = false;
    lastGathered_ = lastLooked_ = now;
    return true;
}

bool DesktopWait::takePadsDue() {
    return std::exchange(padsDue_, false);
}

bool DesktopWait::takeRaiseDue() {
    return std::exchange(raiseDue_, false);
}

void DesktopWait::sleep(int timeout) {
    if (XDisplay::DisplayLost()) {
        poll(nullptr, 0, std::min(timeout, 100));
        return;
    }
    if (!waitsOnX()) {
        // SDL's wait does not end at a signal: short enough for a close signal.
        SDL_WaitEventTimeout(nullptr, std::min(timeout, 250));
        raiseDue_ = true;
        return;
    }
    // Events Xlib has read already (while SDL or the window manager's check
    // talked to the server) are not on the socket any more: gather them first.
    if (gatherPending_ || x_.queuedByXlib()) {
        gatherPending_ = true;
        return;
    }
    // The X socket, the raise socket, the close signals' descriptor and the
    // gamepads at once; a signal also stops the wait (poll fails), but one that
    // came just before it began shows only on its descriptor. A negative
    // descriptor is not looked at.
    waiting_.assign({{x_.socket(), POLLIN, 0},
                     {raiseSocket_, POLLIN, 0},
                     {CloseSignalDescriptor(), POLLIN, 0}});
    constexpr std::size_t PADS = 3;  // where the gamepads' descriptors begin
    pads_.watch(waiting_);
    if (const int pads = pads_.longestSleep(); pads >= 0) timeout = std::min(timeout, pads);
    const bool stopped = poll(waiting_.data(), waiting_.size(), timeout) < 0;
    bool plugged = false;
    padsDue_ = pads_.readDue(waiting_.data() + PADS, waiting_.size() - PADS, plugged);
    gatherPending_ = stopped || waiting_[0].revents != 0 || plugged;
    raiseDue_ = raiseSocket_ < 0 || waiting_[1].revents != 0;
    lastLooked_ = SDL_GetTicks64();
}
