#include "host/desktop_host.h"

#include <SDL.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/close_signals.h"
#include "host/desktop_keys.h"
#include "host/desktop_services.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/runtime/clock.h"
#include "platform/sound/sound.h"
#include "platform/windows/windows.h"

namespace {

// On X, SDL gathers events at least this often, for what it looks after itself
// (the screen saver).
constexpr std::uint64_t GATHER_INTERVAL_MS = 30000;
// While the program is too busy to sleep, the X socket is looked at this often.
constexpr std::uint64_t LOOK_INTERVAL_MS = 8;
// The silent audio device is let rest or closed up to this late.
constexpr int AUDIO_SLACK_MS = 40;

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

DesktopHost::DesktopHost() {
    CatchCloseSignals();
}

DesktopHost::~DesktopHost() {
    RestoreCloseSignals();
    SetTimeOfDaySource(nullptr);
    SetCharactersFromKeys(true);
    SetNoAudioDeviceHandler(nullptr);
    x_.check();
    if (XDisplay::WindowLost()) {
        // SDL would wait for ever for a lost window to be unmapped, and nothing
        // more can be said to a lost display: both are left as they are.
        view_.lose();
        return;
    }
    view_.close();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
}

bool DisplayMissing() {
    return !Set("SDL_VIDEODRIVER") && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY");
}

bool DesktopHost::open(const HostOptions& options, std::string& error) {
    // A video driver chosen by hand (SDL_VIDEODRIVER, as the tests do) is used as
    // it is; otherwise the desktop must be there, not SDL's stand-ins for it.
    const bool driverChosen = Set("SDL_VIDEODRIVER");
    if (DisplayMissing()) {
        error = NO_DISPLAY;
        return false;
    }
    // SIGINT, SIGTERM and SIGHUP are the hosts' own (close_signals.h).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driverChosen && driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        error = NO_DISPLAY;
        return false;
    }
    if (!view_.open(options.screenWidth, options.screenHeight, options.scale, error)) return false;
    x_.attach(view_.window());
    pads_.open();
    // Typed text comes from the system's text input (any keyboard layout or
    // input method), not from the keys.
    SDL_StartTextInput();
    SetCharactersFromKeys(false);
    SetTimeOfDaySource(LocalTimeOfDay);
    SetNoAudioDeviceHandler(
        [] { std::fputs("quarvel: no sound device, playing without sound\n", stderr); });
    if (!options.recordPath.empty() && !loop_.record(options.recordPath, false, error))
        return false;
    realStart_ = SDL_GetTicks64();
    clockStart_ = GetTickCount();
    return true;
}

std::uint32_t DesktopHost::realClock() const {
    return clockStart_ + static_cast<std::uint32_t>(SDL_GetTicks64() - realStart_);
}

void DesktopHost::present(bool force) {
    // Drawing waits for the X server's answers, which may read events off the
    // connection into Xlib's queue: on X the loop looks there before it sleeps
    // (a cheap look, where gathering costs a dozen system calls at every tick);
    // elsewhere SDL gathers them.
    if (view_.present(force) && !waitsOnX()) gatherPending_ = true;
}

void DesktopHost::queuePen(bool down, std::int32_t x, std::int32_t y) {
    const Point at = view_.phonePoint(x, y);
    ScriptCommand pen;
    pen.kind = down ? ScriptCommand::Kind::PenDown : ScriptCommand::Kind::PenUp;
    pen.x = at.x;
    pen.y = at.y;
    loop_.queue(pen);
    penDown_ = down;
}

void DesktopHost::handleWindowEvent(const SDL_Event& event) {
    switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            present(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            // As the phone's window manager does when another program comes to the
            // front and goes again: the program's active window is told.
            if (const bool gained = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
                gained != active_) {
                active_ = gained;
                ScriptCommand activation;
                activation.kind =
                    gained ? ScriptCommand::Kind::Activate : ScriptCommand::Kind::Deactivate;
                loop_.queue(activation);
            }
            break;
        default:
            break;
    }
}

void DesktopHost::handleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:  // the window's close button
            loop_.queueClose();
            break;
        case SDL_WINDOWEVENT:
            handleWindowEvent(event);
            break;
        case SDL_SYSWMEVENT:
            XDisplay::NoteSystemEvent(event);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDL_Keycode key = event.key.keysym.sym;
            const bool down = event.type == SDL_KEYDOWN;
            if (down && (key == SDLK_RETURN || key == SDLK_KP_ENTER) &&
                (event.key.keysym.mod & KMOD_ALT)) {
                if (!event.key.repeat) toggleFullScreen();
                break;
            }
            if (key == SDLK_PRINTSCREEN) {
                if (down && !event.key.repeat) view_.saveScreenshot();
                break;
            }
            loop_.queueKey(PhoneKeyCode(key), down);
            break;
        }
        case SDL_TEXTINPUT: {
            ScriptCommand text;
            text.kind = ScriptCommand::Kind::Text;
            text.text = event.text.text;
            if (!text.text.empty()) loop_.queue(text);
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            loop_.queueKey(PhoneButtonCode(event.cbutton.button),
                           event.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            pads_.added(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            pads_.removed(event.cdevice.which);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            // Touches come as fingers below, not as SDL's mouse made from them.
            if (event.button.button == SDL_BUTTON_LEFT && event.button.which != SDL_TOUCH_MOUSEID)
                queuePen(event.type == SDL_MOUSEBUTTONDOWN, event.button.x, event.button.y);
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERUP: {
            // The first finger is the stylus; others while it is down are not.
            const bool down = event.type == SDL_FINGERDOWN;
            if (down ? (finger_ >= 0 || penDown_) : event.tfinger.fingerId != finger_) break;
            finger_ = down ? event.tfinger.fingerId : -1;
            int w = 0, h = 0;
            SDL_GetWindowSize(view_.window(), &w, &h);
            queuePen(down, static_cast<std::int32_t>(event.tfinger.x * static_cast<float>(w)),
                     static_cast<std::int32_t>(event.tfinger.y * static_cast<float>(h)));
            break;
        }
        default:
            break;
    }
}

void DesktopHost::raise() {
    SDL_Window* window = view_.window();
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window);
    SDL_RaiseWindow(window);
    gatherPending_ = true;
    if (WindowHandle main = ProgramMainWindow()) BringWindowToFront(main);
}

bool DesktopHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    loop_.noteIdle();
    for (;;) {
        if (eventsDue()) {
            SDL_PumpEvents();  // events move to SDL's queue, which is emptied here
        } else if (padsDue_) {
            // Only the gamepads: a tenth of what gathering everything costs.
            SDL_GameControllerUpdate();
        }
        padsDue_ = false;
        SDL_Event event;
        while (!XDisplay::DisplayLost() &&
               SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            handleEvent(event);
        }
        if (TakeCloseSignal()) loop_.queueClose();
        if (XDisplay::WindowLost() && !lostHandled_) {
            // Closed from outside, or the display went: the program closes in
            // order, as through its close button, and saves what it saves then.
            lostHandled_ = true;
            view_.lose();
            loop_.queueClose();
        }
        // Another start's request to come forward is looked at once after the
        // loop slept and found one (or on the first pass), not at every pass of a
        // busy loop.
        const bool raiseDue = raiseDue_;
        raiseDue_ = false;
        if (raiseDue && raiseCheck_ != nullptr && raiseCheck_() && !lostHandled_) raise();
        present(false);

        int sleepMs = 0;
        if (loop_.step(hasTimer, nextTimerDue, realClock(), static_cast<int>(GATHER_INTERVAL_MS),
                       sleepMs)) {
            return true;
        }
        // Wake for the title's notice to end, and for the silent audio device to
        // rest or close; the device may wait a little longer for a wake that is
        // due anyway (a game's next tick), rather than cost a wake of its own.
        if (const int due = view_.expireNotice(SDL_GetTicks64()); due >= 0)
            sleepMs = std::min(sleepMs, due + 1);
        if (const int due = CloseAudioWhenSilent(SteadyMs());
            due >= 0 && sleepMs > due + AUDIO_SLACK_MS)
            sleepMs = due + 1;
        sleep(sleepMs);
    }
}

// SDL's gathering of events costs a dozen system calls on X, several times over
// in SDL's own waiting. So on X the loop waits on the X socket itself, and SDL
// gathers only when the socket has something to read, when a signal came, after
// the window was drawn (the X server's events may have been read meanwhile),
// when a gamepad was plugged in or is in use, and now and then for the screen
// saver; while the program is too busy to sleep, the socket is looked at every
// few milliseconds. Elsewhere SDL does it all.
bool DesktopHost::waitsOnX() const {
    return x_.attached() && !XDisplay::DisplayLost();
}

bool DesktopHost::eventsDue() {
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

void DesktopHost::sleep(int timeout) {
    if (XDisplay::DisplayLost()) {
        poll(nullptr, 0, std::min(timeout, 100));
        return;
    }
    if (!waitsOnX()) {
        // SDL's wait does not end at a signal: short enough for a close signal.
        SDL_WaitEventTimeout(nullptr, std::min(timeout, 250));
        gatherPending_ = true;
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
