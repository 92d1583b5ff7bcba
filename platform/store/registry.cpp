// The registry: keys and values held in memory, loaded from one REGEDIT4 store
// file on first use and written back whole, atomically, on every change.
#include "platform/store/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internal/registry_store.h"
#include "platform/internal/registry_testing.h"

struct RegistryKeyObject {
    std::u16string path;  // the full path, starting with the root key
    std::uint32_t access = 0;
};

namespace {

using namespace registry_store;

constexpr std::u16string_view CURRENT_USER = u"HKEY_CURRENT_USER";
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
// A store file larger than this is taken as damaged rather than read; the game's
// own settings take a few hundred bytes. A save that would write more fails.
constexpr off_t MAX_STORE_BYTES = 1 << 20;

// The full path of a key given under the current user; nothing when it is invalid.
std::optional<std::u16string> FullPath(const char16_t* path) {
    std::u16string full(CURRENT_USER);
    if (path != nullptr && *path != u'\0') full.append(u"\\").append(path);
    if (!ValidKeyPath(full)) return std::nullopt;
    return full;
}

// The current user's root key always exists.
bool KeyExists(Store& store, std::u16string_view path) {
    return SameName(path, CURRENT_USER) || FindKey(store, path) != nullptr;
}

struct Registry {
    std::mutex mutex;
    std::string path;
    bool loaded = false;
    bool keepAside = false;   // the file on disk could not be parsed
    bool leaveAlone = false;  // something not a file is there: never replaced
    Store store;
    std::set<RegistryKeyObject*> handles;
    void (*writeHook)() = nullptr;
    StoreTroubleHandler troubleHandler = nullptr;
    StoreMirror mirror = nullptr;
    std::string lockPath;  // "<file>.lock", locked by lockFd while this program runs
    int lockFd = -1;
    bool heldByAnother = false;  // another program holds the lock: nothing is saved
};

// Never destroyed, so handles stay valid until the very end of the program.
Registry& State() {
    static Registry& registry = *new Registry;
    return registry;
}

const std::string& StorePath(Registry& r) {
    return r.path;
}

enum class ReadResult { Missing, Read, Unreadable };

ReadResult ReadStoreFile(const std::string& path, std::string& text, bool& regular) {
    regular = false;
    // Opening a FIFO without a writer, or a device, must not block: nothing but a
    // regular file is read.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        struct stat info;
        regular = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
        return ReadResult::Unreadable;
    }
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    regular = ok;
    ok = ok && info.st_size <= MAX_STORE_BYTES;
    char chunk[8192];
    while (ok) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        text.append(chunk, static_cast<std::size_t>(got));
        ok = text.size() <= static_cast<std::size_t>(MAX_STORE_BYTES);
    }
    close(fd);
    return ok ? ReadResult::Read : ReadResult::Unreadable;
}

void EnsureLoaded(Registry& r) {
    if (r.loaded) return;
    r.loaded = true;
    r.keepAside = false;
    r.leaveAlone = false;
    r.store.clear();
    const std::string& path = StorePath(r);
    if (path.empty()) return;
    std::string text;
    bool regular = false;
    ReadResult result = ReadStoreFile(path, text, regular);
    Store store;
    if (result == ReadResult::Read && ParseStore(text, store)) {
        r.store = std::move(store);
    } else if (result != ReadResult::Missing) {
        // A damaged file is kept aside at the next save; something that is not
        // a file (a FIFO, a device, a folder) is the user's and is left alone.
        r.keepAside = regular;
        r.leaveAlone = !regular;
        if (regular && r.troubleHandler != nullptr)
            r.troubleHandler(StoreTrouble::Unreadable, r.path.c_str(), "");
    }
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t done = write(fd, text.data(), text.size());
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = ENOSPC;
        if (done <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

void SyncFolder(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Removes the temporary files that earlier saves left behind when they were
// killed between writing and renaming ("settings.reg.tmp-XXXXXX"). A save in
// progress holds a lock on its file, which is passed by.
void RemoveStaleTemporaries(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp-";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || name.size() != prefix.size() + 6) continue;
        int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
        close(fd);
    }
    closedir(dir);
}

// The file a path names, symbolic links followed (also to a file not there
// yet): a store that is a link is replaced where the link points, and stays a
// link.
std::string LinkTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        char buffer[4096];
        ssize_t size = readlink(path.c_str(), buffer, sizeof buffer);
        if (size <= 0 || size == static_cast<ssize_t>(sizeof buffer)) break;
        const std::string target(buffer, static_cast<std::size_t>(size));
        std::size_t slash = path.find_last_of('/');
        path = target.front() == '/' || slash == std::string::npos
                   ? target
                   : path.substr(0, slash + 1) + target;
    }
    return path;
}

// Takes the store for this program: an advisory lock on "<file>.lock" beside
// it, held until another store is set. A program that finds it held saves
// nothing, so that it cannot write its old copy over what the holder saves;
// the host is told once. Without a lock file (a folder that cannot be
// written) saving is left to fail by itself.
void LockStore(Registry& r) {
    const std::string lockPath = r.path.empty() ? "" : LinkTarget(r.path) + ".lock";
    if (r.lockFd >= 0 && lockPath == r.lockPath) return;
    if (r.lockFd >= 0) close(r.lockFd);
    r.lockFd = -1;
    r.lockPath = lockPath;
    r.heldByAnother = false;
    if (lockPath.empty()) return;
    int fd = open(lockPath.c_str(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return;
    struct stat info;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular && flock(fd, LOCK_EX | LOCK_NB) == 0) {
        r.lockFd = fd;
        return;
    }
    r.heldByAnother = regular && errno == EWOULDBLOCK;
    close(fd);
    if (r.heldByAnother && r.troubleHandler != nullptr) {
        r.troubleHandler(StoreTrouble::HeldByAnother, r.path.c_str(), "");
    }
}

// Renames without replacing what is at `to` (EEXIST then); EINVAL or ENOSYS
// where the file system or the C library has no such rename.
int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
    (void)from, (void)to;
    errno = ENOSYS;
    return -1;
#endif
}

// Moves the store file to the first free name of "<file>.bad", "<file>.bad.1",
// ...: an earlier damaged file, or a folder, already there stays. True when the
// file is gone from its place (or was not there).
bool SetAside(const std::string& path) {
    for (int n = 0; n < 1000; ++n) {
        const std::string name = path + ".bad" + (n == 0 ? "" : "." + std::to_string(n));
        if (RenameNoReplace(path.c_str(), name.c_str()) == 0) {
            return true;
        }
        if (errno == ENOENT) return access(path.c_str(), F_OK) != 0;
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system without the no-replace rename: look first.
            struct stat info;
            if (lstat(name.c_str(), &info) == 0) continue;
            return std::rename(path.c_str(), name.c_str()) == 0 || errno == ENOENT;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// The store holding only the key at `path` and its values.
Store KeyAlone(Store& store, std::u16string_view path) {
    Store kept;
    Key* key = FindKey(store, path);
    Key* copy = EnsureKey(kept, path);
    if (key != nullptr && copy != nullptr) {
        for (const Value& value : key->values)
            PutValue(*copy, value.name, value.type, value.data);
    }
    return kept;
}

// Replaces the store file after a change to the key at `keyPath`: the new text
// goes to a temporary file in the same folder, reaches the disk, and is then
// renamed over the store, so the store is always either the old or the new file.
// Empty when it succeeds, else why not.
std::string ReplaceStoreFile(Registry& r, std::u16string_view keyPath) {
    if (r.leaveAlone) return "it is not a regular file";
    const std::string path = LinkTarget(StorePath(r));
    std::string text = FormatStore(r.store);
    bool setAside = r.keepAside;
    if (text.size() > static_cast<std::size_t>(MAX_STORE_BYTES)) {
        // Other programs' keys have filled the store: rather than save nothing
        // ever again, the key written is kept alone and the file with all the
        // rest is set aside.
        Store kept = KeyAlone(r.store, keyPath);
        text = FormatStore(kept);
        if (text.size() > static_cast<std::size_t>(MAX_STORE_BYTES)) {
            return "the settings would take more than 1 MiB";
        }
        r.store = std::move(kept);
        setAside = true;
    }
    RemoveStaleTemporaries(path);
    if (setAside) {
        if (!SetAside(path))
            return std::string("cannot set the old file aside: ") + strerror(errno);
        r.keepAside = false;
    }
    std::string temporary = path + ".tmp-XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return strerror(errno);
    // Held while the file is written, so that another run's clean-up passes it by.
    flock(fd, LOCK_EX | LOCK_NB);
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && r.writeHook != nullptr) r.writeHook();
    if (ok && r.mirror != nullptr && !r.mirror(text.data(), text.size())) {
        unlink(temporary.c_str());
        return "the copy kept elsewhere could not be written";
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return strerror(error);
    }
    SyncFolder(path);
    return "";
}

// Saves the store, telling the host why when that fails. A program without a
// store, or one that another program holds, saves nothing and is not told
// again.
bool SaveStore(Registry& r, std::u16string_view keyPath) {
    if (StorePath(r).empty() || r.heldByAnother) return false;
    const std::string failure = ReplaceStoreFile(r, keyPath);
    if (failure.empty()) return true;
    if (r.troubleHandler != nullptr) {
        r.troubleHandler(StoreTrouble::SaveFailed, r.path.c_str(), failure.c_str());
    }
    return false;
}

// Applies a change to the key at `keyPath` and saves the store; when the change
// cannot be made or the save fails the store is as it was before.
template <typename Change>
bool ChangeAndSave(Registry& r, std::u16string_view keyPath, Change change) {
    Store before = r.store;
    bool saved = false;
    try {
        saved = change(r.store) && SaveStore(r, keyPath);
    } catch (...) {
    }
    if (!saved) r.store = std::move(before);
    return saved;
}

RegistryKey NewHandle(Registry& r, std::u16string path, std::uint32_t access) {
    auto handle = std::make_unique<RegistryKeyObject>();
    handle->path = std::move(path);
    handle->access = access;
    r.handles.insert(handle.get());
    return handle.release();
}

bool ValidHandle(Registry& r, RegistryKey key, std::uint32_t right) {
    return key != nullptr && r.handles.count(key) != 0 && (key->access & right) != 0;
}

bool OpenKey(const char16_t* path, std::uint32_t access, RegistryKey& key, bool create) {
    key = nullptr;
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        EnsureLoaded(r);
        auto full = FullPath(path);
        if (!full) return false;
        if (!KeyExists(r.store, *full)) {
            if (!create) return false;
            auto add = [&](Store& store) { return EnsureKey(store, *full) != nullptr; };
            if (!ChangeAndSave(r, *full, add)) return false;
        }
        key = NewHandle(r, std::move(*full), access);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool OpenRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey& key) {
    return OpenKey(path, access, key, false);
}

bool CreateRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey& key) {
    return OpenKey(path, access, key, true);
}

bool CloseRegistryKey(RegistryKey key) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        if (key == nullptr || r.handles.erase(key) == 0) return false;
        delete key;
        return true;
    } catch (...) {
        return false;
    }
}

bool QueryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t& type,
                        std::uint8_t* buffer, std::size_t& size) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        EnsureLoaded(r);
        if (!ValidHandle(r, key, KEY_QUERY_VALUE)) return false;
        Key* stored = FindKey(r.store, key->path);
        const Value* value = stored == nullptr ? nullptr : FindValue(*stored, name ? name : u"");
        if (value == nullptr || (buffer != nullptr && value->data.size() > size)) return false;
        if (buffer != nullptr) std::copy(value->data.begin(), value->data.end(), buffer);
        type = value->type;
        size = value->data.size();
        return true;
    } catch (...) {
        return false;
    }
}

bool SetRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                      const std::uint8_t* data, std::size_t size) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        EnsureLoaded(r);
        std::u16string_view valueName = name ? name : u"";
        if (!ValidHandle(r, key, KEY_SET_VALUE) || (data == nullptr && size != 0) ||
            !Storable(valueName) || !KeyExists(r.store, key->path)) {
            return false;
        }
        std::vector<std::uint8_t> bytes(data, data + size);
        return ChangeAndSave(r, key->path, [&](Store& store) {
            Key* stored = EnsureKey(store, key->path);
            if (stored != nullptr) PutValue(*stored, valueName, type, std::move(bytes));
            return stored != nullptr;
        });
    } catch (...) {
        return false;
    }
}

void SetRegistryStorePath(const char* path) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        r.path = path != nullptr ? path : "";
        r.loaded = false;
        LockStore(r);
    } catch (...) {
    }
}

void SetStoreTroubleHandler(StoreTroubleHandler handler) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        r.troubleHandler = handler;
    } catch (...) {
    }
}

void SetStoreMirror(StoreMirror mirror) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        r.mirror = mirror;
    } catch (...) {
    }
}

bool StoreFileReads(const char* path) {
    try {
        std::string text;
        bool regular = false;
        Store store;
        return path != nullptr && ReadStoreFile(path, text, regular) == ReadResult::Read &&
               ParseStore(text, store);
    } catch (...) {
        return false;
    }
}

const char* RegistryStorePath() {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        return StorePath(r).c_str();
    } catch (...) {
        return "";
    }
}

void SetStoreWriteHookForTests(void (*hook)()) {
    try {
        Registry& r = State();
        std::lock_guard lock(r.mutex);
        r.writeHook = hook;
    } catch (...) {
    }
}

bool ReformatStoreForTests(std::string_view text, std::string& written) {
    try {
        Store store;
        if (!ParseStore(text, store)) return false;
        written = FormatStore(store);
        return true;
    } catch (...) {
        return false;
    }
}
