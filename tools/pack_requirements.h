// What the program asks of a resource pack: the ids, names and types it looks up,
// and what each must hold. quarvel-pack check tests a pack against this table.
#pragma once

#include <cstdint>

#include "shell/resource_ids.h"

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
    {PackResourceKind::LayoutText, IDR_LAYOUT_TEXT, IDR_LAYOUT_TEXT, nullptr, "layout text"},
    {PackResourceKind::MenuBar, IDR_MAIN_MENU_BAR, IDR_MAIN_MENU_BAR, nullptr, "main menu bar"},
    {PackResourceKind::MenuBar, IDR_OPTIONS_MENU_BAR, IDR_OPTIONS_MENU_BAR, nullptr,
     "Options dialog menu bar"},
    {PackResourceKind::MenuBar, IDR_DIALOG_MENU_BAR, IDR_DIALOG_MENU_BAR, nullptr,
     "name-entry and About dialog menu bar"},
    {PackResourceKind::Dialog, IDD_NAME_ENTRY, IDD_NAME_ENTRY, nullptr, "name-entry dialog"},
    {PackResourceKind::Dialog, IDD_OPTIONS, IDD_OPTIONS, nullptr, "Options dialog"},
    {PackResourceKind::Bitmap, IDB_TILES, IDB_TILES, nullptr, "tile sheet"},
    {PackResourceKind::Bitmap, IDB_TITLE, IDB_TITLE, nullptr, "title picture"},
    {PackResourceKind::Image, IDB_FIRST_BACKGROUND, IDB_LAST_BACKGROUND, nullptr,
     "level background"},
    {PackResourceKind::Image, IDB_GAME_OVER, IDB_GAME_OVER, nullptr, "game-over banner"},
    {PackResourceKind::Image, IDB_PAUSED, IDB_PAUSED, nullptr, "pause banner"},
    {PackResourceKind::Wave, 0, 0, SND_POP, "sound"},
    {PackResourceKind::Wave, 0, 0, SND_DROP, "sound"},
    {PackResourceKind::Wave, 0, 0, SND_QUARVEL, "sound"},
    {PackResourceKind::Wave, 0, 0, SND_LEVEL, "sound"},
    {PackResourceKind::Wave, 0, 0, SND_LOSE, "sound"},
    {PackResourceKind::Wave, 0, 0, SND_JUNK, "sound"},
    {PackResourceKind::String, IDS_PLACE_MESSAGE, IDS_PLACE_MESSAGE, nullptr,
     "place message format"},
    {PackResourceKind::String, IDS_FIRST_ACTION, IDS_LAST_ACTION, nullptr,
     "key-assignment action label"},
    {PackResourceKind::String, IDS_PAUSE_RUNNING, IDS_PAUSE_PAUSED, nullptr,
     "pause soft-key label"},
    {PackResourceKind::String, IDS_CLEAR_QUESTION, IDS_CLEAR_QUESTION, nullptr,
     "clear-high-scores question"},
    {PackResourceKind::String, IDS_KEEP_KEYS, IDS_KEEP_KEYS, nullptr,
     "keep-the-new-keys question"},
    {PackResourceKind::String, IDS_CONTROLS_SOFT_KEY, IDS_CONTROLS_SOFT_KEY, nullptr,
     "key-assignment soft-key label"},
    {PackResourceKind::String, IDS_PLACES[0], IDS_PLACES[2], nullptr, "place word"},
    {PackResourceKind::String, IDS_NEXT_LABEL, IDS_LINES_FORMAT, nullptr, "game-screen label"},
    {PackResourceKind::String, IDS_PLACES[3], IDS_PLACES[4], nullptr, "place word"},
};

// The layout keys that must be present, as positive numbers.
inline constexpr const char* PACK_REQUIRED_LAYOUT_KEYS[] = {"game_width", "game_height"};
