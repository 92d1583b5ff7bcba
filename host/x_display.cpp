#include "host/x_display.h"

#include <SDL.h>
#include <SDL_syswm.h>
#ifdef QUARVEL_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace {

bool windowLost = false;
bool displayLost = false;
unsigned long watchedWindow = 0;

#ifdef QUARVEL_HAVE_X11
// Errors on our own window mean it is gone (destroyed by another client);
// other errors are not fatal to a game and are let pass, where Xlib's default
// would end the process.
int OnXError(Display*, XErrorEvent* error) {
    if (error->resourceid == watchedWindow &&
        (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        windowLost = true;
    }
    return 0;
}

// The connection is gone (the server ended): Xlib calls both handlers and, when
// the second returns, lets every later call fail instead of ending the process.
int OnXIOError(Display*) {
    return 0;
}

void OnXIOErrorExit(Display*, void*) {
    displayLost = true;
}

int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// The window named by a window's _NET_SUPPORTING_WM_CHECK property, or None.
Window SupportingWindow(Display* display, Window window, Atom check) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = None;
    if (XGetWindowProperty(display, window, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data != nullptr) {
        found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) XFree(data);
    return found;
}
#endif

}  // namespace

bool XDisplay::attach(SDL_Window* window) {
#ifdef QUARVEL_HAVE_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    display_ = display;
    socket_ = ConnectionNumber(display);
    watchedWindow = info.info.x11.window;
    windowLost = displayLost = false;
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    XSetIOErrorExitHandler(display, OnXIOErrorExit, nullptr);
    // SDL passes the window's destruction on only as a raw X event.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    return true;
#else
    (void)window;
    return false;
#endif
}

void XDisplay::check() const {
#ifdef QUARVEL_HAVE_X11
    if (display_ != nullptr && !displayLost) XSync(static_cast<Display*>(display_), False);
#endif
}

bool XDisplay::queuedByXlib() const {
#ifdef QUARVEL_HAVE_X11
    return display_ != nullptr && !displayLost &&
           XEventsQueued(static_cast<Display*>(display_), QueuedAlready) > 0;
#else
    return false;
#endif
}

bool XDisplay::WindowLost() {
    return windowLost || displayLost;
}

bool XDisplay::DisplayLost() {
    return displayLost;
}

void XDisplay::NoteSystemEvent(const SDL_Event& event) {
#ifdef QUARVEL_HAVE_X11
    const SDL_SysWMmsg* message = event.syswm.msg;
    if (message != nullptr && message->subsystem == SDL_SYSWM_X11 &&
        message->msg.x11.event.type == DestroyNotify &&
        message->msg.x11.event.xdestroywindow.window == watchedWindow) {
        windowLost = true;
    }
#else
    (void)event;
#endif
}

// A window manager names its check window on the root, and the check window
// names itself (one that died leaves a stale name behind).
bool WindowManagerRunning(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info)) return false;  // the dummy driver: nobody
#ifdef QUARVEL_HAVE_X11
    if (info.subsystem == SDL_SYSWM_X11) {
        Display* display = info.info.x11.display;
        Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        XSync(display, False);
        auto previous = XSetErrorHandler(IgnoreXError);
        Window wm = SupportingWindow(display, DefaultRootWindow(display), check);
        bool running = wm != None && SupportingWindow(display, wm, check) == wm;
        XSync(display, False);
        XSetErrorHandler(previous);
        return running;
    }
#endif
    return true;
}
