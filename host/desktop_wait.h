// How the desktop loop waits for input and when it has SDL gather events.
// SDL's gathering costs a dozen system calls on X, several times over in SDL's
// own waiting. So on X the loop sleeps on the X socket itself, and SDL gathers
// only when the socket has something to read, when a signal came, after the
// window was drawn (the X server's events may have been read meanwhile), when a
// gamepad was plugged in or is in use, and now and then for the screen saver;
// while the program is too busy to sleep, the socket is looked at every few
// milliseconds. Elsewhere SDL does it all.
#pragma once

#include <poll.h>

#include <cstdint>
#include <vector>

#include "host/desktop_pads.h"
#include "host/x_display.h"

class DesktopWait {
  public:
    // On X, SDL gathers events at least this often, for what it looks after
    // itself (the screen saver): the longest the loop sleeps.
    static constexpr int GATHER_INTERVAL_MS = 30000;

    DesktopWait(const XDisplay& x, DesktopPads& pads) : x_(x), pads_(pads) {}

    // Another start's requests to come forward arrive on `socket` (-1: none
    // watched, so every wake may have brought one).
    void setRaiseSocket(int socket) { raiseSocket_ = socket; }

    // Whether the loop waits on the X server's socket rather than in SDL.
    bool waitsOnX() const;
    // Whether SDL should gather every event now.
    bool eventsDue();
    // Whether SDL should read the gamepads (the loop woke for them); asks once.
    bool takePadsDue();
    // Whether another start's request may have come since this was last asked.
    bool takeRaiseDue();
    // SDL is to gather events before the loop sleeps again (the window was
    // raised, and the window manager answers). Off X, SDL gathers at every pass.
    void gatherSoon() { gatherPending_ = true; }
    // Waits up to `timeout` ms for input.
    void sleep(int timeout);

  private:
    const XDisplay& x_;
    DesktopPads& pads_;
    int raiseSocket_ = -1;
    std::vector<pollfd> waiting_;     // what the loop sleeps on (kept for its memory)
    bool raiseDue_ = true;            // the raise check should look
    bool padsDue_ = false;            // the gamepads should be read
    bool gatherPending_ = true;       // SDL should gather events before the loop sleeps
    std::uint64_t lastGathered_ = 0;  // when SDL last gathered (SDL_GetTicks64)
    std::uint64_t lastLooked_ = 0;    // when the X socket was last looked at
};
