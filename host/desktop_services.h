// What the desktop offers the layer for this game: the user's data folder (for
// the settings store and screenshots), its cache folder (for the fonts found),
// the folders searched for packs, the link opener and the time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The user's data folder for the game ($XDG_DATA_HOME/quarvel/, or
// ~/.local/share/quarvel/ when that is not an absolute path), with a final '/',
// created when missing; empty when there is none (SDL's error says why).
std::string DataFolder();

// The settings store in the data folder; empty when there is no data folder,
// with `error` (when given) saying which store could not be made and why.
std::string DefaultStorePath(std::string* error = nullptr);

// Where the faces fontconfig found are kept between runs: the user's cache
// folder ($XDG_CACHE_HOME/quarvel/fonts, or ~/.cache/quarvel/fonts when that is
// not an absolute path). Empty when there is neither.
std::string FontCacheFile();

// The folders searched for packs when --packs names none, relative to the
// executable's folder: the installed layout's (bin/ beside share/quarvel/packs),
// the executable's own, and its "packs" folder (where the build puts them).
std::vector<std::string> PackSearchFolders();

// Starts `xdg-open <link>` without waiting for it (the child is reaped when it
// ends); false when it could not be started.
bool OpenLinkOnDesktop(const char* link);

// The local time of day in milliseconds since midnight, for the task bar's clock.
std::uint32_t LocalTimeOfDay();
