// The desktop window's waiting on a real X server (Xvfb, skipped without it):
// input reaches the program while the loop sleeps and after the window was drawn.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/desktop_host.h"
#include "platform/internal/host_interface.h"
#include "platform/runtime/clock.h"
#include "platform/windows/windows.h"

// Xlib's macros (None, Bool, ...) after everything else.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

class DesktopOnXTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "no Xvfb";
        // Servers started side by side may pick the same display; one gives up.
        for (int attempt = 0; attempt < 10 && display.empty(); ++attempt)
            startServer();
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";

        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        ResetWindowManager();
        SetScreenSize(240, 320);
        options.scale = 1;
        std::string error;
        ASSERT_TRUE(host->open(options, error)) << error;
        sender = XOpenDisplay(display.c_str());
        ASSERT_NE(sender, nullptr);
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(host->sdlWindow(), &info));
        window = info.info.x11.window;
        // The window's first events (mapping, exposure) handled; no input.
        ASSERT_FALSE(runUntilTimer(50));
    }

    // Xvfb picks a free display and writes its number to a pipe when ready.
    void startServer() {
        int ready[2];
        if (pipe(ready) != 0) return;
        server = fork();
        if (server == 0) {
            close(ready[0]);
            std::string fd = std::to_string(ready[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "800x600x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // The whole line: a server whose newline finds the pipe closed gives up.
        std::string number;
        char c = 0;
        while (server > 0 && read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        if (c == '\n') {
            display = ":" + number;
        } else if (server > 0) {
            waitpid(server, nullptr, 0);
            server = -1;
        }
    }

    void TearDown() override {
        if (sender != nullptr) XCloseDisplay(sender);
        host.reset();  // its connection closed before the server goes
        ResetWindowManager();
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

    // Lets the host wait for a timer due in `ms`; whether input reached the
    // program before it. (Short: SDL also looks for input every 250 ms.)
    bool runUntilTimer(std::uint32_t ms) {
        std::uint32_t due = GetTickCount() + ms;
        while (!InputPending() && GetTickCount() != due)
            EXPECT_TRUE(host->idle(true, due));
        return InputPending();
    }

    // The down arrow pressed, as the X server tells the window; the server has
    // sent it on when this returns.
    void pressKey() {
        XKeyEvent key{};
        key.type = KeyPress;
        key.display = sender;
        key.window = window;
        key.root = DefaultRootWindow(sender);
        key.same_screen = True;
        key.keycode = XKeysymToKeycode(sender, XK_Down);
        XSendEvent(sender, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
        XSync(sender, False);
    }

    pid_t server = -1;
    std::string display;
    Display* sender = nullptr;
    Window window = 0;
    HostOptions options;
    std::unique_ptr<DesktopHost> host = std::make_unique<DesktopHost>();
};

TEST_F(DesktopOnXTest, AKeyWakesTheSleepingLoop) {
    pressKey();
    EXPECT_TRUE(runUntilTimer(100));
}

// Drawing waits for the X server's answer, which reads the key that came
// before it off the connection: the loop must not then sleep past it.
TEST_F(DesktopOnXTest, AKeyThatCameWhileDrawingIsNotLeftWaiting) {
    WindowClass c;
    c.procedure = DefaultWindowProcedure;
    c.name = u"Plain";
    RegisterWindowClass(c);
    WindowHandle w =
        CreateWindow(u"Plain", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr);
    host->present(false);
    SurfaceHandle s = GetWindowSurface(w);
    FillRect(s, Rect{0, 0, 10, 10}, GetStockBrush(StockBrush::White));
    ReleaseWindowSurface(w, s);
    pressKey();
    host->present(false);
    EXPECT_TRUE(runUntilTimer(100));
}

// Any round trip to the server on SDL's connection (a window manager check, a
// full-screen switch) can read a key off the socket into Xlib's queue.
TEST_F(DesktopOnXTest, AKeyXlibReadAlreadyIsNotLeftWaiting) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(host->sdlWindow(), &info));
    pressKey();
    XSync(info.info.x11.display, False);
    EXPECT_TRUE(runUntilTimer(100));
}

// Another start's request to come forward arrives on a socket the loop watches
// while it sleeps.
TEST_F(DesktopOnXTest, ARequestToComeForwardIsLookedAtWhenItArrives) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    static int looks = 0;
    host->setRaiseCheck([] { return ++looks, false; }, pair[0]);
    runUntilTimer(50);
    const int before = looks;
    ASSERT_EQ(write(pair[1], "r", 1), 1);
    runUntilTimer(50);
    EXPECT_GT(looks, before);
    close(pair[0]);
    close(pair[1]);
}

}  // namespace
