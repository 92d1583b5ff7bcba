// One desktop instance at a time: a lock file and a local socket in the user's
// runtime folder. The lock is an advisory file lock, which the system drops when
// its holder dies, so a crash never blocks the next start.
#pragma once

#include <string>

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

  private:
    int lockFd_ = -1;
    int listenFd_ = -1;
    std::string socketPath_;
};
