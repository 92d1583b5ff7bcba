// The pictures of a resource pack, drawn from the pack's layout text so that the
// backgrounds frame the board and panel, and the title picture puts its labels
// and table where the title screen's rectangles and rows are.
#pragma once

#include <string>

#include "packs/generator/raster.h"

namespace packgen {

// The layout values the pictures depend on, read from the layout map.
struct PackLayout {
    int width = 0;
    int height = 0;
    int tile = 0;
    int boardLeft = 0;
    int boardTop = 0;
    int nextX = 0;
    int nextY = 0;
    int nextNextX = 0;
    int nextNextY = 0;
    Rect nextLabel, scoreLabel, score, level, lines;
    int rowHeight = 0;
    int rowsTop = 0;
    int nameLeft = 0;
    int nameRight = 0;
    int scoreLeft = 0;
    int scoreRight = 0;
    int rowCount = 0;
    Rect easy, medium, hard;

    // The 10 x 20 board.
    Rect board() const;
    // Where the game draws the full-size and the half-size preview.
    Rect fullPreview() const;
    Rect halfPreview() const;
    // The dark boxes of the side panel: previews with their label, and the
    // score, level and lines texts.
    Rect previewBox() const;
    Rect scoreBox() const;
    // The title picture's high-score panel, with room for its heading and the
    // place numbers.
    Rect tablePanel() const;
};

// Reads the layout text of the file into the layout map and the values from it;
// false when the file cannot be read or gives no game area or tile size.
bool ReadPackLayout(const std::string& path, PackLayout& layout);

constexpr int TILE_KINDS = 9;     // tile values 0 to 8
constexpr int TILE_VARIANTS = 4;  // normal, bright, dim, outline
constexpr int JUNK_TILE = 7;
constexpr int LEVEL_BACKGROUNDS = 10;
constexpr int BANNER_WIDTH = 100;
constexpr int BANNER_HEIGHT = 46;
// Where the game keeps the pause banner in its sprite surface, below the tile
// sheet; a tile sheet taller than this covers the banner's top rows there.
constexpr int PAUSE_BANNER_SPRITE_TOP = 52;

// One tile, `size` pixels square, at (x, y).
void DrawTile(Image& image, int x, int y, int size, int tile, int variant);

Image GameOverBanner();
Image PauseBanner();
// The sheet of 9 x 4 tiles. Where it reaches below the pause banner's place in
// the sprite surface, it carries the banner's own top rows, so the banner shows
// whole.
Image TileSheet(const PackLayout& layout, const Image& pauseBanner);
// Level background 0 to 9 (pictures 109 to 118).
Image LevelBackground(const PackLayout& layout, int index);
Image TitlePicture(const PackLayout& layout);

}  // namespace packgen
