// The gamepads the desktop window uses, as SDL opens them, and what the loop
// sleeps on for them: SDL reads a gamepad only when asked, so the loop wakes
// when the gamepad's own device file has something to read (or, for one
// without a device file, every few milliseconds), and when a device is plugged
// in.
#pragma once

#include <poll.h>

#include <vector>

class DesktopPads {
  public:
    DesktopPads() = default;
    DesktopPads(const DesktopPads&) = delete;
    DesktopPads& operator=(const DesktopPads&) = delete;
    ~DesktopPads();

    // Opens the gamepads connected now and starts watching for new ones.
    void open();
    // A gamepad was connected or removed (SDL's device index or instance id).
    void added(int deviceIndex);
    void removed(int instanceId);

    // What to sleep on; the longest sleep in milliseconds (-1: no limit).
    void watch(std::vector<pollfd>& waiting) const;
    int longestSleep() const;
    // After the sleep: whether SDL should read the gamepads, or gather every
    // event (a device was plugged in), from what woke the loop. Drains what the
    // loop's own descriptors read.
    bool readDue(const pollfd* woken, std::size_t count, bool& plugged);

  private:
    void watchDevices();

    int plugs_ = -1;            // inotify on /dev/input: devices plugged in
    std::vector<int> files_;    // each gamepad's device file, read only to wake
    bool withoutFile_ = false;  // a gamepad without a device file (a virtual one)
};
