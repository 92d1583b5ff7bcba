#include "host/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Whether a folder is the user's alone: owned by the user, no access for others.
bool Private(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

// The user's runtime folder, when it is an absolute path and private (as the
// XDG rules require: in a shared folder another user could hold the lock);
// else a private folder of our own in the temporary folder ($TMPDIR or /tmp),
// used only when it really is ours (not a link either). Empty when there is
// none.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime != nullptr && *runtime == '/' && stat(runtime, &info) == 0 && Private(info)) {
        return runtime;
    }
    const char* temp = std::getenv("TMPDIR");
    std::string folder = std::string(temp != nullptr && *temp == '/' ? temp : "/tmp") +
                         "/quarvel-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    if (lstat(folder.c_str(), &info) != 0 || !Private(info)) return "";
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

bool SendRaiseRequest(int socket) {
    // The running instance may close the connection before this is written: that
    // is an error here, not a SIGPIPE that would end this start.
    return send(socket, "raise\n", 6, MSG_NOSIGNAL) == 6;
}

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) close(lockFd_);
}

std::string DisplayKey() {
    // X: "host:display.screen", all screens of one display are one desktop.
    std::string name;
    if (const char* x = std::getenv("DISPLAY"); x != nullptr && *x != '\0') {
        name = x;
        std::size_t colon = name.rfind(':');
        std::size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
        if (colon != std::string::npos && dot != std::string::npos) name.erase(dot);
        if (name.starts_with("unix:")) name.erase(0, 4);  // "unix:0" is ":0"
    } else if (const char* w = std::getenv("WAYLAND_DISPLAY"); w != nullptr && *w != '\0') {
        name = std::string("wl-") + w;
    } else {
        return "none";
    }
    for (char& c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.';
        if (!plain) c = '_';
    }
    return name;
}

SingleInstance::Result SingleInstance::acquire(std::string& error) {
    std::string folder = RuntimeFolder();
    if (folder.empty()) {
        error = "no private runtime folder (set XDG_RUNTIME_DIR)";
        return Result::Failed;
    }
    // One instance per user and display: the runtime folder is the user's, the
    // names carry the display.
    std::string base = folder + "/quarvel-" + DisplayKey();
    std::string lockPath = base + ".lock";
    socketPath_ = base + ".sock";
    sockaddr_un address;
    if (!FillAddress(socketPath_, address)) {
        error = "runtime folder path too long: " + folder;
        return Result::Failed;
    }
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (lockFd_ < 0) {
        error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return Result::Failed;
    }
    // A lock file that is not ours says nothing of our own instances: it never
    // ends the game.
    struct stat info;
    if (fstat(lockFd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        error = lockPath + " is not this user's file";
        close(lockFd_);
        lockFd_ = -1;
        return Result::Failed;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            error = "cannot lock " + lockPath + ": " + std::strerror(errno);
            close(lockFd_);
            lockFd_ = -1;
            return Result::Failed;
        }
        // Another instance holds the lock: ask it to come forward.
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            SendRaiseRequest(fd);
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
    // A look first: a refused accept still sets up a socket in the kernel each time.
    pollfd waiting{listenFd_, POLLIN, 0};
    if (poll(&waiting, 1, 0) <= 0 || !(waiting.revents & POLLIN)) return false;
    bool raise = false;
    for (;;) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) break;
        raise = true;
        close(fd);
    }
    return raise;
}
