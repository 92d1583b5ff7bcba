#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/internal/drawing_internal.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/window_manager.h"
#include "platform/runtime/clock.h"
#include "platform/windows/windows.h"
#include "tests/support/layer_fixture.h"

namespace {

std::vector<std::string> events;

LResult RecordingProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) {
    switch (message) {
        case WM_CREATE:
        case WM_DESTROY:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_TIMER:
        case WM_LBUTTONDOWN:
        case WM_USER:
        case WM_ACTIVATE:
            events.push_back(std::to_string(message) + ":" + std::to_string(wParam));
            break;
        case WM_PAINT:
            events.push_back("paint");
            break;
        default:
            break;
    }
    if (message == WM_KEYDOWN && wParam == 'P') PostMessage(window, WM_USER, 1, 0);
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

class WindowsTest : public LayerTest {
  protected:
    void SetUp() override {
        LayerTest::SetUp();
        events.clear();
        WindowClass c;
        c.procedure = RecordingProcedure;
        c.name = u"Rec";
        c.background = GetStockBrush(StockBrush::White);
        ASSERT_NE(RegisterWindowClass(c), 0);
    }

    WindowHandle Create(std::uint32_t style = WS_VISIBLE, WindowHandle owner = nullptr) {
        return CreateWindow(u"Rec", u"title", style, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT,
                            USE_DEFAULT, owner, nullptr, nullptr);
    }
};

TEST_F(WindowsTest, CreationDestructionAndDefaults) {
    WindowHandle w = Create();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(events.front(), "1:0");  // WM_CREATE came inside creation
    EXPECT_EQ(FindWindow(u"Rec", u"title"), w);
    EXPECT_EQ(FindWindow(u"Rec", u"other"), nullptr);
    EXPECT_EQ(GetWindowRect(w), (Rect{0, 0, 240, 320}));
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), w);

    SendMessage(w, WM_CLOSE, 0, 0);  // the default procedure destroys on close
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(events.back(), "2:0");
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
    WindowClass c;
    c.procedure = RecordingProcedure;
    c.name = u"Rec";
    RegisterWindowClass(c);
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
    events.clear();
    DeliverKey('P', true);  // posts WM_USER while handled
    DeliverKey('Q', true);
    EXPECT_EQ(Pump(), -1);
    // Key P, the message it posted, key Q (and their characters), paint, then the
    // one coalesced timer.
    std::vector<std::string> expected = {"256:80", std::to_string(WM_CHAR) + ":112", "1024:1",
                                         "256:81", std::to_string(WM_CHAR) + ":113", "paint",
                                         "275:5"};
    EXPECT_EQ(events, expected);
}

// Timers fire on their time, none late, across the clock's wrap too, and stop
// when killed.
TEST_F(WindowsTest, TimersFireOnTheirTimeAndStopWhenKilled) {
    for (std::uint32_t start : {1000u, 0xFFFFFFF0u}) {
        SetClock(start);
        WindowHandle w = Create();
        SetTimer(w, 1, 33);
        events.clear();
        Wait(99);
        EXPECT_EQ(std::count(events.begin(), events.end(), "275:1"), 3) << start;
        EXPECT_EQ(GetTickCount(), start + 99);
        KillTimer(w, 1);
        events.clear();
        Wait(4000);
        EXPECT_EQ(std::count(events.begin(), events.end(), "275:1"), 0) << start;
    }
}

TEST_F(WindowsTest, PaintOnlyWhenInvalid) {
    WindowHandle w = Create();
    Pump();  // the first paint of a new window
    events.clear();
    Pump();
    EXPECT_TRUE(events.empty());
    Rect part{10, 10, 20, 20};
    InvalidateRect(w, &part, false);
    Pump();
    EXPECT_EQ(events, std::vector<std::string>{"paint"});

    InvalidateRect(w, nullptr, false);
    UpdateWindow(w);  // paints at once
    EXPECT_EQ(events.size(), 2u);
    events.clear();
    Pump();
    EXPECT_TRUE(events.empty());
}

TEST_F(WindowsTest, WindowSurfacesShowOnTheComposedScreen) {
    WindowHandle w = Create();
    MoveWindow(w, 0, 26, 240, 268, false);
    SurfaceHandle s = GetWindowSurface(w);
    BrushHandle red = CreateSolidBrush(Rgb(255, 0, 0));
    FillRect(s, Rect{0, 0, 5, 5}, red);
    ReleaseWindowSurface(w, s);
    DeleteBrush(red);
    Rect changed;
    BitmapHandle screen = ComposeScreen(&changed);
    EXPECT_EQ(changed, (Rect{0, 0, 240, 320}));  // the first composition is whole
    SurfaceHandle view = CreateViewSurface(screen, Point{0, 0}, Rect{0, 0, 240, 320});
    EXPECT_EQ(GetPixel(view, 2, 28), Rgb(255, 0, 0));
    EXPECT_EQ(GetPixel(view, 2, 24), Rgb(255, 255, 255));  // outside the window
    DeleteSurface(view);
    ComposeScreen(&changed);
    EXPECT_EQ(changed, Rect{});

    // Later, only what was drawn is composed again.
    s = GetWindowSurface(w);
    ReleaseWindowSurface(w, s);
    ComposeScreen(&changed);
    EXPECT_EQ(changed, Rect{});
    s = GetWindowSurface(w);
    FillRect(s, Rect{10, 20, 30, 25}, GetStockBrush(StockBrush::White));
    ReleaseWindowSurface(w, s);
    ComposeScreen(&changed);
    EXPECT_EQ(changed, (Rect{10, 46, 30, 51}));
}

TEST_F(WindowsTest, ComposingTellsWhichPixelsDifferFromBefore) {
    WindowHandle w = Create();
    MoveWindow(w, 0, 26, 240, 268, false);
    Rect changed, different;
    ComposeScreen(&changed, &different);
    EXPECT_EQ(different, (Rect{0, 0, 240, 320}));  // all of it the first time
    SurfaceHandle s = GetWindowSurface(w);
    BrushHandle red = CreateSolidBrush(Rgb(255, 0, 0));
    FillRect(s, Rect{0, 0, 240, 100}, GetStockBrush(StockBrush::White));
    ReleaseWindowSurface(w, s);
    ComposeScreen(&changed, &different);
    EXPECT_EQ(different, (Rect{0, 26, 240, 126}));
    // Drawn on again, the same pixels and two red ones: only those differ.
    s = GetWindowSurface(w);
    FillRect(s, Rect{0, 0, 240, 100}, GetStockBrush(StockBrush::White));
    FillRect(s, Rect{7, 3, 8, 4}, red);
    FillRect(s, Rect{20, 9, 21, 10}, red);
    ReleaseWindowSurface(w, s);
    ComposeScreen(&changed, &different);
    EXPECT_EQ(changed, (Rect{0, 26, 240, 126}));
    EXPECT_EQ(different, (Rect{7, 29, 21, 36}));
    SurfaceHandle view = CreateViewSurface(ComposeScreen(), Point{0, 0}, Rect{0, 0, 240, 320});
    EXPECT_EQ(GetPixel(view, 20, 35), Rgb(255, 0, 0));
    EXPECT_EQ(GetPixel(view, 19, 35), Rgb(255, 255, 255));
    DeleteSurface(view);
    DeleteBrush(red);
    // A window hidden leaves the white desktop where it was.
    ShowWindow(w, SW_HIDE);
    BitmapHandle screen = ComposeScreen(&changed, &different);
    EXPECT_TRUE(different.left <= 0 && different.top <= 26 && different.right >= 240 &&
                different.bottom >= 126);
    view = CreateViewSurface(screen, Point{0, 0}, Rect{0, 0, 240, 320});
    EXPECT_EQ(GetPixel(view, 20, 35), Rgb(255, 255, 255));
    DeleteSurface(view);
}

// A block copied into a window again with the same pixels (a game presents its
// whole playfield at every tick) leaves nothing to compose.
TEST_F(WindowsTest, CopiesIntoAWindowMarkOnlyWhatChanges) {
    WindowHandle w = Create();
    MoveWindow(w, 0, 26, 240, 268, false);
    SurfaceHandle back = CreateMemorySurface(nullptr);
    BitmapHandle old = SelectBitmap(back, CreateBitmap(nullptr, 100, 100));
    BrushHandle red = CreateSolidBrush(Rgb(255, 0, 0));
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
    SurfaceHandle view = CreateViewSurface(ComposeScreen(), Point{0, 0}, Rect{0, 0, 240, 320});
    EXPECT_EQ(GetPixel(view, 51, 86), Rgb(255, 255, 255));
    EXPECT_EQ(GetPixel(view, 52, 86), Rgb(255, 0, 0));
    // Drawn over in the window, the copy puts the block back; changes far apart
    // (a piece at the top, its shadow at the bottom) are bands of their own.
    SurfaceHandle s = GetWindowSurface(w);
    FillRect(s, Rect{30, 30, 31, 31}, GetStockBrush(StockBrush::White));
    ReleaseWindowSurface(w, s);
    FillRect(back, Rect{40, 50, 42, 51}, red);
    FillRect(back, Rect{5, 2, 6, 3}, GetStockBrush(StockBrush::White));
    FillRect(back, Rect{5, 95, 6, 96}, GetStockBrush(StockBrush::White));
    s = GetWindowSurface(w);
    BlockCopy(s, 10, 10, 100, 100, back, 0, 0);
    ReleaseWindowSurface(w, s);
    Bands bands;
    ComposeScreen(nullptr, nullptr, &bands);
    ASSERT_EQ(bands.size(), 3);
    EXPECT_EQ(bands.begin()[0], (Rect{15, 38, 16, 39}));
    EXPECT_EQ(bands.begin()[1], (Rect{50, 86, 52, 87}));
    EXPECT_EQ(bands.begin()[2], (Rect{15, 131, 16, 132}));
    EXPECT_EQ(GetPixel(view, 30, 56), Rgb(255, 0, 0));
    // Another bitmap in the same place is another source, whatever its address.
    DeleteBitmap(SelectBitmap(back, CreateBitmap(nullptr, 100, 100)));
    present();
    EXPECT_EQ(GetPixel(view, 30, 56), Rgb(0, 0, 0));
    DeleteSurface(view);
    DeleteBitmap(SelectBitmap(back, old));
    DeleteSurface(back);
    DeleteBrush(red);
}

// Paints a window's whole client area in one colour.
void Paint(WindowHandle w, Colour colour) {
    SurfaceHandle s = GetWindowSurface(w);
    BrushHandle brush = CreateSolidBrush(colour);
    FillRect(s, GetClientRect(w), brush);
    DeleteBrush(brush);
    ReleaseWindowSurface(w, s);
}

// A raised window takes the windows it owns along: a strip it owns stays on top
// of it (the soft-key bar over a full-screen main window), and the topmost of them
// that takes input is activated.
TEST_F(WindowsTest, RaisedWindowKeepsItsOwnedWindowsAboveIt) {
    WindowHandle main = Create();
    WindowHandle strip = CreateWindow(u"Rec", u"strip", WS_VISIBLE | WS_POPUP | WS_NOACTIVATE, 0,
                                      294, 240, 26, main, nullptr, nullptr);
    WindowHandle other = Create();
    MoveWindow(other, 0, 0, 240, 100, false);
    Paint(main, Rgb(0, 0, 255));
    Paint(strip, Rgb(0, 255, 0));
    Paint(other, Rgb(255, 0, 0));
    EXPECT_EQ(ScreenPixel(5, 50), Rgb(255, 0, 0));

    ASSERT_TRUE(BringWindowToFront(main));
    EXPECT_EQ(ScreenPixel(5, 50), Rgb(0, 0, 255));
    EXPECT_EQ(ScreenPixel(5, 310), Rgb(0, 255, 0));
    EXPECT_EQ(GetActiveWindow(), main);

    // With a dialog up, its owner is disabled: the dialog comes up with it and
    // takes the activation.
    WindowHandle dialog = CreateWindow(u"Rec", u"dialog", WS_VISIBLE | WS_POPUP, 0, 100, 240, 50,
                                       main, nullptr, nullptr);
    Paint(dialog, Rgb(255, 255, 0));
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
    events.clear();
    host.steps = {[&] {
                      SetFocus(owner);  // even with focus there, input is dropped
                      DeliverKey('A', true);
                  },
                  [&] { SetClock(GetTickCount() + 60); }, [&] { done = true; }};
    RunModalLoop(dialog, done);
    EXPECT_EQ(std::count(events.begin(), events.end(), "275:9"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "256:65"), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

}  // namespace
