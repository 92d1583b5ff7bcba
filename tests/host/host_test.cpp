#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <SDL.h>

#include <cstring>

#include "host/close_signals.h"
#include "host/desktop_services.h"
#include "host/headless_host.h"
#include "host/host_main.h"
#include "host/host_options.h"
#include "host/script.h"
#include "host/soak.h"
#include "host/web_keys.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/resources_internal.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "tests/support/processes.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

// The lines the test program and the sound service wrote, with their clock
// stamps: a replay must match in time too.
std::vector<std::string> ProgramLines(const fs::path& log) {
    std::vector<std::string> lines;
    std::istringstream in(FileText(log));
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("] test ") != std::string::npos ||
            line.find("] sound ") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

int RunQuarvel(std::vector<std::string> args) {
    std::vector<const char*> argv{"quarvel"};
    for (const auto& a : args)
        argv.push_back(a.c_str());
    ResetWindowManager();
    ReleaseAllKeys();
    return RunHost(static_cast<int>(argv.size()), argv.data());
}

class HostTest : public ::testing::Test {
  protected:
    ~HostTest() override { fs::remove_all(dir); }
    // A file of the test's folder.
    std::string in(const std::string& name) const { return (dir / name).string(); }
    // Starts the test program headless on the script NAME.txt holding `script`, in
    // a process of its own with its log in NAME.log and its error stream in
    // NAME.err, and waits until its log says `awaited`.
    pid_t startHeadless(const std::string& name, const std::string& script,
                        const std::string& store, const std::string& awaited) const {
        std::ofstream(in(name + ".txt")) << script;
        const std::string log = in(name + ".log");
        const pid_t child = Spawn({TEST_PROGRAM, "--headless", "--script", in(name + ".txt"),
                                   "--log", log, "--store", store},
                                  in(name + ".err"));
        WaitFor([&] { return FileText(log).find(awaited) != std::string::npos; });
        return child;
    }
    fs::path dir = FreshTestFolder();
};

TEST(HostOptionsTest, BadOptionsAreRefusedWithOneLine) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/bad_options.txt")) {
        std::vector<const char*> args{"q"};
        for (const std::string& arg : row)
            args.push_back(arg.c_str());
        HostOptions options;
        std::string error;
        EXPECT_FALSE(ParseHostOptions(static_cast<int>(args.size()), args.data(), options, error))
            << args[1];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    const char* good[] = {"q",          "--screen",   "176x220",  "--scale=3", "--clock-start",
                          "4294967295", "--headless", "--script", "s.txt",     "--mute"};
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseHostOptions(10, good, options, error)) << error;
    EXPECT_EQ(options.screenWidth, 176);
    EXPECT_EQ(options.scale, 3);
    EXPECT_EQ(options.clockStart, 4294967295u);
}

TEST(ScriptTest, CommandsAndErrors) {
    std::vector<ScriptCommand> commands;
    std::string error;
    ASSERT_TRUE(
        ParseScript("clock-start 5\n# comment\n  press app3\r\ntext Hi there\n"
                    "tap 10 20\nsoftkey right\nwait 100\nshot a.png\ndown 65\nclose\n",
                    commands, error))
        << error;
    ASSERT_EQ(commands.size(), 9u);
    EXPECT_EQ(commands[1].code, VK_APP1 + 2);
    EXPECT_EQ(commands[2].text, "Hi there");
    EXPECT_EQ(commands[3].y, 20);
    EXPECT_EQ(commands[7].code, 65u);

    // Scripts it refuses, saying which line, are in tests/fuzz/corpus/script/reject/.
    EXPECT_FALSE(ParseScript("wait 5\njump", commands, error));
    EXPECT_TRUE(error.starts_with("line 2")) << error;
    for (std::uint32_t code : {37u, 134u, 193u, 198u, 65u, 112u, 123u, 27u, 48u, 0u, 5u, 255u}) {
        std::uint32_t back = 0;
        ASSERT_TRUE(KeyCodeFromName(KeyNameForScript(code), back)) << code;
        EXPECT_EQ(back, code);
    }
}

// The page's keys, by the browser's names, reach the desktop's key codes.
TEST(WebKeysTest, BrowserKeysAndButtonsAreTheDesktopsMap) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/web_keys.txt")) {
        std::uint32_t phone = 0;
        ASSERT_TRUE(row[2] == "none" || KeyCodeFromName(row[2], phone)) << row[2];
        const std::string code = row[0] == "-" ? "" : row[0], key = row[1] == "-" ? "" : row[1];
        EXPECT_EQ(WebKeyCode(code, key), phone) << code << " " << key;
    }
    EXPECT_EQ(WebButtonCode(0), VK_ACTION);  // A
    EXPECT_EQ(WebButtonCode(9), VK_F1);      // Start
    EXPECT_EQ(WebButtonCode(14), VK_LEFT);   // the D-pad's left
    EXPECT_EQ(WebButtonCode(6), 0u);         // a trigger
    EXPECT_EQ(WebButtonCode(16), 0u);
    EXPECT_EQ(WebButtonCode(-1), 0u);
}

TEST_F(HostTest, HeadlessRunWritesScreenshotsAndLog) {
    fs::path script = dir / "run.txt";
    // The beep on Return is synchronous (120 ms): longer than the 50 ms of the press.
    std::ofstream(script) << "wait 500\npress right\npress return\ntap 100 150\nwait 200\n"
                          << "shot " << in("shot.png") << "\n";
    int code = RunQuarvel({"--headless", "--script", script.string(), "--log", in("log.txt"),
                           "--store", in("store.reg")});
    EXPECT_EQ(code, 0);
    EXPECT_GT(fs::file_size(dir / "shot.png"), 100u);
    std::string log = FileText(dir / "log.txt");
    EXPECT_NE(log.find("test key 39"), std::string::npos) << log;
    EXPECT_NE(log.find("sound 1004 bytes sync 120 ms"), std::string::npos) << log;
    EXPECT_NE(log.find("test pen x=100 y=124"), std::string::npos);  // below the task bar
    EXPECT_NE(log.find("] exit 0"), std::string::npos);
    // Time never runs backwards, also when a sound outlasts a wait.
    std::istringstream lines(log);
    std::string line;
    std::uint32_t last = 0;
    while (std::getline(lines, line)) {
        std::uint32_t stamp = static_cast<std::uint32_t>(std::stoul(line.substr(1)));
        EXPECT_GE(stamp, last) << line;
        last = stamp;
    }
    // The counter went to the store on the way out.
    EXPECT_NE(FileText(dir / "store.reg").find("\"Presses\"=dword:00000001"), std::string::npos);
}

TEST_F(HostTest, BadScriptFailsWithExitCodeTwo) {
    fs::path script = dir / "bad.txt";
    std::ofstream(script) << "wait 10\nfly away\n";
    EXPECT_EQ(RunQuarvel({"--headless", "--script", script.string()}), 2);
    EXPECT_EQ(RunQuarvel({"--headless", "--script", in("missing.txt")}), 2);
    EXPECT_EQ(RunQuarvel({"--headless", "--script", dir.string()}), 2);  // a folder
}

// A wait of 2^31 ms or more is run in steps that the clock's unsigned
// comparisons read the right way, and lasts as long as it says.
TEST(HeadlessHostTest, LongWaitsLastTheirWholeTime) {
    for (std::uint32_t ms : {0x7FFFFFFFu, 0x80000000u, 3000000000u, 0xFFFFFFFFu}) {
        ScriptCommand wait;
        wait.kind = ScriptCommand::Kind::Wait;
        wait.ms = ms;
        SetClock(1000);
        HeadlessHost host({wait});
        std::uint64_t elapsed = 0;
        std::uint32_t last = GetTickCount();
        // With a timer due every 2^29 ms, the clock stops at each due time.
        for (int steps = 0; steps < 100 && host.idle(true, last + (1u << 29)); ++steps) {
            const std::uint32_t step = GetTickCount() - last;
            EXPECT_LE(step, 1u << 29);
            elapsed += step;
            last = GetTickCount();
        }
        EXPECT_EQ(elapsed, ms);
    }
}

// A soak runs the ticks asked for on the clock, a press's hold at most beyond
// them, and counts those that ran, never more than asked.
TEST(HeadlessHostTest, SoakRunsAndCountsTheTicksAskedFor) {
    for (std::uint64_t ticks : {1u, 5000u, 7465u}) {
        ResetWindowManager();
        SetClock(1000);
        SoakInput soak(ticks, ticks, 240, 320);
        HeadlessHost host({});
        host.setSoak(&soak);
        std::uint64_t counted = 0;
        while (host.idle(false, 0)) {
            EXPECT_GE(soak.ticksRun(), counted);
            counted = soak.ticksRun();
        }
        EXPECT_EQ(counted, ticks);
        EXPECT_LE(GetTickCount() - 1000, ticks * SoakInput::TICK_MS + 50) << ticks;
    }
    ReleaseAllKeys();
}

// The soak plays the same input for the same seed, and other input for another.
TEST_F(HostTest, SoakRunsRepeatFromTheirSeed) {
    auto soak = [&](const char* seed, const std::string& name) {
        fs::path log = dir / (name + ".log");
        EXPECT_EQ(RunQuarvel({"--headless", "--soak", "3000", "--seed", seed, "--log", log.string(),
                              "--store", in(name + ".reg")}),
                  0);
        return ProgramLines(log);
    };
    std::vector<std::string> first = soak("5", "a");
    EXPECT_GT(first.size(), 100u);
    EXPECT_EQ(soak("5", "b"), first);
    EXPECT_NE(soak("6", "c"), first);
}

// A close signal that comes after the loop looked for one and before it sleeps
// does not interrupt the sleep, which may last until the next minute: its
// descriptor stays readable until the signal is taken, so the sleep ends at once.
TEST(CloseSignalsTest, ASignalBeforeTheWaitEndsIt) {
    CatchCloseSignals();
    raise(SIGTERM);
    pollfd wake{CloseSignalDescriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&wake, 1, 5000), 1);
    EXPECT_TRUE(TakeCloseSignal());
    EXPECT_EQ(poll(&wake, 1, 0), 0);  // taken: the next wait sleeps
    EXPECT_FALSE(TakeCloseSignal());
    RestoreCloseSignals();
    EXPECT_EQ(CloseSignalDescriptor(), -1);
}

// Two programs on one store: the second, which ends last, saves nothing over the
// first one's presses, and says why. SIGINT and SIGHUP close a headless run in
// order as SIGTERM does (and the desktop window): the program saves its store,
// and the run exits 0.
TEST_F(HostTest, SecondProgramOnAStoreSavesNothing) {
    const std::string store = in("store.reg");
    auto presses = [&](const std::string& name, int count) {
        std::string script;
        for (int i = 0; i < count; ++i)
            script += "press return\n";
        return startHeadless(name, script + "wait 4000000000\n", store,
                             "presses=" + std::to_string(count));
    };
    const pid_t first = presses("first", 2);
    const pid_t second = presses("second", 5);
    for (auto [child, signal] : {std::pair{first, SIGINT}, {second, SIGHUP}}) {
        ASSERT_GT(child, 0);
        kill(child, signal);
        EXPECT_EQ(ExitStatus(child), 0) << signal;
    }
    EXPECT_NE(FileText(in("first.log")).find("close signal"), std::string::npos);
    EXPECT_NE(FileText(store).find("\"Presses\"=dword:00000002"), std::string::npos);
    EXPECT_EQ(FileText(in("first.err")), "");
    EXPECT_EQ(FileText(in("second.err")),
              "quarvel: " + store + " is in use by another running game; nothing will be saved\n");
}

// A save that fails is told on stderr, once for one reason, and the run ends as
// it would have: the program itself is told nothing.
TEST_F(HostTest, FailedSaveIsToldOnStderr) {
    const std::string store = in("missing/store.reg");
    EXPECT_EQ(ExitStatus(startHeadless("run", "press return\nwait 100\n", store, "")), 0);
    EXPECT_EQ(FileText(in("run.err")),
              "quarvel: could not save settings to " + store + ": No such file or directory\n");
}

// Presses keys in the desktop window from another thread, in real time.
void PushKey(SDL_Keycode key, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = key;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

TEST_F(HostTest, RecordedDesktopRunReplaysExactlyHeadless) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    fs::path record = dir / "rec.txt";
    fs::path store = dir / "store.reg";
    std::ofstream(store) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\QuarvelTest]\n"
                         << "\"Presses\"=dword:00000004\n";
    std::thread player([] {
        using namespace std::chrono_literals;
        std::this_thread::sleep_for(300ms);
        for (SDL_Keycode key : {SDLK_RIGHT, SDLK_RETURN, SDLK_LEFT, SDLK_RETURN}) {
            PushKey(key, true);
            std::this_thread::sleep_for(70ms);
            PushKey(key, false);
            std::this_thread::sleep_for(90ms);
        }
        // Typed text (a letter no key code has), the window losing and regaining
        // the focus, and a touch, which is the stylus at the touched pixel.
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::strcpy(e.text.text, "\xC3\xAB");
        SDL_PushEvent(&e);
        for (Uint8 focus : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED}) {
            std::this_thread::sleep_for(50ms);
            e = SDL_Event{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = focus;
            SDL_PushEvent(&e);
        }
        for (Uint32 type : {SDL_FINGERDOWN, SDL_FINGERMOTION, SDL_FINGERUP}) {
            std::this_thread::sleep_for(40ms);
            e = SDL_Event{};
            e.type = type;
            e.tfinger.fingerId = 3;
            e.tfinger.x = type == SDL_FINGERDOWN ? 0.25f : 0.5f;
            e.tfinger.y = 0.5f;
            SDL_PushEvent(&e);
        }
        std::this_thread::sleep_for(50ms);
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    int code = RunQuarvel({"--record", record.string(), "--store", store.string(), "--log",
                           in("desktop.log"), "--mute", "--clock-start", "4294966800"});
    player.join();
    ASSERT_EQ(code, 0);
    std::vector<std::string> desktop = ProgramLines(dir / "desktop.log");
    ASSERT_FALSE(desktop.empty());
    const std::string lines = FileText(dir / "desktop.log");
    EXPECT_NE(lines.find("test char 235 "), std::string::npos) << lines;
    EXPECT_NE(lines.find("test activate 0 "), std::string::npos);
    EXPECT_NE(lines.find("test activate 1 "), std::string::npos);
    EXPECT_NE(lines.find("test pen x=60 y=134 "), std::string::npos) << lines;
    EXPECT_NE(FileText(store).find("dword:00000006"), std::string::npos);  // two more presses

    // The replay starts from the store as it was, and must say exactly the same.
    fs::path replayStore = dir / "replay.reg";
    fs::copy_file(record.string() + ".store", replayStore);
    code = RunQuarvel({"--headless", "--script", record.string(), "--store", replayStore.string(),
                       "--log", in("replay.log")});
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ProgramLines(dir / "replay.log"), desktop) << FileText(record);
    EXPECT_EQ(FileText(replayStore), FileText(store));
}

// Installed, the program is bin/quarvel and its packs share/quarvel/packs; in the
// build, they lie next to it or in its packs folder. --packs is the only folder.
TEST(DesktopServicesTest, PacksInstalledLayoutFirstThenTheBuildsFolders) {
    const fs::path exe = "/opt/game/bin";
    const std::vector<fs::path> folders = ModuleSearchFolders({}, exe, PackSearchFolders());
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].lexically_normal(), fs::path("/opt/game/share/quarvel/packs"));
    EXPECT_EQ(folders[1], exe);
    EXPECT_EQ(folders[2], exe / "packs");
    EXPECT_EQ(ModuleSearchFolders("/my/packs", exe, PackSearchFolders()),
              std::vector<fs::path>{"/my/packs"});
    EXPECT_TRUE(ModuleSearchFolders({}, {}, PackSearchFolders()).empty());
}

// Relative XDG folders are ignored, as the XDG rules say: they would name a
// folder under wherever the game was started.
TEST(DesktopServicesTest, StoreAndScreenshotsGoToTheUserDataFolder) {
    const fs::path dir = FreshTestFolder();
    const std::string home = dir.string();
    ScopedEnv data("XDG_DATA_HOME", home.c_str()), homeFolder("HOME", home.c_str()),
        cache("XDG_CACHE_HOME", "cache");
    EXPECT_EQ(DataFolder(), home + "/quarvel/");
    EXPECT_TRUE(fs::is_directory(home + "/quarvel"));
    EXPECT_EQ(DefaultStorePath(), home + "/quarvel/settings.reg");
    setenv("XDG_DATA_HOME", "data", 1);
    EXPECT_EQ(DataFolder(), home + "/.local/share/quarvel/");
    EXPECT_EQ(FontCacheFile(), home + "/.cache/quarvel/fonts");
    // A data folder that cannot be made is said at start.
    setenv("XDG_DATA_HOME", "/dev/null/x", 1);
    std::string error;
    EXPECT_EQ(DefaultStorePath(&error), "");
    EXPECT_EQ(error,
              "could not save settings to /dev/null/x/quarvel/settings.reg: cannot create "
              "/dev/null/x/quarvel: Not a directory");
    fs::remove_all(dir);
}

// A stand-in xdg-open first on the PATH while the test runs: a shell script
// that writes what it saw to `out`.
class XdgOpenTest : public ::testing::Test {
  protected:
    ~XdgOpenTest() override { fs::remove_all(dir); }
    void Install(const std::string& body) {
        std::ofstream(dir / "xdg-open")
            << "#!/bin/sh\n"
            << body << " > " << out << ".tmp\nmv " << out << ".tmp " << out << "\n";
        fs::permissions(dir / "xdg-open", fs::perms::owner_all);
    }
    std::string Written() const {
        WaitFor([this] { return fs::exists(out); });
        return FileText(out);
    }
    fs::path dir = FreshTestFolder();
    std::string out = (dir / "out").string();
    const char* given = std::getenv("PATH");
    ScopedEnv path{"PATH", (dir.string() + ":" + (given ? given : "/usr/bin:/bin")).c_str()};
};

// The link reaches xdg-open as one argument, and the opener does not wait for
// it: the stand-in xdg-open only answers once the test has gone on.
TEST_F(XdgOpenTest, OpensLinksWithXdgOpenWithoutWaiting) {
    const std::string go = (dir / "go").string();
    Install("for i in $(seq 500); do [ -e " + go + " ] && break; sleep 0.01; done\n[ -e " + go +
            " ] && printf '%s' \"$1\"");
    EXPECT_TRUE(OpenLinkOnDesktop("https://example.org/a b"));
    std::ofstream{go};
    EXPECT_EQ(Written(), "https://example.org/a b");
    EXPECT_FALSE(OpenLinkOnDesktop(""));
}

// The opener's child, and the browser it starts, inherits none of the game's
// descriptors (a log file, fonts, pipes) but stdin, stdout and stderr.
TEST_F(XdgOpenTest, LinksOpenWithoutTheGamesDescriptors) {
    Install("ls -l /proc/$$/fd/");
    const int leaked = open((dir / "leaked").c_str(), O_WRONLY | O_CREAT, 0600);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    EXPECT_TRUE(OpenLinkOnDesktop("https://example.org/"));
    const std::string listed = Written();
    EXPECT_NE(listed.find(" 2 -> "), std::string::npos) << listed;
    EXPECT_EQ(listed.find("leaked"), std::string::npos) << listed;
    struct stat pipeInfo;
    ASSERT_EQ(fstat(ends[0], &pipeInfo), 0);
    EXPECT_EQ(listed.find("pipe:[" + std::to_string(pipeInfo.st_ino) + "]"), std::string::npos)
        << listed;
    close(leaked);
    close(ends[0]);
    close(ends[1]);
}

}  // namespace
