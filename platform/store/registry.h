// The registry: keys under the current user holding binary and 32-bit number
// values. All of it lives in one store file in the REGEDIT4 export format, which
// is replaced atomically on every write.
#pragma once

#include <cstddef>
#include <cstdint>

struct RegistryKeyObject;
using RegistryKey = RegistryKeyObject*;

constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;

// Opens an existing key under the current user ("Software\\Company\\Program"); false when
// it does not exist. A handle queries only with KEY_READ and sets only with
// KEY_WRITE access.
bool OpenRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey& key);
// Opens a key, creating it (and its parents) when missing.
bool CreateRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey& key);
bool CloseRegistryKey(RegistryKey key);

// Reads a value. On entry `size` is the buffer's capacity; on success it holds the
// value's size and `type` its type. A value longer than the buffer fails and
// changes nothing; so does a missing value. A null buffer asks for type and size.
bool QueryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t& type,
                        std::uint8_t* buffer, std::size_t& size);
// Writes a value and saves the store; false when the store cannot be written.
bool SetRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                      const std::uint8_t* data, std::size_t size);

// Host side: the store file (null or empty: none, and every write fails).
// Setting it, even to the same file, reloads the store. Loading happens on first
// use; a file that cannot be parsed reads as empty and is kept aside before the
// next write, as "<file>.bad" or, when that name is taken, "<file>.bad.1", ...
// The program that sets a store first holds it while it runs (a lock on
// "<file>.lock" beside it); another that sets the same store reads it but saves
// nothing.
void SetRegistryStorePath(const char* path);
const char* RegistryStorePath();

// Host side: what the host is told about the store, for its own error stream
// (the program is told nothing but a failed call): once when another running
// program holds the store, once when the file cannot be read (it is set aside
// at the first save, and the program runs on its defaults), and at every save
// that fails, with the reason.
enum class StoreTrouble { HeldByAnother, Unreadable, SaveFailed };
using StoreTroubleHandler = void (*)(StoreTrouble trouble, const char* path, const char* reason);
void SetStoreTroubleHandler(StoreTroubleHandler handler);

// Host side: a copy of the store file that the host keeps elsewhere (a
// browser's own storage). Called at every save with the file's new text, after
// the temporary file is written and before it replaces the store; a mirror that
// answers false fails the save, so the file and the values stay as they were.
using StoreMirror = bool (*)(const char* text, std::size_t size);
void SetStoreMirror(StoreMirror mirror);

// Host side: whether the file at `path` would be read as a store, by the same
// reader and limits as the store's own file (a player's file to load).
bool StoreFileReads(const char* path);
