#include <sys/stat.h>

#include "platform/runtime/app_keys.h"
#include "platform/runtime/types.h"
#include "platform/store/registry.h"
#include "shell/records/control_layout.h"
#include "shell/records/options.h"
#include "shell/settings.h"
#include "tests/support/processes.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

std::u16string Name(int row) {
    char16_t name[HIGH_SCORE_NAME_UNITS + 1];
    HighScoreName(highScores[row], name);
    return name;
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = FreshTestFolder();
        store = dir / "settings.reg";
        SetRegistryStorePath(store.c_str());
        for (HighScoreEntry& e : highScores)
            e = HighScoreEntry{};
        highlightedRow = -1;
        options = OptionsRecord{};
        controlLayout = CQuarvelControlLayout{};  // the old one's end frees the keys
    }
    void TearDown() override {
        SetRegistryStorePath(nullptr);
        fs::remove_all(dir);
    }
    // Writes a store whose game key holds these value lines.
    void Store(const std::string& values) {
        std::ofstream(store, std::ios::trunc) << StoreWith(values);
        SetRegistryStorePath(store.c_str());
    }
    // Whether a line of the store file starts with this text, continuations joined.
    bool Holds(const std::string& line) {
        std::string text = FileText(store);
        for (std::size_t at; (at = text.find("\\\n  ")) != std::string::npos;)
            text.erase(at, 4);
        return text.find("\n" + line) != std::string::npos;
    }
    fs::path dir, store;
};

// Nothing stored, nothing loads; what is saved has its byte layout in the file.
// Loading it back is pinned by the start of the program and the next run.
TEST_F(SettingsTest, FirstRunAndTheSavedByteLayouts) {
    EXPECT_FALSE(LoadHighScores() || LoadOptions() || LoadControls(nullptr));
    EXPECT_EQ(LoadHighestLevel(), 0);
    FillDefaultHighScores();
    EXPECT_EQ(EnterHighScore(0x01020304, u"Ann"), 0);
    options.sound_on = 0;
    options.repeat_speed = 0x0A;
    controlLayout.drop_key = 195;
    ASSERT_TRUE(SaveControls() && SaveOptions() && SaveHighScores() && SaveHighestLevel(0x11));
    EXPECT_TRUE(Holds("\"Controls\"=" + HexBytes({0,  0, 0, 0, 37, 0, 0, 0, 39,  0, 0, 0,
                                                  13, 0, 0, 0, 38, 0, 0, 0, 195, 0, 0, 0}) +
                      "\n"));
    EXPECT_TRUE(Holds("\"Options\"=" + HexBytes({1, 1, 1, 0, 10, 0, 0, 0, 0, 0, 0, 0}) + "\n"));
    EXPECT_TRUE(Holds("\"HighScores\"=" + HexBytes(HighScoreBytes({{0x01020304, u"Ann"}})) + ","));
    EXPECT_TRUE(Holds("\"HighestLevel\"=dword:00000011\n"));
}

TEST_F(SettingsTest, ShortValuesFillAsFarAsTheyGoAndBadOnesChangeNothing) {
    // 72 bytes of high scores: two rows; the other three show their defaults.
    std::vector<std::uint8_t> two = HighScoreBytes({{70000, u"Kim"}, {60000, u"Lou"}});
    // Options of 11 bytes (sound off in byte 10): sound is turned on.
    std::vector<std::uint8_t> eleven = {0, 0, 0, 1, 3, 0, 0, 0, 1, 1, 0};
    // Controls: the reserved word is ignored whatever it holds.
    std::vector<std::uint8_t> controls = {0xde, 0xad, 0xbe, 0xef, 65, 0, 0, 0, 66, 0, 0, 0};
    Store("\"HighScores\"=" + HexBytes(two) + "\n\"Options\"=" + HexBytes(eleven) +
          "\n\"Controls\"=" + HexBytes(controls));
    EXPECT_TRUE(LoadHighScores());
    EXPECT_TRUE(LoadOptions());
    EXPECT_TRUE(LoadControls(nullptr));
    FillDefaultHighScores();
    EXPECT_EQ(Name(0), u"Kim");
    EXPECT_EQ(Name(1), u"Lou");
    EXPECT_EQ(Name(2), u"Pontrel");
    EXPECT_EQ(highScores[2].score, 30000u);
    EXPECT_EQ(options.rising_junk, 0);
    EXPECT_EQ(options.single_press_drop, 1);
    EXPECT_EQ(options.repeat_speed, 3);
    EXPECT_EQ(options.extra_pieces, 1);
    EXPECT_EQ(options.sound_on, 1);
    EXPECT_EQ(controlLayout.move_left_key, 65);
    EXPECT_EQ(controlLayout.move_right_key, 66);
    EXPECT_EQ(controlLayout.rotate_cw_key, 13);

    // Too long, or of the wrong type: the records stay as they are.
    options = OptionsRecord{};
    for (HighScoreEntry& e : highScores)
        e = HighScoreEntry{};
    controlLayout.move_left_key = 37;
    std::vector<std::uint8_t> long13(13, 1);
    Store("\"Options\"=" + HexBytes(long13) + "\n\"HighScores\"=dword:00000005\n\"Controls\"=" +
          HexBytes(std::vector<std::uint8_t>(25, 1)) +
          "\n\"HighestLevel\"=" + HexBytes({9, 0, 0, 0}));
    EXPECT_FALSE(LoadOptions());
    EXPECT_FALSE(LoadHighScores());
    EXPECT_FALSE(LoadControls(reinterpret_cast<WindowHandle>(1)));
    EXPECT_EQ(AppKeyWindow(193), nullptr);
    EXPECT_EQ(options.rising_junk, 1);
    EXPECT_EQ(highScores[0].score, 0u);
    EXPECT_EQ(controlLayout.move_left_key, 37);
    EXPECT_EQ(LoadHighestLevel(), 0);  // binary, not a number
    Store("\"HighestLevel\"=dword:0000000c");
    EXPECT_EQ(LoadHighestLevel(), 12);  // read from the store each time

    // A stored name without its terminator ends after sixteen units.
    std::vector<std::uint8_t> bytes = HighScoreBytes({{5, u"ABCDEFGHIJKLMNOP"}});
    ASSERT_EQ(bytes.size(), 36u);
    // The next row's score bytes follow at once; they must not show in the name.
    std::vector<std::uint8_t> more = HighScoreBytes({{0x00410041, u"Z"}});
    bytes.insert(bytes.end(), more.begin(), more.end());
    Store("\"HighScores\"=" + HexBytes(bytes));
    ASSERT_TRUE(LoadHighScores());
    EXPECT_EQ(Name(0), u"ABCDEFGHIJKLMNOP");
    EXPECT_EQ(Name(0).size(), 16u);
}

TEST_F(SettingsTest, EnteringScoresKeepsTheTableInOrder) {
    FillDefaultHighScores();
    highlightedRow = 2;
    // Equal to the third row: above it, and Darvo drops out.
    EXPECT_EQ(EnterHighScore(30000, u""), 2);
    EXPECT_EQ(Name(2), u"Player");
    EXPECT_EQ(Name(3), u"Pontrel");
    EXPECT_EQ(Name(4), u"Melusk");
    EXPECT_EQ(EnterHighScore(100, u"Nobody"), -1);
    EXPECT_EQ(FindScorePlace(0xFFFFFFFFu), 0);  // unsigned: the largest is the best
    EXPECT_EQ(Name(4), u"Melusk");
    // A name longer than the table holds is cut to 15 characters.
    EXPECT_EQ(EnterHighScore(99999, u"ABCDEFGHIJKLMNOPQRS"), 0);
    EXPECT_EQ(Name(0), u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(highScores[0].name[15], u'\0');

    ResetHighScores();
    EXPECT_EQ(highlightedRow, -1);
    EXPECT_EQ(Name(0), u"Soraby");
    EXPECT_EQ(highScores[4].score, 10000u);
}

// A store the player cannot read (its permissions) is never overwritten: it is
// kept aside, and the game saves a good store beside it.
TEST_F(SettingsTest, AStoreThatCannotBeReadIsKeptAside) {
    const std::string original = StoreWith("\"HighestLevel\"=dword:00000021");
    fs::path folder = dir / "locked";
    fs::create_directories(folder);
    fs::path path = folder / "settings.reg";
    std::ofstream(path) << original;
    chmod(path.c_str(), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);  // the folder is the player's
        fs::permissions(dir, fs::perms::others_exec, fs::perm_options::add);
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As a player who may not read the file (root reads everything).
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        SetRegistryStorePath(path.c_str());
        bool loaded = LoadHighScores() || LoadHighestLevel() != 0;
        FillDefaultHighScores();
        _exit(loaded ? 4 : SaveHighScores() ? 0 : 5);
    }
    EXPECT_EQ(ExitStatus(child), 0);
    chmod((folder / "settings.reg.bad").c_str(), 0600);
    EXPECT_EQ(FileText(folder / "settings.reg.bad"), original);
    SetRegistryStorePath(path.c_str());
    EXPECT_TRUE(LoadHighScores());
}

}  // namespace
