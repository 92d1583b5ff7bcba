#include "host/desktop_host.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/close_signals.h"
#include "host/desktop_keys.h"
#include "host/desktop_services.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/runtime/clock.h"
#include "platform/sound/sound.h"
#include "platform/windows/windows.h"

namespace {

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
    // connection into Xlib's queue: the wait looks there before it sleeps.
    view_.present(force);
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
    wait_.gatherSoon();
    if (WindowHandle main = ProgramMainWindow()) BringWindowToFront(main);
}

bool DesktopHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    loop_.noteIdle();
    for (;;) {
        const bool padsDue = wait_.takePadsDue();
        if (wait_.eventsDue()) {
            SDL_PumpEvents();  // events move to SDL's queue, which is emptied here
        } else if (padsDue) {
            // Only the gamepads: a tenth of what gathering everything costs.
            SDL_GameControllerUpdate();
        }
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
        if (wait_.takeRaiseDue() && raiseCheck_ != nullptr && raiseCheck_() && !lostHandled_)
            raise();
        present(false);

        int sleepMs = 0;
        if (loop_.step(hasTimer, nextTimerDue, realClock(), DesktopWait::GATHER_INTERVAL_MS,
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
        wait_.sleep(sleepMs);
    }
}
