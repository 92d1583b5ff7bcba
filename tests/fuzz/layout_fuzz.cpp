// Feeds arbitrary bytes to the layout text reader, as a pack's TEXT 101 would
// hold them, then asks for every key it stored and every key the game asks for.
// Every stored key must be one the grammar allows and no value may hold a line
// break; a number must read the same through both lookups.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/layout_text.h"

namespace {

const char* const GAME_KEYS[] = {
    "game_width",           "game_height",         "full_screen",        "board_tile_size",
    "board_left",           "board_top",           "next_piece_x",       "next_piece_y",
    "next_next_piece_x",    "next_next_piece_y",   "next_piece_label_rect", "score_label_rect",
    "score_rect",           "level_rect",          "lines_rect",         "high_scores_line_height",
    "high_scores_top",      "high_scores_left1",   "high_scores_right1", "high_scores_left2",
    "high_scores_right2",   "high_scores_count",   "easy_selection_rect", "medium_selection_rect",
    "hard_selection_rect"};

bool KeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LayoutMap.clear();
    LoadLayoutText(reinterpret_cast<const char*>(data), size);
    for (const auto& [key, value] : LayoutMap) {
        if (key.empty()) std::abort();
        for (char c : key) {
            if (!KeyChar(c)) std::abort();
        }
        if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
        const std::int32_t number = GetLayoutInt(key.c_str(), 7);
        const Rect rect = GetLayoutRect(key.c_str());
        // The first field of a rectangle is the number read the same way.
        if (rect.left != 0 && rect.left != number) std::abort();
    }
    for (const char* key : GAME_KEYS) {
        if (LayoutMap.count(key) == 0 && GetLayoutInt(key, 7) != 7) std::abort();
        GetLayoutRect(key);
    }
    return 0;
}
