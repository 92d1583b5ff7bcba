#include "host/desktop_services.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

extern char** environ;

namespace {

// An XDG base folder: the variable when it holds an absolute path (the XDG rules
// ignore a relative one, which would name a folder under wherever the game
// starts), else the folder under $HOME; empty without either.
std::string BaseFolder(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value == '/') return value;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') return std::string(home) + "/" + underHome;
    return "";
}

// Makes a folder and its missing parents, private to the user; false, with
// errno set, when it is not there afterwards.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = 1;; ++slash) {
        slash = path.find('/', slash);
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    errno = ENOTDIR;
    return S_ISDIR(info.st_mode);
}

}  // namespace

std::string DataFolder() {
    const std::string base = BaseFolder("XDG_DATA_HOME", ".local/share");
    if (base.empty()) {
        SDL_SetError("neither XDG_DATA_HOME nor HOME is an absolute path");
        return "";
    }
    if (!MakeFolders(base + "/quarvel")) {
        SDL_SetError("cannot create %s/quarvel: %s", base.c_str(), std::strerror(errno));
        return "";
    }
    return base + "/quarvel/";
}

std::string DefaultStorePath(std::string* error) {
    std::string folder = DataFolder();
    if (!folder.empty()) return folder + "settings.reg";
    if (error != nullptr) {
        const std::string base = BaseFolder("XDG_DATA_HOME", ".local/share");
        *error = "could not save settings" +
                 (base.empty() ? std::string() : " to " + base + "/quarvel/settings.reg") + ": " +
                 SDL_GetError();
    }
    return "";
}

std::string FontCacheFile() {
    const std::string base = BaseFolder("XDG_CACHE_HOME", ".cache");
    return base.empty() ? "" : base + "/quarvel/fonts";
}

std::vector<std::string> PackSearchFolders() {
    return {"../share/quarvel/packs", ".", "packs"};
}

bool OpenLinkOnDesktop(const char* link) {
    if (link == nullptr || link[0] == 0) return false;
    std::string program = "xdg-open";
    std::string argument = link;
    char* argv[] = {program.data(), argument.data(), nullptr};
    // The child, and the browser or mail program it starts, gets stdin, stdout
    // and stderr only: none of the game's files, sockets or pipes.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    pid_t child = 0;
    const bool started = posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0 &&
                         posix_spawnp(&child, "xdg-open", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) return false;
    // A waiting thread reaps the child whenever it ends, whatever the program
    // does with SIGCHLD.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return true;
}

std::uint32_t LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return static_cast<std::uint32_t>((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) *
           1000;
}
