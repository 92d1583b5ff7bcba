// Layer-internal parts of the resource modules: loading from memory or from a
// path, the program module's registration, entry naming shared with the pack
// tools, and a listing of a module's entries. Not for game code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources/resources.h"

// Limits on what a pack may hold.
constexpr std::size_t MAX_PACK_BYTES = std::size_t{64} << 20;     // the archive file
constexpr std::size_t MAX_ENTRY_BYTES = std::size_t{16} << 20;    // one entry, uncompressed
constexpr std::size_t MAX_MODULE_BYTES = std::size_t{256} << 20;  // all entries, uncompressed

// A pack entry's name "<TYPE>/<ID>[.ext]", read.
struct EntryName {
    std::string type;  // "BITMAP" for a predefined type, "#300" for another number, else the name
    std::string id;    // the decimal number or the name, without the extension
    std::string key;   // the lookup key; equal for names that denote the same resource
};

// Reads an entry name; false, with the reason in `why` when given, for a name
// that breaks the naming rule.
bool ParseEntryName(std::string_view entryName, EntryName& parsed, std::string* why = nullptr);

// The lookup key of a resource asked for by id and type, as ParseEntryName forms
// it. A name "#<n>" stands for the number n.
std::string ResourceLookupKey(ResourceName id, ResourceName type);

// The text of a string resource: its bytes without one final LF or CR LF.
std::string_view StringResourceText(ResourceData data);

// Loads a pack from bytes (copied; the caller keeps its buffer) or from a file
// path. Null when the bytes are not a valid pack.
ModuleHandle LoadModuleFromMemory(const void* bytes, std::size_t size);
ModuleHandle LoadModuleFromFile(const std::string& path);

// The folders LoadModule searches, in order, given the folder the host set (may
// be empty), the executable's folder and the search folders relative to it.
std::vector<std::filesystem::path> ModuleSearchFolders(const std::filesystem::path& moduleFolder,
                                                       const std::filesystem::path& executable,
                                                       const std::vector<std::string>& relative);
// Host side: the folders searched when no module folder is set, relative to the
// executable's folder ("." is the folder itself); by default "." and "packs".
void SetModuleSearchFolders(std::vector<std::string> folders);

// Called once, at static initialisation, by the source that
// quarvel_embed_module generates; the bytes must live for the whole run.
void RegisterProgramModule(const void* bytes, std::size_t size);

// The size of the resource whose bytes start at `bytes`, in any loaded module;
// nothing when the bytes are not a resource's. Lets a service that is handed
// only a pointer (a sound) bound its reading by the resource's real size.
std::optional<std::size_t> ResourceSizeAt(const void* bytes);

// A module's entries in the order of the archive.
struct ModuleEntry {
    std::string type;  // as in EntryName
    std::string id;
    ResourceData data;
};
std::vector<ModuleEntry> ListModuleEntries(ModuleHandle module);
