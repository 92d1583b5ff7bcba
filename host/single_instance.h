// One desktop instance per user and display: a lock file and a local socket in
// the user's runtime folder, named after the display. The lock is an advisory
// file lock, which the system drops when its holder dies, and the holder of the
// lock replaces any socket file it finds, so a killed instance never blocks the
// next start.
#pragma once

#include <string>

// The display the desktop window goes to (from DISPLAY, else WAYLAND_DISPLAY),
// as a file-name part: ":0" and ":0.1" are one display, "none" without one.
std::string DisplayKey();

// Writes the request to come to the front on a connected socket; false when it
// could not be written (the other end closed), which never raises SIGPIPE.
bool SendRaiseRequest(int socket);

class SingleInstance {
  public:
    SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    enum class Result { First, AnotherRuns, Failed };
    // Becomes the running instance, or tells the running one to come to the front.
    Result acquire(std::string& error);
    // Whether another start asked this instance to come to the front (polled).
    bool raiseRequested();
    // The socket such a request comes to (readable then); -1 without one.
    int raiseSocket() const { return listenFd_; }

  private:
    int lockFd_ = -1;
    int listenFd_ = -1;
    std::string socketPath_;
};
