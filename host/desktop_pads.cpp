#include "host/desktop_pads.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// A gamepad without a device file is read this often.
constexpr int POLL_MS = 16;

void Drain(int fd) {
    char bytes[4096];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

DesktopPads::~DesktopPads() {
    if (plugs_ >= 0) close(plugs_);
    for (int fd : files_)
        close(fd);
}

void DesktopPads::open() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_IsGameController(i)) SDL_GameControllerOpen(i);
    }
    plugs_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (plugs_ >= 0 && inotify_add_watch(plugs_, "/dev/input", IN_CREATE | IN_ATTRIB) < 0) {
        close(plugs_);
        plugs_ = -1;
    }
    watchDevices();
}

void DesktopPads::added(int deviceIndex) {
    SDL_GameControllerOpen(deviceIndex);
    watchDevices();
}

void DesktopPads::removed(int instanceId) {
    if (SDL_GameController* c = SDL_GameControllerFromInstanceID(instanceId))
        SDL_GameControllerClose(c);
    watchDevices();
}

// Opens each open gamepad's device file a second time, only to be woken when it
// has something (SDL reads its own copy of the events).
void DesktopPads::watchDevices() {
    for (int fd : files_)
        close(fd);
    files_.clear();
    withoutFile_ = false;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        SDL_Joystick* joystick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(i));
        if (joystick == nullptr) continue;
        const char* path = SDL_JoystickPath(joystick);
        const int fd =
            path != nullptr ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY) : -1;
        if (fd >= 0) {
            files_.push_back(fd);
        } else {
            withoutFile_ = true;
        }
    }
}

void DesktopPads::watch(std::vector<pollfd>& waiting) const {
    waiting.push_back(pollfd{plugs_, POLLIN, 0});
    for (int fd : files_)
        waiting.push_back(pollfd{fd, POLLIN, 0});
}

int DesktopPads::longestSleep() const {
    return withoutFile_ ? POLL_MS : -1;
}

bool DesktopPads::readDue(const pollfd* woken, std::size_t count, bool& plugged) {
    plugged = count > 0 && woken[0].revents != 0;
    if (plugged) Drain(plugs_);
    bool due = withoutFile_;
    for (std::size_t i = 1; i < count; ++i) {
        if (woken[i].revents == 0) continue;
        Drain(woken[i].fd);
        due = true;
    }
    return due;
}
