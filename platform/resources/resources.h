// Resource modules. A module is a resource pack: a zip archive whose entries are
// named "<TYPE>/<id>" for numeric ids or "<TYPE>/<name>" for named resources (see
// the pack README in packs/). The program's own module is built into the
// executable and answers the same calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/drawing/drawing.h"
#include "platform/runtime/types.h"

// A resource type or id given either as a number or as a name; numbers are the
// platform's predefined types below or numeric ids.
class ResourceName {
  public:
    constexpr ResourceName(std::uint32_t number) : number_(number) {}
    constexpr ResourceName(const char* name) : name_(name) {}
    constexpr bool isNumber() const { return name_ == nullptr; }
    constexpr std::uint32_t number() const { return number_; }
    constexpr const char* name() const { return name_; }

  private:
    std::uint32_t number_ = 0;
    const char* name_ = nullptr;
};

// Predefined resource types.
constexpr std::uint32_t RT_BITMAP = 2;
constexpr std::uint32_t RT_ICON = 3;
constexpr std::uint32_t RT_MENU = 4;
constexpr std::uint32_t RT_DIALOG = 5;
constexpr std::uint32_t RT_STRING = 6;
constexpr std::uint32_t RT_RCDATA = 10;
constexpr std::uint32_t RT_MENUBAR = 241;  // the phone shell's soft-key menu bars

// Loads a module by file name from the folder set with SetModuleFolder, which is
// then the only one searched; without one, from the host's search folders
// beside the executable (by default the executable's folder and the "packs"
// folder in it). Null when no such file exists or it is not a valid pack.
ModuleHandle LoadModule(const char16_t* fileName);
bool FreeModule(ModuleHandle module);
// The executable's own module (icon 101, About dialog template 103).
ModuleHandle ProgramModule();
// Host side: the only folder searched (null or empty: the search folders).
void SetModuleFolder(const char* folder);

// A resource's bytes stay valid until the module is freed. Null when absent.
struct ResourceData {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
};
ResourceData FindResource(ModuleHandle module, ResourceName id, ResourceName type);

// The entry name ("WAVE/sndPop") of the resource whose bytes start at `bytes`, in
// any loaded module; empty when the bytes are not a resource's. For the event log.
std::string ResourceEntryName(const void* bytes);

// Copies string `id` into `buffer`, at most capacity - 1 code units, always
// terminated; empty when absent. Returns the number of code units copied.
std::int32_t LoadString(ModuleHandle module, std::uint32_t id, char16_t* buffer,
                        std::int32_t capacity);
// The bitmap resource `id` (type RT_BITMAP); null when absent or unreadable.
BitmapHandle LoadBitmapResource(ModuleHandle module, std::uint32_t id);
// The phone shell's image loader: an image resource `id` (type RT_BITMAP, or a PNG under
// the same id); null when absent or unreadable.
BitmapHandle LoadImageResource(ModuleHandle module, std::uint32_t id);
