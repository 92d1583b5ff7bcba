// The real program through the headless host, as a player would take it: a
// recorded game from the title to a name in the high-score table replayed
// exactly, a run that leaves the player's own store alone, and the reasons a run
// ends said on stderr.
#include "tests/support/processes.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = FreshTestFolder(); }
    void TearDown() override {
        if (!HasFailure() && !std::getenv("QUARVEL_KEEP")) fs::remove_all(dir);
    }

    // Runs the program headless on the script NAME.txt holding `script`, with its
    // log in NAME.log, `options` and the `environment` set, its stderr in NAME.err;
    // returns its exit code (-1 when it had not ended within 10 s).
    int Run(const std::string& name, const std::string& script,
            const std::vector<std::string>& options = {},
            const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        const std::string file = (dir / (name + ".txt")).string();
        std::ofstream(file) << script;
        std::vector<std::string> argv = {QUARVEL_PROGRAM, "--headless",
                                         "--script",      file,
                                         "--log",         (dir / (name + ".log")).string()};
        argv.insert(argv.end(), options.begin(), options.end());
        return ExitStatus(Spawn(argv, (dir / (name + ".err")).string(), environment));
    }
    fs::path dir;
};

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
    ASSERT_EQ(Run("alone", "wait 300\ncommand 40036\nwait 300\ncommand 40001\nwait 100\n", {},
                  {{"HOME", d}, {"XDG_DATA_HOME", d + "/data"}, {"TMPDIR", d + "/tmp"}}),
              0);
    EXPECT_NE(FileText(dir / "alone.log").find("menu command 40036 grayed"), std::string::npos)
        << FileText(dir / "alone.log");
    EXPECT_EQ(FileText(players), stored);
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

// A store whose last line lost its line break keeps its values through a run.
TEST_F(EndToEndTest, AStoreWithoutItsFinalLineBreakIsKept) {
    const fs::path store = dir / "settings.reg";
    std::string text = StoreWith("\"HighestLevel\"=dword:00000032");
    text.pop_back();
    std::ofstream(store) << text;
    ASSERT_EQ(Run("kept", "wait 300\n", {"--store", store.string()}), 0);
    EXPECT_NE(FileText(store).find("\n\"HighestLevel\"=dword:00000032\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "settings.reg.bad"));
}

// What ends a headless run is said on stderr in one line: the program's message
// box that ends it (with its own exit code, -1), a --packs folder that is not
// there (a bad option), a script's command that is not on the soft keys.
TEST_F(EndToEndTest, AHeadlessRunSaysWhyItEnded) {
    const std::string d = dir.string();
    fs::create_directories(dir / "no-packs");
    EXPECT_EQ(Run("no-pack", "wait 100\n", {"--packs", d + "/no-packs"}), 255);
    EXPECT_EQ(FileText(dir / "no-pack.err"), "quarvel: Could not load resources\n");
    EXPECT_EQ(Run("no-folder", "wait 100\n", {"--packs", d + "/missing"}), 2);
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
    ASSERT_EQ(Run("replay", FileText(recordings / "whole_game.txt"),
                  {"--store", (dir / "settings.reg").string()}),
              0);
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
