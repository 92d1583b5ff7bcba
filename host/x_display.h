// What the desktop host does with the X server itself, beside SDL: it sleeps on
// the server's socket (SDL's own waiting costs dozens of system calls a tick),
// asks whether a window manager runs, and survives the loss of its window or of
// the whole connection instead of letting Xlib end the process.
#pragma once

#include <cstdint>

struct SDL_Window;
union SDL_Event;

class XDisplay {
  public:
    // Watches the X connection SDL opened for `window`; false (and nothing is
    // watched) when SDL does not run on X.
    bool attach(SDL_Window* window);
    bool attached() const { return socket_ >= 0; }
    int socket() const { return socket_; }

    // A round trip to the server, so that a connection lost unnoticed is noted.
    void check() const;

    // Whether Xlib holds events it has read from the server but nobody has taken.
    bool queuedByXlib() const;

    // Since attach: the server destroyed the window (another client closed it),
    // or the connection to the server was lost. After either, SDL must not be
    // asked to draw; after the second, not to do anything on X at all.
    static bool WindowLost();
    static bool DisplayLost();
    // Looks at a raw X event that SDL passed on (SDL_SYSWMEVENT): the window's
    // destruction.
    static void NoteSystemEvent(const SDL_Event& event);

  private:
    int socket_ = -1;
    void* display_ = nullptr;
};

// Whether a window manager looks after the window, so that the system's full
// screen works. Outside X the answer is yes (the system's own).
bool WindowManagerRunning(SDL_Window* window);
