// The desktop window's idle cost with a gamepad connected: SDL reads gamepads
// only when it gathers events, so the loop wakes for it. A virtual controller
// stands in for a real one. Prints the processor time per second of idling, with
// and without the controller.
//
// usage: desktop_gamepad_idle [SECONDS]   (needs DISPLAY, e.g. an Xvfb)
#include <SDL.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/desktop_host.h"
#include "platform/internal/host_interface.h"
#include "platform/runtime/clock.h"
#include "platform/windows/windows.h"

namespace {

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Idles the host as the message loop does with only a far timer, for `seconds`.
double IdlePercent(DesktopHost& host, double seconds) {
    const double before = ProcessorSeconds();
    const Uint64 end = SDL_GetTicks64() + static_cast<Uint64>(seconds * 1000);
    while (SDL_GetTicks64() < end)
        host.idle(true, GetTickCount() + 60000);
    return 100 * (ProcessorSeconds() - before) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    SetScreenSize(240, 320);
    DesktopHost host;
    HostOptions options;
    options.scale = 1;
    std::string error;
    if (!host.open(options, error)) {
        std::fprintf(stderr, "desktop_gamepad_idle: %s\n", error.c_str());
        return 2;
    }
    std::printf("idle without a gamepad: %.4f %% of a core\n", IdlePercent(host, seconds));
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = SDL_CONTROLLER_AXIS_MAX;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    if (SDL_JoystickAttachVirtualEx(&pad) < 0) {
        std::fprintf(stderr, "desktop_gamepad_idle: %s\n", SDL_GetError());
        return 1;
    }
    std::printf("idle with a gamepad:    %.4f %% of a core\n", IdlePercent(host, seconds));
    return 0;
}
