#include "host/desktop_host.h"

#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "host/script.h"
#include "platform/clock.h"
#include "platform/drawing_internal.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/windows.h"

namespace {

volatile std::sig_atomic_t hangupSignalled = 0;

void OnHangup(int) { hangupSignalled = 1; }

// The phone's key code for a desktop key; 0 for keys the phone does not have.
std::uint32_t PhoneKeyCode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<std::uint32_t>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_KP_ENTER: return VK_ACTION;
        case SDLK_ESCAPE:
        case SDLK_BACKSPACE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_TAB: return VK_TAB;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 17;
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY: return 106;
        case SDLK_KP_PLUS: return 107;
        case SDLK_KP_MINUS: return 109;
        case SDLK_KP_PERIOD: return 110;
        case SDLK_KP_DIVIDE: return 111;
        case SDLK_INSERT: return VK_APP1;
        case SDLK_HOME: return VK_APP1 + 1;
        case SDLK_PAGEUP: return VK_APP1 + 2;
        case SDLK_DELETE: return VK_APP1 + 3;
        case SDLK_END: return VK_APP1 + 4;
        case SDLK_PAGEDOWN: return VK_APP1 + 5;
        default: return 0;
    }
}

std::uint32_t PhoneButtonCode(std::uint8_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_LEFT;
        case SDL_CONTROLLER_BUTTON_DPAD_UP: return VK_UP;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_RIGHT;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_DOWN;
        case SDL_CONTROLLER_BUTTON_A: return VK_ACTION;
        case SDL_CONTROLLER_BUTTON_B: return VK_ESCAPE;
        case SDL_CONTROLLER_BUTTON_START: return VK_F1;
        case SDL_CONTROLLER_BUTTON_BACK: return VK_F2;
        case SDL_CONTROLLER_BUTTON_X: return VK_APP1;
        case SDL_CONTROLLER_BUTTON_Y: return VK_APP1 + 1;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return VK_APP1 + 2;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return VK_APP1 + 3;
        case SDL_CONTROLLER_BUTTON_LEFTSTICK: return VK_APP1 + 4;
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return VK_APP1 + 5;
        default: return 0;
    }
}

bool Before(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

}  // namespace

DesktopHost::DesktopHost() = default;

DesktopHost::~DesktopHost() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
}

bool DesktopHost::open(const HostOptions& options, std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    width_ = options.screenWidth;
    height_ = options.screenHeight;
    int scale = options.scale;
    if (scale == 0) {
        SDL_Rect usable{0, 0, 1280, 720};
        SDL_GetDisplayUsableBounds(0, &usable);
        // Leave room for the desktop's window decorations.
        scale = std::max(1, std::min((usable.w - 40) / width_, (usable.h - 80) / height_));
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    window_ = SDL_CreateWindow("Quarvel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width_ * scale, height_ * scale, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        error = std::string("cannot draw in the window: ") + SDL_GetError();
        return false;
    }
    // The phone screen keeps its aspect at an integer scale, letterboxed.
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_IsGameController(i)) SDL_GameControllerOpen(i);
    }
    std::signal(SIGHUP, OnHangup);

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
void DesktopHost::requestClose() { inputs_.push_back(Input{Input::Kind::Close, 0, false, 0, 0}); }

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
                if (!event.key.repeat) {
                    fullScreen_ = !fullScreen_;
                    SDL_SetWindowFullscreen(window_, fullScreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
                }
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
            // With a logical size set, SDL reports the mouse in phone pixels.
            if (event.button.button == SDL_BUTTON_LEFT && event.button.which != SDL_TOUCH_MOUSEID) {
                inputs_.push_back(Input{Input::Kind::Pen, 0, event.type == SDL_MOUSEBUTTONDOWN,
                                        event.button.x, event.button.y});
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

void DesktopHost::present(bool force) {
    bool changed = false;
    BitmapHandle screen = ComposeScreen(&changed);
    if (!changed && !force) return;
    PixelRows rows = BitmapPixels(screen);
    if (rows.pixels == nullptr) return;
    SDL_UpdateTexture(texture_, nullptr, rows.pixels, rows.pitch * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void DesktopHost::saveScreenshot() {
    char* base = SDL_GetPrefPath("", "quarvel");
    if (base == nullptr) {
        std::fprintf(stderr, "quarvel: no folder for screenshots: %s\n", SDL_GetError());
        return;
    }
    std::string folder = base;
    SDL_free(base);
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
        SDL_Event event;
        while (SDL_PollEvent(&event)) handleEvent(event);
        if (hangupSignalled) {
            hangupSignalled = 0;
            requestClose();
        }
        if (raiseCheck_ != nullptr && raiseCheck_()) {
            SDL_RaiseWindow(window_);
            if (WindowHandle main = ProgramMainWindow()) BringWindowToFront(main);
        }
        present(false);

        // Time moves to the real clock, but stops at each timer's due time so
        // that timers fire on their own time, as in a headless replay.
        std::uint32_t now = GetTickCount();
        std::uint32_t target = Before(now, realClock()) ? realClock() : now;
        if (hasTimer && !Before(target, nextTimerDue)) {
            if (Before(now, nextTimerDue)) SetClock(nextTimerDue);
            return true;
        }
        SetClock(target);
        if (!inputs_.empty()) {
            deliver(inputs_.front());
            inputs_.pop_front();
            return true;
        }
        // Nothing to do: sleep until the next timer or input.
        std::int32_t timeout = hasTimer ? static_cast<std::int32_t>(nextTimerDue - target) : 250;
        SDL_WaitEventTimeout(nullptr, std::clamp(timeout, 1, 250));
    }
}
