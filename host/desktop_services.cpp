#include "host/desktop_services.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <thread>

extern char** environ;

std::string DataFolder() {
    char* folder = SDL_GetPrefPath("", "quarvel");
    if (folder == nullptr) return "";
    std::string path = folder;
    SDL_free(folder);
    return path;
}

std::string DefaultStorePath() {
    std::string folder = DataFolder();
    return folder.empty() ? "" : folder + "settings.reg";
}

std::string FontCacheFile() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && *cache == '/') return std::string(cache) + "/quarvel/fonts";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') return std::string(home) + "/.cache/quarvel/fonts";
    return "";
}

std::vector<std::string> PackSearchFolders() {
    return {"../share/quarvel/packs", ".", "packs"};
}

bool OpenLinkOnDesktop(const char* link) {
    if (link == nullptr || link[0] == 0) return false;
    std::string program = "xdg-open";
    std::string argument = link;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    // A waiting thread reaps the child whenever it ends, whatever the program
    // does with SIGCHLD.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return true;
}
