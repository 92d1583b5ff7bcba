#include "host/desktop_host.h"

#include <SDL.h>
#include <SDL_syswm.h>
#ifdef QUARVEL_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/desktop_services.h"
#include "host/script.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "platform/resources/resources.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"

namespace {

volatile std::sig_atomic_t hangupSignalled = 0;

// The program's icon in its own module.
constexpr std::uint32_t PROGRAM_ICON_ID = 101;

// On X, SDL gathers events at least this often, for what it looks after itself
// (gamepads plugged in, the screen saver).
constexpr std::uint64_t GATHER_INTERVAL_MS = 250;
// While the program is too busy to sleep, the X socket is looked at this often.
constexpr std::uint64_t LOOK_INTERVAL_MS = 8;

// Room left round the window for a window manager's frame.
constexpr int FRAME_WIDTH = 8;
constexpr int FRAME_HEIGHT = 40;

void OnHangup(int) {
    hangupSignalled = 1;
}

// The phone's key code for a desktop key; 0 for keys the phone does not have.
std::uint32_t PhoneKeyCode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<std::uint32_t>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_RETURN:
            return VK_RETURN;
        case SDLK_KP_ENTER:
            return VK_ACTION;
        case SDLK_ESCAPE:
        case SDLK_BACKSPACE:
            return VK_ESCAPE;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 17;
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY:
            return 106;
        case SDLK_KP_PLUS:
            return 107;
        case SDLK_KP_MINUS:
            return 109;
        case SDLK_KP_PERIOD:
            return 110;
        case SDLK_KP_DIVIDE:
            return 111;
        case SDLK_INSERT:
            return VK_APP1;
        case SDLK_HOME:
            return VK_APP1 + 1;
        case SDLK_PAGEUP:
            return VK_APP1 + 2;
        case SDLK_DELETE:
            return VK_APP1 + 3;
        case SDLK_END:
            return VK_APP1 + 4;
        case SDLK_PAGEDOWN:
            return VK_APP1 + 5;
        default:
            return 0;
    }
}

std::uint32_t PhoneButtonCode(std::uint8_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return VK_LEFT;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return VK_UP;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return VK_RIGHT;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return VK_DOWN;
        case SDL_CONTROLLER_BUTTON_A:
            return VK_ACTION;
        case SDL_CONTROLLER_BUTTON_B:
            return VK_ESCAPE;
        case SDL_CONTROLLER_BUTTON_START:
            return VK_F1;
        case SDL_CONTROLLER_BUTTON_BACK:
            return VK_F2;
        case SDL_CONTROLLER_BUTTON_X:
            return VK_APP1;
        case SDL_CONTROLLER_BUTTON_Y:
            return VK_APP1 + 1;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return VK_APP1 + 2;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return VK_APP1 + 3;
        case SDL_CONTROLLER_BUTTON_LEFTSTICK:
            return VK_APP1 + 4;
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK:
            return VK_APP1 + 5;
        default:
            return 0;
    }
}

bool Before(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// Scales rows of pixels `Scale` times in both directions in one pass: each
// source pixel is written `Scale` times into each of `Scale` target rows, so
// nothing is read back from the target. Fixed scales let the compiler unroll it.
template <int Scale>
void ScaleRows(const std::uint32_t* from, std::size_t fromPitch, std::int32_t count,
               std::int32_t rows, std::uint8_t* to, std::size_t toPitch) {
    for (std::int32_t y = 0; y < rows; ++y, from += fromPitch) {
        std::uint32_t* out[Scale];
        for (int k = 0; k < Scale; ++k)
            out[k] = reinterpret_cast<std::uint32_t*>(to + (std::size_t(y) * Scale + k) * toPitch);
        for (std::int32_t x = 0; x < count; ++x) {
            const std::uint32_t p = from[x];
            for (int k = 0; k < Scale; ++k) {
                for (int j = 0; j < Scale; ++j)
                    out[k][x * Scale + j] = p;
            }
        }
    }
}

// The same for any scale: one row widened, then copied to the rows below it.
void ScaleRows(const std::uint32_t* from, std::size_t fromPitch, std::int32_t count,
               std::int32_t rows, std::uint8_t* to, std::size_t toPitch, int scale) {
    switch (scale) {
        case 1:
            for (std::int32_t y = 0; y < rows; ++y)
                std::memcpy(to + y * toPitch, from + y * fromPitch, std::size_t(count) * 4);
            return;
        case 2:
            ScaleRows<2>(from, fromPitch, count, rows, to, toPitch);
            return;
        case 3:
            ScaleRows<3>(from, fromPitch, count, rows, to, toPitch);
            return;
        case 4:
            ScaleRows<4>(from, fromPitch, count, rows, to, toPitch);
            return;
        default:
            break;
    }
    for (std::int32_t y = 0; y < rows; ++y, from += fromPitch) {
        auto* first = reinterpret_cast<std::uint32_t*>(to + std::size_t(y) * scale * toPitch);
        std::uint32_t* out = first;
        for (std::int32_t x = 0; x < count; ++x) {
            for (int k = 0; k < scale; ++k)
                *out++ = from[x];
        }
        for (int k = 1; k < scale; ++k) {
            std::memcpy(to + (std::size_t(y) * scale + k) * toPitch, first,
                        std::size_t(count) * scale * 4);
        }
    }
}

// Whether Xlib holds events it has read from the server but nobody has taken.
bool QueuedByXlib(void* display) {
#ifdef QUARVEL_HAVE_X11
    return display != nullptr && XEventsQueued(static_cast<Display*>(display), QueuedAlready) > 0;
#else
    (void)display;
    return false;
#endif
}

// Whether a socket has something to read (or a signal came) within `timeout` ms.
bool Readable(int fd, int timeout) {
    pollfd waiting{fd, POLLIN, 0};
    return poll(&waiting, 1, timeout) != 0;
}

#ifdef QUARVEL_HAVE_X11
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

// Whether a window manager looks after the window, so that the system's full
// screen works. Outside X the answer is yes (the system's own); on X, a window
// manager names its check window on the root, and the check window names itself
// (one that died leaves a stale name behind).
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

}  // namespace

int ScaleToFit(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t areaWidth,
               std::int32_t areaHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) return 1;
    return std::max(1, std::min(areaWidth / screenWidth, areaHeight / screenHeight));
}

ScreenPlacement PlaceScreen(std::int32_t screenWidth, std::int32_t screenHeight,
                            std::int32_t windowWidth, std::int32_t windowHeight) {
    ScreenPlacement p;
    p.scale = ScaleToFit(screenWidth, screenHeight, windowWidth, windowHeight);
    p.left = (windowWidth - screenWidth * p.scale) / 2;
    p.top = (windowHeight - screenHeight * p.scale) / 2;
    return p;
}

DesktopHost::DesktopHost() = default;

DesktopHost::~DesktopHost() {
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
}

bool DesktopHost::open(const HostOptions& options, std::string& error) {
    // SDL opens an X input method, which reads and parses the locale's whole
    // table of compose sequences (thousands of lines) before the first window.
    // The phone takes keys, never composed text, so the table is left empty for
    // that moment; programs started later (a link's browser) get the user's.
    const char* userCompose = std::getenv("XCOMPOSEFILE");
    const std::string savedCompose = userCompose != nullptr ? userCompose : "";
    setenv("XCOMPOSEFILE", "/dev/null", 1);
    const bool ready = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) == 0;
    if (userCompose != nullptr) {
        setenv("XCOMPOSEFILE", savedCompose.c_str(), 1);
    } else {
        unsetenv("XCOMPOSEFILE");
    }
    if (!ready) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    width_ = options.screenWidth;
    height_ = options.screenHeight;
    int scale = options.scale;
    if (scale == 0) {
        // The largest that fits the desktop's usable area (without its panels),
        // with room for a window manager's frame: a title bar and thin borders.
        SDL_Rect usable{0, 0, 1280, 720};
        SDL_GetDisplayUsableBounds(0, &usable);
        scale = ScaleToFit(width_, height_, usable.w - FRAME_WIDTH, usable.h - FRAME_HEIGHT);
    }
    // The window's surface goes straight to the display (X11 shared memory), not
    // through an OpenGL texture, which costs far more when there is no GPU.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    window_ = SDL_CreateWindow("Quarvel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width_ * scale, height_ * scale, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    // The window's icon, for the title bar and the task switcher: the program's
    // icon 101, as on the phone (its transparent pixels have alpha 0).
    ResourceData icon = FindResource(ProgramModule(), PROGRAM_ICON_ID, RT_ICON);
    if (SDL_Surface* image = DecodePng(icon.bytes, icon.size, true, 1024, 1 << 20)) {
        SDL_SetWindowIcon(window_, image);
        SDL_FreeSurface(image);
    }
    // The screen is scaled by hand into the window's own surface: only what
    // changed is copied, and no renderer keeps the processor busy.
    if (SDL_GetWindowSurface(window_) == nullptr) {
        error = std::string("cannot draw in the window: ") + SDL_GetError();
        return false;
    }
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_IsGameController(i)) SDL_GameControllerOpen(i);
    }
    std::signal(SIGHUP, OnHangup);
#ifdef QUARVEL_HAVE_X11
    // The loop waits on the X server's socket itself (see eventsDue).
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
        xConnection_ = ConnectionNumber(info.info.x11.display);
        xDisplay_ = info.info.x11.display;
    }
#endif

    if (!options.recordPath.empty()) {
        record_.open(options.recordPath, std::ios::trunc);
        if (!record_) {
            error = "cannot write the recording " + options.recordPath;
            return false;
        }
        record_ << "# Quarvel input recorded on the desktop; replay with\n"
                << "# quarvel --headless --script " << options.recordPath << " --store "
                << options.recordPath << ".store\n"
                << "clock-start " << GetTickCount() << "\n";
    }
    realStart_ = SDL_GetTicks64();
    clockStart_ = GetTickCount();
    return true;
}

std::uint32_t DesktopHost::realClock() const {
    return clockStart_ + static_cast<std::uint32_t>(SDL_GetTicks64() - realStart_);
}

// A close request goes through the input queue, so that a recording replays it
// at the same moment.
void DesktopHost::requestClose() {
    inputs_.push_back(Input{Input::Kind::Close, 0, false, 0, 0});
}

void DesktopHost::queueKey(std::uint32_t code, bool down) {
    if (code != 0) inputs_.push_back(Input{Input::Kind::Key, code, down, 0, 0});
}

void DesktopHost::handleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:  // the close button, Ctrl+C and SIGTERM
            requestClose();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                present(true);
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            SDL_Keycode key = event.key.keysym.sym;
            bool down = event.type == SDL_KEYDOWN;
            if (down && (key == SDLK_RETURN || key == SDLK_KP_ENTER) &&
                (event.key.keysym.mod & KMOD_ALT)) {
                if (!event.key.repeat) toggleFullScreen();
                break;
            }
            if (key == SDLK_PRINTSCREEN) {
                if (down && !event.key.repeat) saveScreenshot();
                break;
            }
            queueKey(PhoneKeyCode(key), down);
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            queueKey(PhoneButtonCode(event.cbutton.button), event.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(event.cdevice.which);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT && event.button.which != SDL_TOUCH_MOUSEID) {
                ScreenPlacement p = placement();
                // Phone pixels; a tap beside the screen lands on its nearest edge.
                std::int32_t x = std::clamp((event.button.x - p.left) / p.scale, 0, width_ - 1);
                std::int32_t y = std::clamp((event.button.y - p.top) / p.scale, 0, height_ - 1);
                inputs_.push_back(
                    Input{Input::Kind::Pen, 0, event.type == SDL_MOUSEBUTTONDOWN, x, y});
            }
            break;
        default:
            break;
    }
}

void DesktopHost::deliver(const Input& input) {
    if (record_) {
        std::uint32_t now = GetTickCount();
        if (now != mark_) record_ << "wait " << (now - mark_) << "\n";
        if (input.kind == Input::Kind::Key) {
            record_ << (input.down ? "down " : "up ") << KeyNameForScript(input.code) << "\n";
        } else if (input.kind == Input::Kind::Close) {
            record_ << "close\n";
        } else {
            record_ << (input.down ? "pen-down " : "pen-up ") << input.x << " " << input.y << "\n";
        }
        record_.flush();
    }
    if (input.kind == Input::Kind::Key) {
        DeliverKey(input.code, input.down);
    } else if (input.kind == Input::Kind::Close) {
        if (WindowHandle main = ProgramMainWindow()) PostMessage(main, WM_CLOSE, 0, 0);
    } else {
        DeliverPen(input.down ? PenAction::Down : PenAction::Up, input.x, input.y);
    }
    markPending_ = true;
}

ScreenPlacement DesktopHost::placement() const {
    int w = width_, h = height_;
    SDL_GetWindowSize(window_, &w, &h);
    return PlaceScreen(width_, height_, w, h);
}

void DesktopHost::toggleFullScreen() {
    if (!fullScreen_) {
        SDL_GetWindowPosition(window_, &savedX_, &savedY_);
        SDL_GetWindowSize(window_, &savedWidth_, &savedHeight_);
        byHand_ = !WindowManagerRunning(window_);
        if (byHand_) {
            // Nobody would carry out the system's full screen (SDL would only
            // think it done): the window covers its display itself.
            SDL_Rect bounds{0, 0, savedWidth_, savedHeight_};
            SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &bounds);
            SDL_SetWindowBordered(window_, SDL_FALSE);
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
            SDL_RaiseWindow(window_);
        } else {
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        fullScreen_ = true;
    } else {
        if (!byHand_) SDL_SetWindowFullscreen(window_, 0);
        // Back exactly where and as large as it was.
        SDL_SetWindowSize(window_, savedWidth_, savedHeight_);
        SDL_SetWindowPosition(window_, savedX_, savedY_);
        if (byHand_) SDL_SetWindowBordered(window_, SDL_TRUE);
        fullScreen_ = false;
    }
    present(true);
}

void DesktopHost::present(bool force) {
    // Of what was drawn on, only the pixels that differ from those shown are
    // scaled and sent: a game redraws its whole playfield at every tick, where
    // a falling piece changes a few rows.
    Rect area;
    BitmapHandle screen = ComposeScreen(nullptr, &area);
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    PixelRows rows = BitmapPixels(screen);
    if (target == nullptr || rows.pixels == nullptr) return;
    if (force) area = Rect{0, 0, width_, height_};
    if (area.right <= area.left || area.bottom <= area.top) return;
    // Placed by the surface's own size, which is what is written to.
    ScreenPlacement p = PlaceScreen(width_, height_, target->w, target->h);
    const int scale = p.scale, left = p.left, top = p.top;
    if (force) SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));

    SDL_Rect changed{left + area.left * scale, top + area.top * scale,
                     (area.right - area.left) * scale, (area.bottom - area.top) * scale};
    if (target->format->BytesPerPixel == 4 && target->format->Rmask == 0xFF0000 &&
        target->format->Gmask == 0xFF00 && target->format->Bmask == 0xFF) {
        // Nearest-neighbour integer scaling.
        SDL_LockSurface(target);
        auto* base = static_cast<std::uint8_t*>(target->pixels) +
                     std::size_t(top + area.top * scale) * target->pitch +
                     std::size_t(left + area.left * scale) * 4;
        ScaleRows(rows.pixels + std::size_t(area.top) * rows.pitch + area.left,
                  std::size_t(rows.pitch), area.right - area.left, area.bottom - area.top, base,
                  std::size_t(target->pitch), scale);
        SDL_UnlockSurface(target);
    } else {
        // Any other window format: let SDL convert and scale.
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint32_t*>(rows.pixels), rows.width, rows.height, 32, rows.pitch * 4,
            SDL_PIXELFORMAT_RGB888);
        if (source == nullptr) return;
        SDL_Rect from{area.left, area.top, area.right - area.left, area.bottom - area.top};
        SDL_Rect to = changed;
        SDL_BlitScaled(source, &from, target, &to);
        SDL_FreeSurface(source);
    }
    if (force) {
        SDL_UpdateWindowSurface(window_);
    } else {
        SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
    }
    gatherPending_ = true;  // its events may have come while SDL waited for the X server
    if (!firstFrameLogged_ && ProgramMainWindow() != nullptr) {
        // For start-up measurements: the system's monotonic time of the first frame
        // that shows the program's window.
        firstFrameLogged_ = true;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        LogEvent(
            "first frame at monotonic " +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
            " us");
    }
}

void DesktopHost::saveScreenshot() {
    std::string folder = DataFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "quarvel: no folder for screenshots: %s\n", SDL_GetError());
        return;
    }
    for (int n = 1; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "quarvel-%03d.png", n);
        std::string path = folder + name;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) continue;
        if (SaveBitmapPng(ComposeScreen(), path.c_str())) {
            std::fprintf(stderr, "quarvel: screenshot saved as %s\n", path.c_str());
        } else {
            std::fprintf(stderr, "quarvel: could not save %s\n", path.c_str());
        }
        return;
    }
    std::fprintf(stderr, "quarvel: no free screenshot name in %s\n", folder.c_str());
}

bool DesktopHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    if (markPending_) {
        // The program has handled the last input: later waits count from here, as
        // a headless replay's do.
        mark_ = GetTickCount();
        markPending_ = false;
    }
    for (;;) {
        if (eventsDue()) {
            SDL_PumpEvents();  // events move to SDL's queue, which is emptied here
            joysticks_ = SDL_NumJoysticks();
        }
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
            handleEvent(event);
        if (hangupSignalled) {
            hangupSignalled = 0;
            requestClose();
        }
        // Another start's request to come forward is looked at once after the
        // loop slept and found one (or on the first pass), not at every pass of a
        // busy loop.
        const bool raiseDue = raiseDue_;
        raiseDue_ = false;
        if (raiseDue && raiseCheck_ != nullptr && raiseCheck_()) {
            SDL_RaiseWindow(window_);
            gatherPending_ = true;
            if (WindowHandle main = ProgramMainWindow()) BringWindowToFront(main);
        }
        present(false);

        // Time moves to the real clock, but stops at each timer's due time so
        // that timers fire on their own time, as in a headless replay. Input
        // goes first, so that a program slower than its timers still hears it:
        // it is delivered just before the next timer is due, which is where a
        // replay, running every timer up to the input's time first, puts it too.
        std::uint32_t now = GetTickCount();
        std::uint32_t target = Before(now, realClock()) ? realClock() : now;
        bool timerDue = hasTimer && !Before(target, nextTimerDue);
        if (!inputs_.empty()) {
            SetClock(timerDue ? nextTimerDue - 1 : target);
            deliver(inputs_.front());
            inputs_.pop_front();
            return true;
        }
        if (timerDue) {
            SetClock(nextTimerDue);
            return true;
        }
        SetClock(target);
        // Nothing to do: sleep until the next timer or input.
        std::int32_t timeout = hasTimer ? static_cast<std::int32_t>(nextTimerDue - target) : 250;
        sleep(std::clamp(timeout, 1, 250));
    }
}

// SDL's gathering of events costs a dozen system calls on X (the X socket,
// gamepad hot-plug), several times over in SDL's own waiting. So on X the loop
// waits on the X socket itself, and SDL gathers only when the socket has
// something to read, when a signal came, after the window was drawn (the X
// server's events may have been read meanwhile), and every 250 ms; while the
// program is too busy to sleep, the socket is looked at every few milliseconds.
// Elsewhere, and with a gamepad in use (SDL polls gamepads), SDL does it all.
bool DesktopHost::waitsOnX() const {
    return xConnection_ >= 0 && joysticks_ == 0;
}

bool DesktopHost::eventsDue() {
    const std::uint64_t now = SDL_GetTicks64();
    if (waitsOnX() && !gatherPending_ && now - lastGathered_ < GATHER_INTERVAL_MS) {
        if (now - lastLooked_ < LOOK_INTERVAL_MS) return false;
        lastLooked_ = now;
        if (!Readable(xConnection_, 0)) return false;
    }
    gatherPending_ = false;
    lastGathered_ = lastLooked_ = now;
    return true;
}

void DesktopHost::sleep(int timeout) {
    if (waitsOnX()) {
        // Events Xlib has read already (while SDL or the window manager's check
        // talked to the server) are not on the socket any more: gather them first.
        if (gatherPending_ || QueuedByXlib(xDisplay_)) {
            gatherPending_ = true;
            return;
        }
        // Both sockets at once; a signal stops the wait (poll fails), and SDL
        // turns it into a close. A negative raise socket is not looked at.
        pollfd waiting[2] = {{xConnection_, POLLIN, 0}, {raiseSocket_, POLLIN, 0}};
        const bool stopped = poll(waiting, 2, timeout) < 0;
        gatherPending_ = stopped || waiting[0].revents != 0;
        raiseDue_ = raiseSocket_ < 0 || waiting[1].revents != 0;
        lastLooked_ = SDL_GetTicks64();
        return;
    }
    SDL_WaitEventTimeout(nullptr, timeout);
    gatherPending_ = true;
    raiseDue_ = true;
}
