// The desktop window on a real X server (Xvfb, skipped without it): input
// reaches the program while the loop sleeps and after the window was drawn; the
// window survives what other clients and the server do to it.
#include <sys/socket.h>

#include <cstdio>
#include <memory>
#include <tuple>

#include "host/desktop_host.h"
#include "platform/internal/drawing_internal.h"
#include "tests/support/layer_fixture.h"
#include "tests/support/processes.h"
#include "tests/support/test_files.h"

// Xlib's macros (None, Bool, ...) after everything else.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;

// What the test window heard of a kind: WM_ACTIVATE's states, WM_CHAR's characters.
std::u16string Heard(std::uint32_t kind) {
    std::u16string said;
    for (const Message& m : heard) {
        if (m.message == kind) said += static_cast<char16_t>(LowWord(m.wParam));
    }
    return said;
}

class DesktopOnXTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "no Xvfb";
        // Servers started side by side may pick the same display; one gives up.
        for (int attempt = 0; attempt < 10 && display.empty(); ++attempt)
            startServer();
        ASSERT_FALSE(display.empty()) << "Xvfb did not start: " << serverStatus << ": "
                                      << FileText(serverErrors());

        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        ResetWindowManager();
        SetScreenSize(240, 320);
        options.scale = 1;
        std::string error;
        ASSERT_TRUE(host->open(options, error)) << error;
        sender = XOpenDisplay(display.c_str());
        ASSERT_NE(sender, nullptr);
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
        const std::string errors = serverErrors();  // named for this process, not the child
        server = fork();
        if (server == 0) {
            close(ready[0]);
            if (std::freopen(errors.c_str(), "w", stderr) == nullptr) _exit(126);
            std::string fd = std::to_string(ready[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "1280x1024x24", static_cast<char*>(nullptr));
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
            int status = 0;
            waitpid(server, &status, 0);
            serverStatus = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                             : "signal " + std::to_string(WTERMSIG(status));
            server = -1;
        }
    }

    // Where the server's error stream goes, read when it did not start.
    static std::string serverErrors() {
        return (fs::temp_directory_path() / ("quarvel-xvfb-" + std::to_string(getpid()) + ".txt"))
            .string();
    }

    void TearDown() override {
        if (sender != nullptr) XCloseDisplay(sender);
        host.reset();  // its connection closed before the server goes
        ResetWindowManager();
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
        if (!dir.empty()) fs::remove_all(dir);
        fs::remove(serverErrors());
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
    void pressKey(KeyCode code = 0, unsigned state = 0, int type = KeyPress) {
        XKeyEvent key{};
        key.type = type;
        key.display = sender;
        key.window = window;
        key.root = DefaultRootWindow(sender);
        key.same_screen = True;
        key.state = state;
        key.keycode = code != 0 ? code : XKeysymToKeycode(sender, XK_Down);
        XSendEvent(sender, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                   reinterpret_cast<XEvent*>(&key));
        XSync(sender, False);
    }

    // A visible window of the program's, over the whole screen, that records
    // the activations and characters it hears.
    static WindowHandle recordingWindow() {
        RegisterRecordingClass({WM_ACTIVATE, WM_CHAR});
        return RecordingWindow();
    }

    // Runs the program's side for `ms`: the host idles and the messages it
    // brings are handled (keys translated, as the program's loop does).
    void runProgram(WindowHandle w, std::uint32_t ms) {
        SetHostDriver(host.get());
        SetTimer(w, 99, ms);
        Message m;
        while (GetMessage(m) == 1) {
            const bool done = m.message == WM_TIMER && m.wParam == 99;
            TranslateMessage(m);
            DispatchMessage(m);
            if (done) break;
        }
        KillTimer(w, 99);
        SetHostDriver(nullptr);
    }

    // Starts the game on the test's display with a store and a log of its own in
    // `dir`; its X window once it shows its first frame.
    Window startGame(pid_t& game) {
        dir = FreshTestFolder();
        game = spawnGame(dir);
        if (!WaitFor([&] {
                return FileText(dir / "log.txt").find("first frame") != std::string::npos;
            })) {
            return 0;
        }
        return GameWindow(DefaultRootWindow(sender), game);
    }

    static pid_t spawnGame(const fs::path& dir) {
        return Spawn({QUARVEL_PROGRAM, "--mute", "--scale", "1", "--store",
                      (dir / "settings.reg").string(), "--log", (dir / "log.txt").string()},
                     (dir / "stderr.txt").string(),
                     {{"XDG_RUNTIME_DIR", dir.string()}, {"XDG_DATA_HOME", dir.string()}});
    }

    bool Viewable(Window w) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(sender, w, &attributes) && attributes.map_state == IsViewable;
    }

    // The first item of a window's property, when it has one.
    std::optional<unsigned long> Property(Window w, const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::optional<unsigned long> value;
        if (XGetWindowProperty(sender, w, XInternAtom(sender, name, False), 0, 1, False,
                               AnyPropertyType, &type, &format, &items, &after, &data) == Success &&
            data != nullptr && items == 1) {
            value = *reinterpret_cast<unsigned long*>(data);
        }
        if (data != nullptr) XFree(data);
        return value;
    }

    // The game's window: the one whose _NET_WM_PID is the game's, among the
    // root's children (or theirs, under a window manager's frame).
    Window GameWindow(Window parent, pid_t game) {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(sender, parent, &root, &up, &children, &count)) return 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            if (Property(children[i], "_NET_WM_PID") == static_cast<unsigned long>(game)) {
                found = children[i];
            }
            if (found == 0) found = GameWindow(children[i], game);
        }
        if (children != nullptr) XFree(children);
        return found;
    }

    // Where the window does not show the composed screen scaled `scale` times
    // with its top-left corner at `left`, `top`, and black round it, as the X
    // server shows it: the first such pixel and how many there are; empty when
    // none.
    std::string Unlike(int scale, int left, int top) {
        XSync(info.info.x11.display, False);  // the host's drawing has arrived
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(sender, window, &attributes)) return "no window";
        XImage* image = XGetImage(sender, window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image == nullptr) return "the window cannot be read";
        const PixelRows screen = BitmapPixels(ComposeScreen());
        std::string first;
        int wrong = 0;
        for (int y = 0; y < attributes.height; ++y) {
            for (int x = 0; x < attributes.width; ++x) {
                const int u = x - left, v = y - top;
                const bool on =
                    u >= 0 && v >= 0 && u < screen.width * scale && v < screen.height * scale;
                const std::uint32_t expected =
                    on ? screen.pixels[std::size_t(v / scale) * screen.pitch + u / scale] & 0xFFFFFF
                       : 0;
                const auto shown = static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
                if (shown != expected && wrong++ == 0) {
                    char at[96];
                    std::snprintf(at, sizeof at, "at %d,%d %06x where %06x", x, y, shown, expected);
                    first = at;
                }
            }
        }
        XDestroyImage(image);
        return wrong == 0 ? "" : first + " and " + std::to_string(wrong - 1) + " more";
    }

    // Resizes the window from outside, in the display's corner so that all of it
    // can be read back, and lets the host hear of it.
    void resize(WindowHandle w, int width, int height) {
        XMoveResizeWindow(sender, window, 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        XSync(sender, False);
        runProgram(w, 60);
    }

    pid_t server = -1;
    fs::path dir;  // the game's, once started
    std::string display;
    std::string serverStatus = "no answer";  // how the last server that gave up ended
    Display* sender = nullptr;
    Window window = 0;
    SDL_SysWMinfo info{};  // the host window's, as SDL made it
    HostOptions options;
    std::unique_ptr<DesktopHost> host = std::make_unique<DesktopHost>();
};

// A key wakes the sleeping loop however it came: while the loop slept; while
// the window was drawn (drawing waits for the X server's answer, which reads the
// key that came before it off the connection); or read already into Xlib's
// queue by a round trip on SDL's connection (a window manager check, a
// full-screen switch).
TEST_F(DesktopOnXTest, AKeyWakesTheSleepingLoopHoweverItCame) {
    WindowHandle w = recordingWindow();
    pressKey();
    EXPECT_TRUE(runUntilTimer(100));
    runProgram(w, 30);
    ASSERT_FALSE(InputPending());
    host->present(false);
    FillWindow(w, Rect{0, 0, 10, 10}, Rgb(255, 0, 0));
    pressKey();
    host->present(false);
    EXPECT_TRUE(runUntilTimer(100));
    runProgram(w, 30);
    ASSERT_FALSE(InputPending());
    pressKey();
    XSync(info.info.x11.display, False);  // SDL's own connection
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

// A window made smaller than the phone's screen (by a window manager that does
// not keep to the minimum size, or by another client) shows what fits of the
// screen; presenting never writes outside it.
TEST_F(DesktopOnXTest, AWindowSmallerThanTheScreenShowsWhatFits) {
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(sender, window, &hints, &supplied));
    EXPECT_TRUE(hints.flags & PMinSize);
    EXPECT_EQ(hints.min_width, 240);
    EXPECT_EQ(hints.min_height, 320);

    WindowHandle w = recordingWindow();
    for (auto [width, height] : {std::pair{200, 300}, {100, 100}, {250, 300}, {180, 320}}) {
        resize(w, width, height);
        FillWindow(w, Rect{0, 0, 240, 320}, Rgb(255, 255, 255));
        FillWindow(w, Rect{0, 0, 3, 3}, Rgb(0, 0, 255));
        host->present(false);
        host->present(true);
        EXPECT_EQ(Unlike(1, PlaceScreen(240, 320, width, height).left, 0), "")
            << width << "x" << height;
    }
}

// The server shows the screen scaled by whole pixels and centred, black round
// it: at each scale a resized window gives, after changes drawn since (only
// they are sent), after the window's content was lost (an exposure), and in
// full screen, made by hand here without a window manager.
TEST_F(DesktopOnXTest, TheWindowShowsTheScreenScaledAndCentredWhateverHappensToIt) {
    WindowHandle w = recordingWindow();
    FillWindow(w, Rect{0, 0, 240, 320}, Rgb(255, 255, 255));
    FillWindow(w, Rect{10, 20, 13, 22}, Rgb(255, 0, 0));
    FillWindow(w, Rect{0, 0, 1, 1}, Rgb(0, 128, 0));
    FillWindow(w, Rect{239, 319, 240, 320}, Rgb(0, 0, 128));
    runProgram(w, 30);
    EXPECT_EQ(Unlike(1, 0, 0), "");
    for (auto [width, height, scale, left, top] :
         {std::tuple{560, 700, 2, 40, 30}, {800, 1000, 3, 40, 20}, {300, 330, 1, 30, 5}}) {
        resize(w, width, height);
        EXPECT_EQ(Unlike(scale, left, top), "") << width << "x" << height;
        FillWindow(w, Rect{12, 21, 13, 22}, Rgb(0, 0, 255));
        FillWindow(w, Rect{200 + scale, 300, 237, 318}, Rgb(scale * 60, 0, 0));
        runProgram(w, 30);
        EXPECT_EQ(Unlike(scale, left, top), "") << width << "x" << height << " after a change";
    }

    // Another client paints over the window and the server asks for it again.
    GC gc = XCreateGC(sender, window, 0, nullptr);
    XSetForeground(sender, gc, 0x00FF00);
    XFillRectangle(sender, window, gc, 0, 0, 300, 330);
    XFreeGC(sender, gc);
    XClearArea(sender, window, 0, 0, 0, 0, True);
    XSync(sender, False);
    runProgram(w, 60);
    EXPECT_EQ(Unlike(1, 30, 5), "") << "after an exposure";

    host->toggleFullScreen();
    runProgram(w, 60);
    EXPECT_EQ(Unlike(3, 280, 32), "") << "in full screen";
    host->toggleFullScreen();
    runProgram(w, 60);
    EXPECT_EQ(Unlike(1, 30, 5), "") << "back from full screen";
}

// Focus leaving the window (another window, minimising) takes the activation
// from the program's active window; focus coming back gives it back.
TEST_F(DesktopOnXTest, FocusAndMinimisingReachTheProgramAsActivation) {
    WindowHandle w = recordingWindow();
    runProgram(w, 30);
    XSetInputFocus(sender, window, RevertToNone, CurrentTime);
    XSync(sender, False);
    runProgram(w, 60);
    heard.clear();
    XSetInputFocus(sender, None, RevertToNone, CurrentTime);
    XSync(sender, False);
    runProgram(w, 60);
    EXPECT_EQ(Heard(WM_ACTIVATE), (std::u16string{WA_INACTIVE}));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    XSetInputFocus(sender, window, RevertToNone, CurrentTime);
    XSync(sender, False);
    runProgram(w, 60);
    EXPECT_EQ(Heard(WM_ACTIVATE), (std::u16string{WA_INACTIVE, WA_ACTIVE}));
    EXPECT_EQ(GetActiveWindow(), w);

    // Minimised, as a window manager marks it.
    Atom state = XInternAtom(sender, "_NET_WM_STATE", False);
    Atom hidden = XInternAtom(sender, "_NET_WM_STATE_HIDDEN", False);
    XChangeProperty(sender, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&hidden), 1);
    XSync(sender, False);
    runProgram(w, 60);
    EXPECT_EQ(Heard(WM_ACTIVATE), (std::u16string{WA_INACTIVE, WA_ACTIVE, WA_INACTIVE}));
}

// Typed text comes from the system's text input: letters beyond ASCII arrive,
// each character once, while keys keep their key messages.
TEST_F(DesktopOnXTest, TypedLettersBeyondAsciiArriveOnce) {
    WindowHandle w = recordingWindow();
    SetFocus(w);
    // A spare key code made to type e with diaeresis, as a keyboard layout would.
    int low = 0, high = 0;
    XDisplayKeycodes(sender, &low, &high);
    KeySym umlaut = XK_ediaeresis;
    XChangeKeyboardMapping(sender, high, 1, &umlaut, 1);
    XSync(sender, False);
    runProgram(w, 60);
    const KeyCode z = XKeysymToKeycode(sender, XK_z), o = XKeysymToKeycode(sender, XK_o);
    for (auto [code, state] :
         {std::pair{z, unsigned{ShiftMask}}, {o, 0u}, {static_cast<KeyCode>(high), 0u}}) {
        pressKey(code, state);
        pressKey(code, state, KeyRelease);
    }
    runProgram(w, 100);
    EXPECT_EQ(Heard(WM_CHAR), u"Zo\u00EB");
}

// Another client destroying the window (xdotool windowclose, a window manager's
// kill) closes the game in order: it saves and exits 0.
TEST_F(DesktopOnXTest, AWindowDestroyedFromOutsideClosesTheGameInOrder) {
    pid_t game = 0;
    const Window w = startGame(game);
    ASSERT_NE(w, 0u);
    XDestroyWindow(sender, w);
    XSync(sender, False);
    EXPECT_EQ(ExitStatus(game), 0) << FileText(dir / "stderr.txt");
    EXPECT_NE(FileText(dir / "settings.reg").find("\"HighScores\"="), std::string::npos);
}

// The X server going away closes the game in order too, with one line and
// exit 1.
TEST_F(DesktopOnXTest, TheDisplayGoingAwayClosesTheGameInOrder) {
    pid_t game = 0;
    ASSERT_NE(startGame(game), 0u);
    host.reset();  // this process's own window goes first
    XCloseDisplay(sender);
    sender = nullptr;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    server = -1;
    EXPECT_EQ(ExitStatus(game), 1);
    const std::string said = FileText(dir / "stderr.txt");
    EXPECT_NE(said.find("quarvel: the connection to the display was lost"), std::string::npos)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(FileText(dir / "settings.reg").find("\"HighScores\"="), std::string::npos);
}

// A frame shown after the X server went, before the loop noticed, fails
// quietly; the loop then notes the loss. (In a child, whose SDL may stay on the
// lost display: this process's own window goes first, in order.)
TEST_F(DesktopOnXTest, AFrameShownAfterTheDisplayWentIsNoCrash) {
    WindowHandle w = recordingWindow();
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    if (child == 0) {
        char c = 0;
        if (read(go[0], &c, 1) != 1) _exit(2);
        FillWindow(w, Rect{0, 0, 240, 320}, Rgb(255, 0, 0));
        host->present(true);
        host->present(true);
        runUntilTimer(300);
        _exit(host->displayLost() ? 0 : 3);
    }
    host.reset();
    XCloseDisplay(sender);
    sender = nullptr;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    server = -1;
    ASSERT_EQ(write(go[1], "g", 1), 1);
    EXPECT_EQ(ExitStatus(child), 0);
    close(go[0]);
    close(go[1]);
}

// Under a window manager (twm, the smallest that iconifies), a second start
// brings a minimised first one back.
TEST_F(DesktopOnXTest, ASecondStartRestoresAMinimisedFirst) {
    if (access("/usr/bin/twm", X_OK) != 0) GTEST_SKIP() << "no twm";
    // twm's own fonts are X bitmap fonts that a fresh machine lacks, and twm
    // exits without them: every font it uses is "fixed", which every X server
    // has built in.
    const fs::path wmDir = fs::temp_directory_path() / ("quarvel-twm-" + std::to_string(getpid()));
    fs::create_directories(wmDir);
    {
        std::ofstream rc(wmDir / "twmrc");
        for (const char* font : {"TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"})
            rc << font << " \"fixed\"\n";
    }
    const pid_t wm = Spawn({"/usr/bin/twm", "-f", (wmDir / "twmrc").string()},
                           (wmDir / "stderr.txt").string());
    // A window manager holds the root's redirection. Looked at in the masks of
    // all the root's clients: asking for it here would make a window manager
    // that starts meanwhile give up. One that died says why at once.
    int wmStatus = 0;
    bool wmDied = false;
    ASSERT_TRUE(WaitFor([&] {
        if (waitpid(wm, &wmStatus, WNOHANG) == wm) return wmDied = true;
        XWindowAttributes root{};
        return XGetWindowAttributes(sender, DefaultRootWindow(sender), &root) &&
               (root.all_event_masks & SubstructureRedirectMask) != 0;
    }));
    ASSERT_FALSE(wmDied) << "twm ended at start ("
                         << (WIFEXITED(wmStatus) ? "exit status " + std::to_string(WEXITSTATUS(wmStatus))
                                                 : "signal " + std::to_string(WTERMSIG(wmStatus)))
                         << "): "
                         << FileText(wmDir / "stderr.txt");
    pid_t game = 0;
    const Window w = startGame(game);
    ASSERT_NE(w, 0u);
    XIconifyWindow(sender, w, DefaultScreen(sender));
    XSync(sender, False);
    EXPECT_TRUE(WaitFor([&] { return !Viewable(w); }));
    EXPECT_EQ(ExitStatus(spawnGame(dir)), 0);
    EXPECT_TRUE(WaitFor([&] { return Viewable(w); }));
    kill(game, SIGTERM);
    EXPECT_EQ(ExitStatus(game), 0);
    kill(wm, SIGTERM);
    waitpid(wm, nullptr, 0);
    fs::remove_all(wmDir);
}

}  // namespace
