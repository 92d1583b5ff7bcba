#include "host/single_instance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

// Each test has a runtime folder of its own and chooses the display.
class SingleInstanceTest : public ::testing::Test {
  protected:
    ~SingleInstanceTest() override { fs::remove_all(dir); }
    using Result = SingleInstance::Result;
    std::string error;
    fs::path dir = FreshTestFolder();
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.c_str()}, display{"DISPLAY", ":0"};
};

// Another screen of a display is the same display; without one, Wayland's
// display names the instance.
TEST(DisplayKeyTest, OneNamePerDisplaySafeAsAFileName) {
    ScopedEnv x("DISPLAY", nullptr), w("WAYLAND_DISPLAY", nullptr);
    for (const std::vector<std::string>& row : TableRows(TABLES "/display_keys.txt")) {
        for (auto [name, value] : {std::pair{"DISPLAY", row[0]}, {"WAYLAND_DISPLAY", row[1]}}) {
            if (value == "-") {
                unsetenv(name);
            } else {
                setenv(name, value.c_str(), 1);
            }
        }
        EXPECT_EQ(DisplayKey(), row[2]) << row[0] << " " << row[1];
    }
    setenv("DISPLAY", "../../x:1", 1);
    EXPECT_EQ(DisplayKey().find('/'), std::string::npos);
}

// A second start on the same display (another screen of it too) raises the
// first, once; other displays and runs without one have their own; an ended
// instance leaves the way free.
TEST_F(SingleInstanceTest, OneInstancePerDisplay) {
    {
        SingleInstance first;
        ASSERT_EQ(first.acquire(error), Result::First) << error;
        EXPECT_FALSE(first.raiseRequested());
        setenv("DISPLAY", ":0.0", 1);
        SingleInstance second;
        EXPECT_EQ(second.acquire(error), Result::AnotherRuns);
        EXPECT_TRUE(first.raiseRequested());
        EXPECT_FALSE(first.raiseRequested());
        setenv("DISPLAY", ":1", 1);
        SingleInstance onOther;
        EXPECT_EQ(onOther.acquire(error), Result::First) << error;
        unsetenv("DISPLAY");
        SingleInstance withoutDisplay;
        EXPECT_EQ(withoutDisplay.acquire(error), Result::First) << error;
        EXPECT_FALSE(first.raiseRequested() || onOther.raiseRequested());
    }
    setenv("DISPLAY", ":0", 1);
    SingleInstance next;
    EXPECT_EQ(next.acquire(error), Result::First) << error;
}

// An instance killed outright leaves its lock file and its socket file behind;
// neither stops the next start, which can be raised in turn.
TEST_F(SingleInstanceTest, KilledInstanceNeverBlocksTheNextStart) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance held;
        std::string childError;
        char answer = held.acquire(childError) == Result::First ? 'y' : 'n';
        (void)!write(ready[1], &answer, 1);
        for (;;)
            pause();
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    {
        SingleInstance whileHeld;
        EXPECT_EQ(whileHeld.acquire(error), Result::AnotherRuns);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_TRUE(fs::exists(dir / "quarvel-_0.lock"));
    EXPECT_TRUE(fs::exists(dir / "quarvel-_0.sock"));

    SingleInstance next;
    ASSERT_EQ(next.acquire(error), Result::First) << error;
    SingleInstance again;
    EXPECT_EQ(again.acquire(error), Result::AnotherRuns);
    EXPECT_TRUE(next.raiseRequested());
}

// Without a runtime folder: a folder of our own in the temporary folder, and
// only while no one else can get into it.
TEST_F(SingleInstanceTest, TemporaryFolderOnlyWhenPrivate) {
    unsetenv("XDG_RUNTIME_DIR");
    ScopedEnv temporary("TMPDIR", dir.c_str());
    fs::path own = dir / ("quarvel-" + std::to_string(getuid()));
    fs::create_directories(own);
    fs::permissions(own, fs::perms::all);  // open to everyone
    {
        SingleInstance open;
        EXPECT_EQ(open.acquire(error), Result::Failed);
        EXPECT_NE(error.find("XDG_RUNTIME_DIR"), std::string::npos);
    }
    fs::remove_all(own);
    {
        SingleInstance made;  // made private by the first start
        EXPECT_EQ(made.acquire(error), Result::First) << error;
        EXPECT_TRUE(fs::exists(own / "quarvel-_0.lock"));
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
    }
}

// The running instance may close the connection at once: the second start's
// request then fails quietly instead of ending it with SIGPIPE.
TEST(SendRaiseRequestTest, AClosedConnectionIsNoSignal) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    EXPECT_FALSE(SendRaiseRequest(pair[0]));
    close(pair[0]);
}

// A runtime folder that is not the user's alone (shared, or a relative path) is
// not used: another user's lock there ended the game at once. A lock file that
// is not ours never ends the game: it runs without the check.
TEST_F(SingleInstanceTest, OnlyAPrivateRuntimeFolderIsUsed) {
    fs::create_directories(dir / "tmp");
    ScopedEnv temporary("TMPDIR", (dir / "tmp").c_str());
    const fs::path shared = dir / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all);
    int held = open((shared / "quarvel-_0.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const bool othersLock = fchown(held, getuid() + 1, getgid()) == 0;  // as root
    for (const std::string& folder : {shared.string(), std::string("relative")}) {
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        SingleInstance instance;
        EXPECT_EQ(instance.acquire(error), Result::First) << folder << ": " << error;
    }
    if (othersLock) {
        fs::permissions(shared, fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
        SingleInstance instance;
        EXPECT_EQ(instance.acquire(error), Result::Failed);
    }
    close(held);
}

}  // namespace
