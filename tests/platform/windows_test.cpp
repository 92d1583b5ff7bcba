#include <set>

#include "platform/internal/window_manager.h"
#include "tests/support/layer_fixture.h"

namespace {

class WindowsTest : public LayerTest {
  protected:
    void SetUp() override {
        LayerTest::SetUp();
        RegisterRecordingClass({WM_CREATE, WM_DESTROY, WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_TIMER,
                                WM_LBUTTONDOWN, WM_USER, WM_ACTIVATE, WM_PAINT});
        // A key P posts a message of the window's own while it is handled.
        onHeard = [](const Message& m) {
            if (m.message == WM_KEYDOWN && m.wParam == 'P') PostMessage(m.window, WM_USER, 1, 0);
        };
    }
    static WindowHandle Create(std::uint32_t style = WS_VISIBLE, WindowHandle owner = nullptr) {
        return RecordingWindow(u"title", style, owner);
    }
};

TEST_F(WindowsTest, CreationDestructionAndDefaults) {
    WindowHandle w = Create();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(heard.front().message, WM_CREATE);  // it came inside creation
    EXPECT_EQ(FindWindow(u"Recording", u"title"), w);
    EXPECT_EQ(FindWindow(u"Recording", u"other"), nullptr);
    EXPECT_EQ(GetWindowRect(w), (Rect{0, 0, 240, 320}));
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), w);

    SendMessage(w, WM_CLOSE, 0, 0);  // the default procedure destroys on close
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(heard.back().message, WM_DESTROY);
    EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 0);  // a dead handle is harmless
    EXPECT_FALSE(SetTimer(w, 1, 10));
    PostQuitMessage(7);  // the loop ends with the program's exit code
    Message m;
    EXPECT_EQ(GetMessage(m), 0);
    EXPECT_EQ(m.wParam, 7u);
}

// A destroyed window is freed with its children and owned windows, so that a
// long run of dialogs keeps only the windows alive; its handle stays invalid
// for ever, also after a reset: no later window is given it.
TEST_F(WindowsTest, DestroyedWindowsAreFreedAndTheirHandlesNeverComeBack) {
    const std::size_t live = window_manager::Manager().windows.size();
    WindowHandle owner = Create();
    std::set<WindowHandle> given{owner};
    for (int i = 0; i < 1000; ++i) {
        WindowHandle dialog = Create(WS_VISIBLE, owner);
        WindowHandle control = Create(WS_CHILD | WS_VISIBLE, dialog);
        EXPECT_TRUE(given.insert(dialog).second && given.insert(control).second);
        EXPECT_EQ(GetParent(control), dialog);
        DestroyWindow(dialog);
        EXPECT_FALSE(IsWindow(control));
    }
    EXPECT_EQ(window_manager::Manager().windows.size(), live + 1);
    ResetWindowManager();
    RegisterRecordingClass({});
    WindowHandle fresh = Create();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(given.count(fresh), 0u);
    for (WindowHandle old : given)
        EXPECT_FALSE(IsWindow(old));
}

TEST_F(WindowsTest, RetrievalOrderPostedBeforeInputBeforePaintBeforeTimers) {
    WindowHandle w = Create();
    SetTimer(w, 5, 10);
    SetClock(2000);  // the timer is long overdue: still only one message
    heard.clear();
    DeliverKey('P', true);  // posts WM_USER while handled
    DeliverKey('Q', true);
    EXPECT_EQ(Pump(), -1);
    // Key P, the message it posted, key Q (and their characters), paint, then the
    // one coalesced timer.
    std::vector<std::pair<std::uint32_t, WParam>> order;
    for (const Message& m : heard)
        order.emplace_back(m.message, m.wParam);
    EXPECT_EQ(order, (std::vector<std::pair<std::uint32_t, WParam>>{{WM_KEYDOWN, 'P'},
                                                                    {WM_CHAR, 'p'},
                                                                    {WM_USER, 1},
                                                                    {WM_KEYDOWN, 'Q'},
                                                                    {WM_CHAR, 'q'},
                                                                    {WM_PAINT, 0},
                                                                    {WM_TIMER, 5}}));
}

// Timers fire on their time, none late, across the clock's wrap too, and stop
// when killed.
TEST_F(WindowsTest, TimersFireOnTheirTimeAndStopWhenKilled) {
    for (std::uint32_t start : {1000u, 0xFFFFFFF0u}) {
        SetClock(start);
        WindowHandle w = Create();
        SetTimer(w, 1, 33);
        heard.clear();
        Wait(99);
        EXPECT_EQ(HeardCount(WM_TIMER, 1), 3u) << start;
        EXPECT_EQ(GetTickCount(), start + 99);
        KillTimer(w, 1);
        Wait(4000);
        EXPECT_EQ(HeardCount(WM_TIMER, 1), 3u) << start;
    }
}

TEST_F(WindowsTest, PaintOnlyWhenInvalid) {
    WindowHandle w = Create();
    Pump();  // the first paint of a new window
    heard.clear();
    Pump();
    EXPECT_TRUE(heard.empty());
    Rect part{10, 10, 20, 20};
    InvalidateRect(w, &part, false);
    Pump();
    EXPECT_EQ(heard, (std::vector<Message>{{w, WM_PAINT}}));
    InvalidateRect(w, nullptr, false);
    UpdateWindow(w);  // paints at once
    EXPECT_EQ(heard.size(), 2u);
    Pump();
    EXPECT_EQ(heard.size(), 2u);
}

constexpr Colour RED = Rgb(255, 0, 0), WHITE = Rgb(255, 255, 255);

TEST_F(WindowsTest, ComposingTellsWhichPixelsDifferFromBefore) {
    WindowHandle w = Create();
    MoveWindow(w, 0, 26, 240, 268, false);
    Rect changed, different;
    ComposeScreen(&changed, &different);
    EXPECT_EQ(different, (Rect{0, 0, 240, 320}));  // all of it the first time
    FillWindow(w, Rect{0, 0, 240, 100}, WHITE);
    ComposeScreen(&changed, &different);
    EXPECT_EQ(different, (Rect{0, 26, 240, 126}));
    // Drawn on again, the same pixels and two red ones: only those differ.
    FillWindow(w, Rect{0, 0, 240, 100}, WHITE);
    FillWindow(w, Rect{7, 3, 8, 4}, RED);
    FillWindow(w, Rect{20, 9, 21, 10}, RED);
    ComposeScreen(&changed, &different);
    EXPECT_EQ(changed, (Rect{0, 26, 240, 126}));
    EXPECT_EQ(different, (Rect{7, 29, 21, 36}));
    EXPECT_EQ(ScreenPixel(20, 35), RED);
    EXPECT_EQ(ScreenPixel(19, 35), WHITE);
    // A window hidden leaves the white desktop where it was.
    ShowWindow(w, SW_HIDE);
    ComposeScreen(&changed, &different);
    EXPECT_TRUE(different.left <= 0 && different.top <= 26 && different.right >= 240 &&
                different.bottom >= 126);
    EXPECT_EQ(ScreenPixel(20, 35), WHITE);
}

// A block copied into a window again with the same pixels (a game presents its
// whole playfield at every tick) leaves nothing to compose.
TEST_F(WindowsTest, CopiesIntoAWindowMarkOnlyWhatChanges) {
    WindowHandle w = Create();
    MoveWindow(w, 0, 26, 240, 268, false);
    SurfaceHandle back = CreateMemorySurface(nullptr);
    BitmapHandle old = SelectBitmap(back, CreateBitmap(nullptr, 100, 100));
    BrushHandle red = CreateSolidBrush(RED);
    FillRect(back, Rect{0, 0, 100, 100}, red);
    Rect changed;
    ComposeScreen(&changed);
    auto present = [&] {
        SurfaceHandle s = GetWindowSurface(w);
        BlockCopy(s, 10, 10, 100, 100, back, 0, 0);
        ReleaseWindowSurface(w, s);
        ComposeScreen(&changed);
    };
    present();
    EXPECT_EQ(changed, (Rect{10, 36, 110, 136}));
    present();
    EXPECT_EQ(changed, Rect{});
    FillRect(back, Rect{40, 50, 42, 51}, GetStockBrush(StockBrush::White));
    present();
    EXPECT_EQ(changed, (Rect{50, 86, 52, 87}));
    EXPECT_EQ(ScreenPixel(51, 86), WHITE);
    EXPECT_EQ(ScreenPixel(52, 86), RED);
    // Drawn over in the window, the copy puts the block back; changes far apart
    // (a piece at the top, its shadow at the bottom) are bands of their own.
    FillWindow(w, Rect{30, 30, 31, 31}, WHITE);
    FillRect(back, Rect{40, 50, 42, 51}, red);
    FillRect(back, Rect{5, 2, 6, 3}, GetStockBrush(StockBrush::White));
    FillRect(back, Rect{5, 95, 6, 96}, GetStockBrush(StockBrush::White));
    SurfaceHandle s = GetWindowSurface(w);
    BlockCopy(s, 10, 10, 100, 100, back, 0, 0);
    ReleaseWindowSurface(w, s);
    Bands bands;
    ComposeScreen(nullptr, nullptr, &bands);
    EXPECT_EQ(std::vector<Rect>(bands.begin(), bands.end()),
              (std::vector<Rect>{{15, 38, 16, 39}, {50, 86, 52, 87}, {15, 131, 16, 132}}));
    EXPECT_EQ(ScreenPixel(30, 56), RED);
    // Another bitmap in the same place is another source, whatever its address.
    DeleteBitmap(SelectBitmap(back, CreateBitmap(nullptr, 100, 100)));
    present();
    EXPECT_EQ(ScreenPixel(30, 56), Rgb(0, 0, 0));
    DeleteBitmap(SelectBitmap(back, old));
    DeleteSurface(back);
    DeleteBrush(red);
}

// A raised window takes the windows it owns along: a strip it owns stays on top
// of it (the soft-key bar over a full-screen main window), and the topmost of them
// that takes input is activated.
TEST_F(WindowsTest, RaisedWindowKeepsItsOwnedWindowsAboveIt) {
    WindowHandle main = Create();
    WindowHandle strip = CreateWindow(u"Recording", u"strip", WS_VISIBLE | WS_POPUP | WS_NOACTIVATE,
                                      0, 294, 240, 26, main, nullptr, nullptr);
    WindowHandle other = Create();
    MoveWindow(other, 0, 0, 240, 100, false);
    FillWindow(main, GetClientRect(main), Rgb(0, 0, 255));
    FillWindow(strip, GetClientRect(strip), Rgb(0, 255, 0));
    FillWindow(other, GetClientRect(other), RED);
    EXPECT_EQ(ScreenPixel(5, 50), RED);

    ASSERT_TRUE(BringWindowToFront(main));
    EXPECT_EQ(ScreenPixel(5, 50), Rgb(0, 0, 255));
    EXPECT_EQ(ScreenPixel(5, 310), Rgb(0, 255, 0));
    EXPECT_EQ(GetActiveWindow(), main);

    // With a dialog up, its owner is disabled: the dialog comes up with it and
    // takes the activation.
    WindowHandle dialog = CreateWindow(u"Recording", u"dialog", WS_VISIBLE | WS_POPUP, 0, 100, 240,
                                       50, main, nullptr, nullptr);
    FillWindow(dialog, GetClientRect(dialog), Rgb(255, 255, 0));
    EnableWindow(main, false);
    BringWindowToFront(other);
    ASSERT_TRUE(BringWindowToFront(main));
    EXPECT_EQ(ScreenPixel(5, 120), Rgb(255, 255, 0));
    EXPECT_EQ(ScreenPixel(5, 310), Rgb(0, 255, 0));
    EXPECT_EQ(GetActiveWindow(), dialog);
}

TEST_F(WindowsTest, ModalLoopKeepsOwnerTimersAndDropsItsInput) {
    WindowHandle owner = Create();
    SetTimer(owner, 9, 50);
    WindowHandle dialog = Create(WS_VISIBLE, owner);
    bool done = false;
    heard.clear();
    host.steps = {[&] {
                      SetFocus(owner);  // even with focus there, input is dropped
                      DeliverKey('A', true);
                  },
                  [&] { SetClock(GetTickCount() + 60); }, [&] { done = true; }};
    RunModalLoop(dialog, done);
    EXPECT_EQ(HeardCount(WM_TIMER, 9), 1u);
    EXPECT_EQ(HeardCount(WM_KEYDOWN), 0u);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

}  // namespace
