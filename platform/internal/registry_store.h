// The registry's keys and values in memory, and the text of its REGEDIT4 store
// file. Internal to the registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace registry_store {

constexpr std::uint32_t REG_SZ = 1;

struct Value {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

using NameIndex = std::unordered_map<std::u16string, std::size_t>;  // folded name -> position

struct Key {
    std::u16string path;  // the full path, starting with the root key
    std::vector<Value> values;
    NameIndex valueIndex;
    NameIndex subkeys;  // in the store's keys
};

// The keys in the order they were made, found from the root down one component
// at a time, so that reading a store file takes time in proportion to its length
// however deep its keys are.
struct Store {
    std::vector<Key> keys;
    NameIndex roots;            // the keys without a parent
    std::size_t pathUnits = 0;  // the keys' paths together

    void clear() {
        keys.clear();
        roots.clear();
        pathUnits = 0;
    }
    auto begin() const { return keys.begin(); }
    auto end() const { return keys.end(); }
};

// The keys' paths may hold this many code units together: a file of deeply
// nested keys cannot make the store in memory many times larger than itself.
constexpr std::size_t MAX_STORE_PATH_UNITS = std::size_t{4} << 20;

// Names compare without regard to case, as in the registry.
bool SameName(std::u16string_view a, std::u16string_view b);
// A name that survives the trip through UTF-8 and fits on one line of the file.
bool Storable(std::u16string_view name);
// Components separated by backslashes, none empty, the first not starting with
// '-' (which marks a deletion in exported files).
bool ValidKeyPath(std::u16string_view path);

Key* FindKey(Store& store, std::u16string_view path);
// Finds a key, adding it and any missing parents; null, adding nothing, when the
// store has no room for them.
Key* EnsureKey(Store& store, std::u16string_view path);
Value* FindValue(Key& key, std::u16string_view name);
// Writes a value; an existing value keeps the spelling of its name.
void PutValue(Key& key, std::u16string_view name, std::uint32_t type,
              std::vector<std::uint8_t> data);

// Parses the text of a store file; false, with an empty store, when any of it
// cannot be parsed.
bool ParseStore(std::string_view text, Store& store);
// The text of a store file holding `store`, as ParseStore reads it back.
std::string FormatStore(const Store& store);

}  // namespace registry_store
