#include "host/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return runtime;
    std::string folder = "/tmp/quarvel-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    return folder;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) close(lockFd_);
}

SingleInstance::Result SingleInstance::acquire(std::string& error) {
    std::string folder = RuntimeFolder();
    std::string lockPath = folder + "/quarvel.lock";
    socketPath_ = folder + "/quarvel.sock";
    sockaddr_un address;
    if (!FillAddress(socketPath_, address)) {
        error = "runtime folder path too long: " + folder;
        return Result::Failed;
    }
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        // Another instance holds the lock: ask it to come forward.
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            (void)!write(fd, "raise\n", 6);
        }
        if (fd >= 0) close(fd);
        close(lockFd_);
        lockFd_ = -1;
        return Result::AnotherRuns;
    }
    unlink(socketPath_.c_str());  // left behind by a crashed instance
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 ||
        bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 4) != 0) {
        // Without the socket later starts cannot raise us, but we still run.
        if (listenFd_ >= 0) close(listenFd_);
        listenFd_ = -1;
    }
    return Result::First;
}

bool SingleInstance::raiseRequested() {
    if (listenFd_ < 0) return false;
    bool raise = false;
    for (;;) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) break;
        raise = true;
        close(fd);
    }
    return raise;
}
