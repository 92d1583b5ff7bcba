// The three built resource packs: their layouts fit their screens, the pictures
// have the sizes the game copies, the sounds are short, and the texts, menus and
// dialog templates carry what the program looks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/dialogs_internal.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/resources/resources.h"
#include "platform/sound/sound.h"
#include "platform/text/text.h"
#include "shell/layout_text.h"

namespace {

struct Screen {
    const char* name;
    const char16_t* pack;
    int width;
    int height;
    int strip;  // task bar and soft-key bar, each
};

constexpr Screen SCREENS[] = {{"240x320", u"240x320.dll", 240, 320, 26},
                              {"240x240", u"240x240.dll", 240, 240, 26},
                              {"176x220", u"176x220.dll", 176, 220, 20}};

void PrintTo(const Screen& s, std::ostream* out) {
    *out << s.name;
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Within(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.left < inner.right && inner.top < inner.bottom;
}

std::string Show(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
    return out.str();
}

class PackTest : public ::testing::TestWithParam<Screen> {
  protected:
    void SetUp() override {
        SetModuleFolder(PACK_FOLDER);
        SetPictureScreenSize(GetParam().width, GetParam().height);  // as the game's screen
        pack = LoadModule(GetParam().pack);
        ASSERT_NE(pack, nullptr) << "no pack " << GetParam().name << " in " << PACK_FOLDER;
        const ResourceData text = FindResource(pack, 101, "TEXT");
        ASSERT_NE(text.bytes, nullptr);
        LayoutMap.clear();
        LoadLayoutText(reinterpret_cast<const char*>(text.bytes), text.size);
    }
    void TearDown() override {
        FreeModule(pack);
        LayoutMap.clear();
    }

    std::u16string string(std::uint32_t id) {
        char16_t buffer[256];
        LoadString(pack, id, buffer, 256);
        return buffer;
    }
    std::string text(std::uint32_t id, std::uint32_t type) {
        const ResourceData data = FindResource(pack, id, type);
        return data.bytes ? std::string(reinterpret_cast<const char*>(data.bytes), data.size) : "";
    }
    // Width in pixels of a line in the game's font.
    static int measure(const std::u16string& line, bool bold = false) {
        SurfaceHandle surface = CreateMemorySurface(nullptr);
        FontHandle font = CreateFontByName(u"Tahoma", 14, bold ? FONT_WEIGHT_BOLD : 0);
        FontHandle old = SelectFont(surface, font);
        std::int32_t width = 0, height = 0;
        MeasureText(surface, line.c_str(), std::int32_t(line.size()), width, height);
        SelectFont(surface, old);
        DeleteFont(font);
        DeleteSurface(surface);
        return width;
    }
    static Rect gameArea() {
        return {0, 0, GetLayoutInt("game_width", 0), GetLayoutInt("game_height", 0)};
    }
    Rect board() const {
        const int ts = GetLayoutInt("board_tile_size", 0);
        const int left = GetLayoutInt("board_left", 0);
        const int top = GetLayoutInt("board_top", 0);
        return {left, top, left + 10 * ts, top + 20 * ts};
    }

    ModuleHandle pack = nullptr;
};

// Full screen, the game area is the screen less the soft-key strip. The board,
// with the playfield's redraw one pixel beyond it, and the side panel fit in it.
TEST_P(PackTest, BoardAndSidePanelFitTheScreenWithoutOverlaps) {
    const Screen& s = GetParam();
    EXPECT_NE(GetLayoutInt("full_screen", 0), 0);
    EXPECT_EQ(gameArea(), (Rect{0, 0, s.width, s.height - s.strip}));
    const int ts = GetLayoutInt("board_tile_size", 0);
    const Rect b = board();
    const Rect playfield{b.left - 1, b.top - 1, b.right + 1, b.bottom + 1};
    EXPECT_TRUE(Within(playfield, gameArea())) << Show(b);
    // What the game draws for the two previews (the half-size tiles are centred
    // in full-size cells).
    const int x1 = GetLayoutInt("next_piece_x", 0), y1 = GetLayoutInt("next_piece_y", 0);
    const int x2 = GetLayoutInt("next_next_piece_x", 0), y2 = GetLayoutInt("next_next_piece_y", 0);
    const int half = ts * 50 / 100, offset = (ts - half) >> 1;
    std::vector<std::pair<std::string, Rect>> parts = {
        {"full preview", {x1, y1, x1 + 4 * ts, y1 + 4 * ts}},
        {"half preview",
         {x2 + offset, y2 + offset, x2 + offset + 3 * (ts / 2) + half,
          y2 + offset + 3 * (ts / 2) + half}},
    };
    for (const char* key :
         {"next_piece_label_rect", "score_label_rect", "score_rect", "level_rect", "lines_rect"}) {
        const Rect r = GetLayoutRect(key);
        parts.emplace_back(key, r);
        EXPECT_GE(r.bottom - r.top, 14) << key << ": a line of the 14-px font";
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& [name, r] = parts[i];
        EXPECT_TRUE(Within(r, gameArea())) << name << " " << Show(r);
        EXPECT_FALSE(Overlap(r, playfield)) << name << " " << Show(r);
        for (std::size_t j = i + 1; j < parts.size(); ++j) {
            EXPECT_FALSE(Overlap(r, parts[j].second)) << name << " and " << parts[j].first;
        }
    }
}

TEST_P(PackTest, PanelTextsFitTheirRectangles) {
    char16_t line[100];
    const auto width = [](const Rect& r) { return r.right - r.left; };
    EXPECT_LE(measure(string(40067)), width(GetLayoutRect("next_piece_label_rect")));
    EXPECT_LE(measure(string(40068)), width(GetLayoutRect("score_label_rect")));
    EXPECT_LE(measure(u"8888888", true), width(GetLayoutRect("score_rect")));
    FormatText(line, 100, string(40069).c_str(), {std::int32_t{88}});
    EXPECT_LE(measure(line), width(GetLayoutRect("level_rect"))) << Utf16ToUtf8(line);
    FormatText(line, 100, string(40070).c_str(), {std::int32_t{888}});
    EXPECT_LE(measure(line), width(GetLayoutRect("lines_rect"))) << Utf16ToUtf8(line);
    // The key-assignment screen draws its labels right-aligned in
    // (5, ..., W / 2 - 12, ...).
    const int labelWidth = gameArea().right / 2 - 12 - 5;
    for (std::uint32_t id = 40017; id <= 40021; ++id) {
        EXPECT_LE(measure(string(id)), labelWidth) << Utf16ToUtf8(string(id));
    }
}

TEST_P(PackTest, TitleRectanglesAndRowsLieOnTheTitlePicture) {
    BitmapHandle title = LoadBitmapResource(pack, 106);
    ASSERT_NE(title, nullptr);
    std::int32_t w = 0, h = 0;
    GetBitmapSize(title, w, h);
    DeleteBitmap(title);
    const Rect picture{0, 0, w, h};
    EXPECT_EQ(picture, gameArea());
    const Rect choices[] = {GetLayoutRect("easy_selection_rect"),
                            GetLayoutRect("medium_selection_rect"),
                            GetLayoutRect("hard_selection_rect")};
    const int lineHeight = GetLayoutInt("high_scores_line_height", 0);
    const int top = GetLayoutInt("high_scores_top", 0);
    const int count = GetLayoutInt("high_scores_count", 0);
    EXPECT_EQ(count, 5);
    EXPECT_GE(lineHeight, 14);
    const Rect names{GetLayoutInt("high_scores_left1", 0), top,
                     GetLayoutInt("high_scores_right1", 0), top + count * lineHeight};
    const Rect scores{GetLayoutInt("high_scores_left2", 0), top,
                      GetLayoutInt("high_scores_right2", 0), top + count * lineHeight};
    EXPECT_TRUE(Within(names, picture)) << Show(names);
    EXPECT_TRUE(Within(scores, picture)) << Show(scores);
    EXPECT_LE(names.right, scores.left);
    // A ten-letter name and a seven-digit score, bold as the highlighted row.
    EXPECT_LE(measure(u"Abcdefghij", true), names.right - names.left);
    EXPECT_LE(measure(u"8888888", true), scores.right - scores.left);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Within(choices[i], picture)) << Show(choices[i]);
        EXPECT_FALSE(Overlap(choices[i], names)) << Show(choices[i]);
        EXPECT_FALSE(Overlap(choices[i], scores)) << Show(choices[i]);
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(Overlap(choices[i], choices[j]));
    }
}

TEST_P(PackTest, PicturesHaveTheSizesTheGameCopies) {
    const int ts = GetLayoutInt("board_tile_size", 0);
    BitmapHandle sheet = LoadBitmapResource(pack, 104);
    ASSERT_NE(sheet, nullptr);
    std::int32_t w = 0, h = 0;
    GetBitmapSize(sheet, w, h);
    EXPECT_EQ(w, 9 * ts);
    EXPECT_EQ(h, 4 * ts);
    for (std::uint32_t id : {119u, 120u}) {
        BitmapHandle banner = LoadImageResource(pack, id);
        ASSERT_NE(banner, nullptr) << id;
        GetBitmapSize(banner, w, h);
        EXPECT_EQ(w, 100) << id;
        EXPECT_EQ(h, 46) << id;
        DeleteBitmap(banner);
    }
    // The game lays the sheet over the pause banner in one surface, banner at
    // (0, 52) first: the banner must still show whole afterwards.
    BitmapHandle banner = LoadImageResource(pack, 120);
    const PixelRows s = BitmapPixels(sheet), p = BitmapPixels(banner);
    int differing = 0;
    for (int y = 52; y < s.height; ++y) {
        for (int x = 0; x < std::min(s.width, 100); ++x) {
            std::uint32_t want = p.pixels[(y - 52) * p.pitch + x];
            if (want == 0xFF00FF) want = 0;  // transparent over the surface's black
            differing += s.pixels[y * s.pitch + x] != want;
        }
    }
    EXPECT_EQ(differing, 0);
    DeleteBitmap(banner);
    DeleteBitmap(sheet);

    std::set<std::vector<std::uint32_t>> distinct;
    for (std::uint32_t id = 109; id <= 118; ++id) {
        BitmapHandle background = LoadImageResource(pack, id);
        ASSERT_NE(background, nullptr) << id;
        const PixelRows px = BitmapPixels(background);
        EXPECT_EQ((Rect{0, 0, px.width, px.height}), gameArea()) << id;
        std::vector<std::uint32_t> all;
        for (int y = 0; y < px.height; ++y) {
            all.insert(all.end(), px.pixels + y * px.pitch, px.pixels + y * px.pitch + px.width);
        }
        // Magenta would let the previous level's picture show through.
        EXPECT_EQ(std::count(all.begin(), all.end(), 0xFF00FFu), 0) << id;
        distinct.insert(std::move(all));
        DeleteBitmap(background);
    }
    EXPECT_EQ(distinct.size(), 10u);
}

// Every sound is a WAVE image the sound service plays, short enough not to hold
// up the game.
TEST_P(PackTest, SoundsAreShortWaveFiles) {
    for (const char* name : {"sndPop", "sndDrop", "sndQuarvel", "sndLevel", "sndLose", "sndJunk"}) {
        const std::uint32_t ms = WaveLengthMs(FindResource(pack, name, "WAVE").bytes);
        EXPECT_GT(ms, 30u) << name;
        EXPECT_LE(ms, 1000u) << name;
    }
}

TEST_P(PackTest, StringsHoldTheirFormats) {
    const auto conversions = [](const std::u16string& s) {
        std::string found;
        for (std::size_t i = 0; i + 1 < s.size(); ++i) {
            if (s[i] == u'%') found += char(s[++i]);
        }
        return found;
    };
    EXPECT_EQ(conversions(string(40016)), "s");
    EXPECT_EQ(conversions(string(40069)), "d");
    EXPECT_EQ(conversions(string(40070)), "d");
    std::set<std::u16string> places;
    for (std::uint32_t id : {40064u, 40065u, 40066u, 40071u, 40072u})
        places.insert(string(id));
    EXPECT_EQ(places.size(), 5u);
    for (std::uint32_t id = 40016; id <= 40072; ++id) {
        if (id > 40025 && id < 40064 && id != 40044) continue;
        EXPECT_FALSE(string(id).empty()) << id;
        EXPECT_LT(string(id).size(), 50u) << id;  // the shortest buffer that reads them
    }
}

// The commands of a menu's items, its submenus' too.
void CollectCommands(const MenuObject& menu, std::multiset<std::uint32_t>& commands) {
    for (const MenuItem& item : menu.items) {
        if (item.kind == MenuItem::Kind::Command) commands.insert(item.command);
        if (item.submenu != nullptr) CollectCommands(*item.submenu, commands);
    }
}

TEST_P(PackTest, MenuBarsCarryEveryCommand) {
    std::vector<SoftKey> keys;
    ASSERT_TRUE(ParseMenuBarText(text(102, RT_MENUBAR), keys));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].command, 40006u);
    EXPECT_EQ(keys[0].menu, nullptr);
    EXPECT_EQ(keys[1].command, 40047u);
    ASSERT_NE(keys[1].menu, nullptr);
    std::multiset<std::uint32_t> items;
    CollectCommands(*keys[1].menu, items);
    for (std::uint32_t id :
         {40007, 40008, 40009, 40010, 40011, 40012, 40013, 40019, 40020, 40021, 40022, 40023,
          40031, 40032, 40033, 40034, 40035, 40036, 40001, 40017, 40037, 40016, 40003, 40005}) {
        EXPECT_EQ(items.count(id), 1u) << id;
    }
    EXPECT_EQ(items.size(), 24u);
    ASSERT_TRUE(ParseMenuBarText(text(122, RT_MENUBAR), keys));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].command, 40058u);
    EXPECT_EQ(keys[1].command, 40059u);
    ASSERT_TRUE(ParseMenuBarText(text(123, RT_MENUBAR), keys));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].command, 40058u);
}

TEST_P(PackTest, DialogsFitTheWorkAreaAndHoldTheirControls) {
    const Screen& s = GetParam();
    using K = ControlKind;
    // clang-format off
    const struct {
        std::uint32_t id;
        std::vector<std::pair<std::int32_t, ControlKind>> controls;
    } dialogs[] = {
        {108, {{1001, K::Edit}, {1002, K::Static}, {1003, K::Static}}},
        {121, {{1013, K::Slider}, {1014, K::CheckBox}, {1015, K::CheckBox}, {1017, K::CheckBox},
               {1019, K::CheckBox}, {1021, K::CheckBox}, {1022, K::CheckBox}, {1020, K::Button}}}};
    // clang-format on
    for (const auto& dialog : dialogs) {
        DialogTemplate t;
        ASSERT_TRUE(ParseDialogTemplate(text(dialog.id, RT_DIALOG), t)) << dialog.id;
        // A dialog unit is about 1.5 px across and 1.375 px down; the work area
        // lies between the task bar and the soft-key bar, less the caption.
        EXPECT_LE(t.width * 3 / 2, s.width) << dialog.id;
        EXPECT_LE(t.height * 11 / 8, s.height - 3 * s.strip) << dialog.id;
        std::vector<Rect> boxes;
        std::map<std::int32_t, ControlKind> kinds;
        for (const ControlTemplate& c : t.controls) {
            boxes.push_back({c.x, c.y, c.x + c.width, c.y + c.height});
            // The three kinds of static text count as one.
            kinds[c.id] = c.kind <= ControlKind::StaticRight ? ControlKind::Static : c.kind;
        }
        for (const auto& [id, kind] : dialog.controls) {
            ASSERT_EQ(kinds.count(id), 1u) << dialog.id << " control " << id;
            EXPECT_EQ(kinds[id], kind) << dialog.id << " control " << id;
        }
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_TRUE(Within(boxes[i], {0, 0, t.width, t.height})) << dialog.id << Show(boxes[i]);
            for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << dialog.id << Show(boxes[i]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Packs, PackTest, ::testing::ValuesIn(SCREENS),
                         [](const auto& test) { return std::string("Screen") + test.param.name; });

}  // namespace
