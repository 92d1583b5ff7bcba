// The real program through the headless host, as a player would take it: a game
// from the title to a name in the high-score table, and the table still there in
// the next run.
#include <regex>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/store/registry.h"
#include "shell/layout_text.h"
#include "shell/settings.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

struct Shot {
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
    std::int32_t width = 0;
    std::uint32_t at(std::int32_t x, std::int32_t y) const { return pixels[y * width + x]; }
};

Shot LoadShot(const fs::path& path) {
    std::string bytes = FileText(path);
    BitmapHandle bitmap = CreateBitmapFromImageBytes(bytes.data(), bytes.size());
    Shot shot;
    PixelRows rows = BitmapPixels(bitmap);
    for (std::int32_t y = 0; y < rows.height; ++y) {
        shot.pixels.insert(shot.pixels.end(), rows.pixels + y * rows.pitch,
                           rows.pixels + y * rows.pitch + rows.width);
    }
    shot.width = rows.width;
    DeleteBitmap(bitmap);
    return shot;
}

// The rectangle of row `i` of the title's high-score table on the 240x320 pack.
Rect TableRow(std::int32_t i) {
    LayoutMap.clear();
    LoadLayoutText(FileText(PACK_SOURCE "/240x320/TEXT/101.txt").c_str());
    std::int32_t top =
        GetLayoutInt("high_scores_top", 0) + i * GetLayoutInt("high_scores_line_height", 0);
    return Rect{GetLayoutInt("high_scores_left1", 0), top, GetLayoutInt("high_scores_right2", 0),
                top + GetLayoutInt("high_scores_line_height", 0)};
}

std::int32_t CountColour(const Shot& shot, const Rect& r, std::uint32_t colour) {
    std::int32_t count = 0;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x)
            count += shot.at(x, y) == colour;
    }
    return count;
}

bool SameRegion(const Shot& a, const Shot& b, const Rect& r) {
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
            if (a.at(x, y) != b.at(x, y)) return false;
        }
    }
    return true;
}

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = FreshTestFolder(); }
    void TearDown() override {
        if (!HasFailure() && !std::getenv("QUARVEL_KEEP")) fs::remove_all(dir);
    }

    // Runs the program headless on a script, with `options` (by default the
    // store in `dir`) and the `environment` variables, its stderr in NAME.err;
    // returns its exit code.
    int Run(const std::string& name, const std::string& script,
            std::optional<std::string> options = std::nullopt,
            const std::string& environment = "") {
        fs::path file = dir / (name + ".txt");
        std::ofstream(file) << script;
        std::string command =
            environment + " '" + QUARVEL_PROGRAM + "' --headless --script '" + file.string() +
            "' --log '" + (dir / (name + ".log")).string() + "' " +
            options.value_or("--store '" + (dir / "settings.reg").string() + "'") + " 2>'" +
            (dir / (name + ".err")).string() + "'";
        return WEXITSTATUS(std::system(command.c_str()));
    }
    fs::path dir;
};

TEST_F(EndToEndTest, AGameFromTheTitleToANameInTheTableThatStays) {
    // A player's earlier table, low enough for a game without cleared rows.
    std::ofstream(dir / "settings.reg")
        << StoreWith("\"HighScores\"=" +
                     HexBytes(HighScoreBytes(
                         {{400, u"Ann"}, {300, u"Bo"}, {200, u"Cy"}, {100, u"Di"}, {50, u"Ed"}})));

    const std::string d = dir.string();
    ASSERT_EQ(Run("first", "wait 300\nshot " + d +
                               "/before.png\n"
                               "press down\npress return\n"
                               "wait 200000\nshot " +
                               d +
                               "/over.png\n"
                               "tap 120 150\nwait 300\ntext Zed\nwait 100\n"
                               "softkey left\nwait 300\nshot " +
                               d + "/after.png\n"),
              0);
    const std::string log = FileText(dir / "first.log");
    ASSERT_NE(log.find("sound WAVE/sndLose sync"), std::string::npos) << log;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        log, match,
        std::regex(
            "dialog \"New high score\" shown \"You reached (\\w+) place!\" \"Score:\" \"(\\d+)\"")))
        << log;
    const std::vector<std::string> places = {"first", "second", "third", "fourth", "fifth"};
    const auto place = static_cast<std::int32_t>(
        std::find(places.begin(), places.end(), match[1].str()) - places.begin());
    ASSERT_LT(place, 5);
    const auto score = static_cast<std::uint32_t>(std::stoul(match[2].str()));
    EXPECT_GE(score, 50u);

    // The title shows the new row, bold and pale yellow, and no other.
    const std::uint32_t paleYellow = 0xFFFF80;
    Shot before = LoadShot(dir / "before.png");
    Shot after = LoadShot(dir / "after.png");
    for (std::int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(CountColour(after, TableRow(i), paleYellow) > 0, i == place) << i;
    }

    // The store holds it once the program has ended.
    SetRegistryStorePath((dir / "settings.reg").c_str());
    for (HighScoreEntry& e : highScores)
        e = HighScoreEntry{};
    ASSERT_TRUE(LoadHighScores());
    SetRegistryStorePath(nullptr);
    EXPECT_EQ(highScores[place].score, score);
    EXPECT_EQ(std::u16string(highScores[place].name), u"Zed");

    // The next run shows the changed table, without the highlight.
    ASSERT_EQ(Run("second", "wait 300\nshot " + d + "/second.png\n"), 0);
    Shot second = LoadShot(dir / "second.png");
    for (std::int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(CountColour(second, TableRow(i), paleYellow), 0) << i;
        EXPECT_EQ(SameRegion(second, before, TableRow(i)), i < place) << i;
    }
}

// Without --store a headless run plays on a fresh store of its own: the player's
// highest level does not ungrey the start levels, the sound turned off is not
// saved into the player's file, and nothing is left in the temporary folder.
TEST_F(EndToEndTest, AHeadlessRunWithoutStoreLeavesThePlayersAlone) {
    const std::string d = dir.string();
    fs::create_directories(dir / "data/quarvel");
    fs::create_directories(dir / "tmp");
    const fs::path players = dir / "data/quarvel/settings.reg";
    const std::string stored = StoreWith("\"HighestLevel\"=dword:00000032");
    std::ofstream(players) << stored;
    ASSERT_EQ(Run("alone", "wait 300\ncommand 40036\nwait 300\ncommand 40001\nwait 100\n", "",
                  "HOME='" + d + "' XDG_DATA_HOME='" + d + "/data' TMPDIR='" + d + "/tmp'"),
              0);
    EXPECT_NE(FileText(dir / "alone.log").find("menu command 40036 grayed"), std::string::npos)
        << FileText(dir / "alone.log");
    EXPECT_EQ(FileText(players), stored);
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

// What ends a headless run is said on stderr in one line: the program's message
// box that ends it (with its own exit code, -1), a --packs folder that is not
// there (a bad option), a script's command that is not on the soft keys.
TEST_F(EndToEndTest, AHeadlessRunSaysWhyItEnded) {
    const std::string d = dir.string();
    fs::create_directories(dir / "no-packs");
    EXPECT_EQ(Run("no-pack", "wait 100\n", "--packs '" + d + "/no-packs'"), 255);
    EXPECT_EQ(FileText(dir / "no-pack.err"), "quarvel: Could not load resources\n");
    EXPECT_EQ(Run("no-folder", "wait 100\n", "--packs '" + d + "/missing'"), 2);
    EXPECT_EQ(FileText(dir / "no-folder.err"),
              "quarvel: bad value '" + d + "/missing' for --packs: no such folder\n");
    EXPECT_EQ(Run("no-command", "wait 100\ncommand 40999\n"), 2);
    EXPECT_EQ(FileText(dir / "no-command.err"),
              "quarvel: " + d + "/no-command.txt: line 2: no command 40999 on the soft keys\n");
}

// A game played in the desktop window (title, hard, the stack to the top, a tap,
// a name typed, Done, then SIGTERM) and recorded there; its replay must say and
// store exactly what the desktop run did.
TEST_F(EndToEndTest, RecordedDesktopGameReplaysExactly) {
    const fs::path recordings = RECORDINGS;
    fs::copy_file(recordings / "whole_game.txt.store", dir / "settings.reg");
    fs::copy_file(recordings / "whole_game.txt", dir / "replay.txt");
    ASSERT_EQ(Run("replay", FileText(recordings / "whole_game.txt")), 0);
    std::istringstream lines(FileText(dir / "replay.log"));
    std::string line, said;
    while (std::getline(lines, line)) {
        if (line.find("] window ") == std::string::npos &&
            line.find("] first frame ") == std::string::npos) {
            said += line + "\n";
        }
    }
    EXPECT_EQ(said, FileText(recordings / "whole_game.log"));
    EXPECT_EQ(FileText(dir / "settings.reg"), FileText(recordings / "whole_game.after.reg"));
}

}  // namespace
