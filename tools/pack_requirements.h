// What the program asks of a resource pack: the ids, names and types it looks up,
// and what each must hold. quarvel-pack check tests a pack against this table.
#pragma once

#include <cstdint>

enum class PackResourceKind {
    LayoutText,  // "TEXT": layout lines, with game_width and game_height
    MenuBar,     // soft-key menu bar
    Dialog,      // dialog template
    Bitmap,      // read with the plain bitmap loader: a readable image
    Image,       // read with the shell's image loader: a readable image
    Wave,        // "WAVE" by name: a whole RIFF/WAVE file
    String,      // string table text
};

struct PackRequirement {
    PackResourceKind kind;
    std::uint32_t firstId;  // firstId to lastId; 0 for named resources
    std::uint32_t lastId;
    const char* name;  // the name of a named resource, else null
    const char* use;
};

inline constexpr PackRequirement PACK_REQUIREMENTS[] = {
    {PackResourceKind::LayoutText, 101, 101, nullptr, "layout text"},
    {PackResourceKind::MenuBar, 102, 102, nullptr, "main menu bar"},
    {PackResourceKind::MenuBar, 122, 122, nullptr, "Options dialog menu bar"},
    {PackResourceKind::MenuBar, 123, 123, nullptr, "name-entry and About dialog menu bar"},
    {PackResourceKind::Dialog, 108, 108, nullptr, "name-entry dialog"},
    {PackResourceKind::Dialog, 121, 121, nullptr, "Options dialog"},
    {PackResourceKind::Bitmap, 104, 104, nullptr, "tile sheet"},
    {PackResourceKind::Bitmap, 106, 106, nullptr, "title picture"},
    {PackResourceKind::Image, 109, 118, nullptr, "level background"},
    {PackResourceKind::Image, 119, 119, nullptr, "game-over banner"},
    {PackResourceKind::Image, 120, 120, nullptr, "pause banner"},
    {PackResourceKind::Wave, 0, 0, "sndPop", "sound"},
    {PackResourceKind::Wave, 0, 0, "sndDrop", "sound"},
    {PackResourceKind::Wave, 0, 0, "sndQuarvel", "sound"},
    {PackResourceKind::Wave, 0, 0, "sndLevel", "sound"},
    {PackResourceKind::Wave, 0, 0, "sndLose", "sound"},
    {PackResourceKind::Wave, 0, 0, "sndJunk", "sound"},
    {PackResourceKind::String, 40016, 40016, nullptr, "place message format"},
    {PackResourceKind::String, 40017, 40021, nullptr, "key-assignment action label"},
    {PackResourceKind::String, 40022, 40023, nullptr, "pause soft-key label"},
    {PackResourceKind::String, 40024, 40024, nullptr, "clear-high-scores question"},
    {PackResourceKind::String, 40025, 40025, nullptr, "keep-the-new-keys question"},
    {PackResourceKind::String, 40044, 40044, nullptr, "key-assignment soft-key label"},
    {PackResourceKind::String, 40064, 40066, nullptr, "place word"},
    {PackResourceKind::String, 40067, 40070, nullptr, "game-screen label"},
    {PackResourceKind::String, 40071, 40072, nullptr, "place word"},
};

// The layout keys that must be present, as positive numbers.
inline constexpr const char* PACK_REQUIRED_LAYOUT_KEYS[] = {"game_width", "game_height"};
