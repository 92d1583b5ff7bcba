// Resource modules: zip packs held in memory, each entry inflated when it is
// first looked up, looked up by type and id, and the program's own module
// embedded in the executable.
#include <SDL.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/internal/resources_internal.h"
#include "platform/resources/resources.h"
#include "platform/text/text.h"

struct ModuleObject {
    struct Entry {
        EntryName name;
        std::uint64_t archiveIndex = 0;
        enum class State { Unread, Read, Unreadable } state = State::Unread;
        std::vector<std::uint8_t> bytes;  // when read: one NUL byte beyond the entry
        std::size_t size = 0;
    };
    ~ModuleObject() {
        if (archive != nullptr) zip_discard(archive);
    }
    std::vector<char> file;      // the archive, which `archive` reads
    zip_t* archive = nullptr;    // open while entries are still unread
    std::vector<Entry> entries;  // in the archive's order
    // Lookup key -> the entries of that name, in the archive's order; the first
    // that reads is the resource.
    std::unordered_map<std::string, std::vector<std::size_t>> index;
    bool isProgram = false;
};

namespace {

// Every module handed out and not yet freed. Allocated once and never destroyed,
// so lookups from other static objects' destructors stay safe.
struct Registry {
    std::mutex lock;
    std::unordered_set<ModuleObject*> modules;
    std::string moduleFolder;
    std::vector<std::string> searchFolders{".", "packs"};  // relative to the executable's
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

ModuleHandle Register(std::unique_ptr<ModuleObject> module) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.modules.insert(module.get());
    return module.release();
}

// Set from static initialisation by the generated program-module source; plain
// pointers so the order of static initialisers does not matter.
const void* programModuleBytes = nullptr;
std::size_t programModuleSize = 0;

constexpr std::size_t READ_CHUNK = 64 * 1024;

// Reads one entry whole. Fails when it cannot be opened (encrypted, unknown
// compression), when it holds more or fewer bytes than its directory says, or
// when its checksum is wrong (checked by libzip on reaching the end).
bool ReadEntry(zip_t* archive, zip_uint64_t index, std::size_t size,
               std::vector<std::uint8_t>& bytes) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr) return false;
    bytes.clear();
    bool ok = true;
    while (ok && bytes.size() < size) {
        const std::size_t done = bytes.size();
        const std::size_t want = std::min(READ_CHUNK, size - done);
        bytes.resize(done + want);
        const zip_int64_t got = zip_fread(file, bytes.data() + done, want);
        if (got <= 0) {
            ok = false;
        } else {
            bytes.resize(done + static_cast<std::size_t>(got));
        }
    }
    std::uint8_t extra = 0;
    ok = ok && zip_fread(file, &extra, 1) == 0;
    ok = zip_fclose(file) == 0 && ok;
    if (!ok) return false;
    bytes.push_back(0);
    return true;
}

// Reads an entry when it is first needed; false when it cannot be read.
bool Ready(ModuleObject& module, ModuleObject::Entry& entry) {
    using State = ModuleObject::Entry::State;
    if (entry.state == State::Unread) {
        const bool ok = module.archive != nullptr &&
                        ReadEntry(module.archive, entry.archiveIndex, entry.size, entry.bytes);
        entry.state = ok ? State::Read : State::Unreadable;
        if (!ok) std::vector<std::uint8_t>().swap(entry.bytes);
    }
    return entry.state == State::Read;
}

// The resource a lookup key names: the first of its entries that reads.
ModuleObject::Entry* Resolve(ModuleObject& module, const std::vector<std::size_t>& candidates) {
    for (std::size_t i : candidates) {
        if (Ready(module, module.entries[i])) return &module.entries[i];
    }
    return nullptr;
}

// Lists the entries; one that is a folder, badly named or too large is left
// out, and of several for the same resource the first that reads is the one.
// They are read when first looked up; only when the entries together may exceed
// the module limit are they all read now, and the module fails when the readable
// ones do.
bool ReadEntries(zip_t* archive, ModuleObject& module) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0) return false;
    std::size_t claimed = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, i, 0, &stat) != 0) continue;
        if (!(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE)) continue;
        if (stat.name == nullptr || stat.size > MAX_ENTRY_BYTES) continue;
        ModuleObject::Entry entry;
        if (!ParseEntryName(stat.name, entry.name)) continue;
        entry.archiveIndex = i;
        entry.size = static_cast<std::size_t>(stat.size);
        claimed += std::min(entry.size, MAX_MODULE_BYTES);
        module.index[entry.name.key].push_back(module.entries.size());
        module.entries.push_back(std::move(entry));
    }
    if (claimed <= MAX_MODULE_BYTES) return true;
    std::size_t total = 0;
    for (const auto& [key, candidates] : module.index) {
        if (const ModuleObject::Entry* entry = Resolve(module, candidates)) {
            if (entry->size > MAX_MODULE_BYTES - total) return false;
            total += entry->size;
        }
    }
    return true;
}

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) return self.parent_path();
    char* base = SDL_GetBasePath();
    if (base == nullptr) return {};
    std::filesystem::path folder(base);
    SDL_free(base);
    return folder;
}

// A module name is a plain file name: no folder part and no way out of the folder.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find("..") == std::string::npos;
}

// The entry of a registered module; null for an unknown module or a missing
// resource. The caller holds the registry lock.
const ModuleObject::Entry* FindEntry(ModuleHandle module, ResourceName id, ResourceName type) {
    if (module == nullptr || !TheRegistry().modules.contains(module)) return nullptr;
    const auto found = module->index.find(ResourceLookupKey(id, type));
    return found == module->index.end() ? nullptr : Resolve(*module, found->second);
}

}  // namespace

namespace {

// A module over the archive's bytes, which it keeps.
ModuleHandle LoadModuleFromBytes(std::vector<char> bytes) {
    if (bytes.empty() || bytes.size() > MAX_PACK_BYTES) return nullptr;
    auto module = std::make_unique<ModuleObject>();
    module->file = std::move(bytes);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(module->file.data(), module->file.size(), 0, &error);
    if (source != nullptr) {
        module->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (module->archive == nullptr) zip_source_free(source);
    }
    zip_error_fini(&error);
    if (module->archive == nullptr) return nullptr;
    if (!ReadEntries(module->archive, *module)) return nullptr;
    return Register(std::move(module));
}

}  // namespace

ModuleHandle LoadModuleFromMemory(const void* bytes, std::size_t size) {
    if (bytes == nullptr || size == 0 || size > MAX_PACK_BYTES) return nullptr;
    const char* begin = static_cast<const char*>(bytes);
    return LoadModuleFromBytes(std::vector<char>(begin, begin + size));
}

ModuleHandle LoadModuleFromFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > MAX_PACK_BYTES) return nullptr;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes(static_cast<std::size_t>(size));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return nullptr;
    return LoadModuleFromBytes(std::move(bytes));
}

std::vector<std::filesystem::path> ModuleSearchFolders(const std::filesystem::path& moduleFolder,
                                                       const std::filesystem::path& executable,
                                                       const std::vector<std::string>& relative) {
    // A folder set by the host is the only one searched. Otherwise the host's
    // search folders, relative to the executable's folder.
    if (!moduleFolder.empty()) return {moduleFolder};
    if (executable.empty()) return {};
    std::vector<std::filesystem::path> folders;
    for (const std::string& folder : relative)
        folders.push_back(folder == "." ? executable : executable / folder);
    return folders;
}

ModuleHandle LoadModule(const char16_t* fileName) {
    if (fileName == nullptr) return nullptr;
    const std::string name = Utf16ToUtf8(fileName);
    if (!IsPlainFileName(name)) return nullptr;
    std::string moduleFolder;
    std::vector<std::string> searchFolders;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        moduleFolder = registry.moduleFolder;
        searchFolders = registry.searchFolders;
    }
    const std::vector<std::filesystem::path> folders =
        ModuleSearchFolders(moduleFolder, ExecutableFolder(), searchFolders);
    // The first file found is the module, as the platform's loader does: a broken
    // pack is not passed over for another of the same name.
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path path = folder / name;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return LoadModuleFromFile(path.string());
    }
    return nullptr;
}

bool FreeModule(ModuleHandle module) {
    Registry& registry = TheRegistry();
    {
        std::lock_guard guard(registry.lock);
        const auto found = registry.modules.find(module);
        if (found == registry.modules.end() || module->isProgram) return false;
        registry.modules.erase(found);
    }
    delete module;
    return true;
}

void RegisterProgramModule(const void* bytes, std::size_t size) {
    programModuleBytes = bytes;
    programModuleSize = size;
}

ModuleHandle ProgramModule() {
    static const ModuleHandle module = [] {
        ModuleHandle loaded = LoadModuleFromMemory(programModuleBytes, programModuleSize);
        if (loaded == nullptr) loaded = Register(std::make_unique<ModuleObject>());
        loaded->isProgram = true;
        return loaded;
    }();
    return module;
}

void SetModuleFolder(const char* folder) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.moduleFolder = folder ? folder : "";
}

void SetModuleSearchFolders(std::vector<std::string> folders) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.searchFolders = std::move(folders);
}

ResourceData FindResource(ModuleHandle module, ResourceName id, ResourceName type) {
    std::lock_guard guard(TheRegistry().lock);
    const ModuleObject::Entry* entry = FindEntry(module, id, type);
    if (entry == nullptr) return {};
    return {entry->bytes.data(), entry->size};
}

namespace {

// The entry whose bytes start at `bytes`, in any loaded module, or null; the
// caller holds the registry's lock.
const ModuleObject::Entry* EntryAt(const Registry& registry, const void* bytes) {
    if (bytes == nullptr) return nullptr;
    for (const ModuleObject* module : registry.modules) {
        for (const ModuleObject::Entry& entry : module->entries) {
            if (!entry.bytes.empty() && entry.bytes.data() == bytes) return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::string ResourceEntryName(const void* bytes) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    const ModuleObject::Entry* entry = EntryAt(registry, bytes);
    if (entry == nullptr) return {};
    return entry->name.type + '/' + entry->name.id;
}

std::optional<std::size_t> ResourceSizeAt(const void* bytes) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    const ModuleObject::Entry* entry = EntryAt(registry, bytes);
    if (entry == nullptr) return std::nullopt;
    return entry->size;
}

std::int32_t LoadString(ModuleHandle module, std::uint32_t id, char16_t* buffer,
                        std::int32_t capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    const std::u16string text =
        Utf8ToUtf16(StringResourceText(FindResource(module, id, RT_STRING)));
    return CopyCutText(text, buffer, capacity);
}

BitmapHandle LoadBitmapResource(ModuleHandle module, std::uint32_t id) {
    const ResourceData data = FindResource(module, id, RT_BITMAP);
    if (data.bytes == nullptr) return nullptr;
    return CreateBitmapFromImageBytes(data.bytes, data.size);
}

BitmapHandle LoadImageResource(ModuleHandle module, std::uint32_t id) {
    ResourceData data = FindResource(module, id, RT_BITMAP);
    if (data.bytes == nullptr) data = FindResource(module, id, "PNG");
    if (data.bytes == nullptr) return nullptr;
    return CreateBitmapFromImageBytes(data.bytes, data.size);
}

std::vector<ModuleEntry> ListModuleEntries(ModuleHandle module) {
    std::vector<ModuleEntry> list;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (module == nullptr || !registry.modules.contains(module)) return list;
    std::vector<const ModuleObject::Entry*> resources;
    for (const auto& [key, candidates] : module->index) {
        if (const ModuleObject::Entry* entry = Resolve(*module, candidates)) {
            resources.push_back(entry);
        }
    }
    std::sort(resources.begin(), resources.end());  // entries are in the archive's order
    for (const ModuleObject::Entry* entry : resources) {
        list.push_back({entry->name.type, entry->name.id, {entry->bytes.data(), entry->size}});
    }
    return list;
}
