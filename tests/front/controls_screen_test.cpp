#include <array>

#include "tests/shell/program_support.h"

namespace {

using Keys = std::array<std::uint32_t, 5>;

constexpr Colour WHITE = Rgb(255, 255, 255);
constexpr std::uint32_t VK_APP2 = VK_APP1 + 1, VK_APP3 = VK_APP1 + 2, VK_APP4 = VK_APP1 + 3;
constexpr Keys DEFAULT_KEYS = {37, 39, 13, 38, 40};
// The layout's slots in the screen's row order.
constexpr std::int32_t CQuarvelControlLayout::*SLOTS[] = {
    &CQuarvelControlLayout::move_left_key, &CQuarvelControlLayout::move_right_key,
    &CQuarvelControlLayout::rotate_cw_key, &CQuarvelControlLayout::rotate_ccw_key,
    &CQuarvelControlLayout::drop_key};

Keys Layout() {
    Keys keys{};
    for (std::size_t i = 0; i < 5; ++i)
        keys[i] = static_cast<std::uint32_t>(controlLayout.*SLOTS[i]);
    return keys;
}

Keys Pending() {
    Keys keys{};
    for (std::uint32_t i = 0; i < 5; ++i)
        keys[i] = GetPendingKey(IDS_FIRST_ACTION + i);
    return keys;
}

std::vector<WindowHandle> AppKeyOwners() {
    std::vector<WindowHandle> owners;
    for (std::uint32_t code = VK_APP1; code <= VK_APP6; ++code)
        owners.push_back(AppKeyWindow(code));
    return owners;
}

class ControlsScreenTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        lastKeyTime = 0;
        keyPressAccepted = false;
        ASSERT_TRUE(Start());
    }
    // A press and release, then time past the screen's debounce.
    void PressKey(std::uint32_t code) {
        Press(code);
        Wait(300);
    }
    // A release that asks whether to keep the keys; Return answers Yes, Back No.
    void ReleaseAndAnswer(std::uint32_t code, bool keep) {
        host.steps.push_back([] { EXPECT_EQ(activeScreen, SCREEN_CONTROLS); });  // under it
        PressLater(keep ? VK_RETURN : VK_ESCAPE);
        Key(code, false);
        EXPECT_TRUE(host.steps.empty()) << "no question was asked";
        Wait(300);
    }
    // Opens the screen from the soft-key menu, as a player does.
    void OpenKeys() {
        EXPECT_EQ(ChooseMenuCommand(IDM_CONTROLS), MenuChoice::Chosen);
        Pump();
        ASSERT_EQ(activeScreen, SCREEN_CONTROLS);
    }
    bool SoftKeyVisible(std::int32_t command) { return IsSoftKeyVisible(&titleScreen, command); }
    // The fill of a row's value box, inside the focus frame and clear of the text.
    Colour BoxFill(std::int32_t row) {
        const Rect box = ControlsValueRect(row);
        return ScreenPixel(box.left + 3, box.top + 3);
    }
    // The leftmost and rightmost columns with dark ink inside a rectangle.
    std::pair<std::int32_t, std::int32_t> InkColumns(const Rect& r) {
        std::int32_t first = -1, last = -1;
        for (std::int32_t x = r.left + 2; x < r.right - 2; ++x) {
            for (std::int32_t y = r.top + 2; y < r.bottom - 2; ++y) {
                const Colour c = ScreenPixel(x, y);
                if (RedOf(c) + GreenOf(c) + BlueOf(c) >= 3 * 128) continue;
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
        return {first, last};
    }
};

// Entering takes the application keys and borrows the soft keys; row 0 waits
// in light grey inside a dotted frame, the others are white boxes with a grey
// outline, labels right-aligned, key names centred. Each accepted key fills its
// row and moves on; one key may fill two rows; the fifth ends the capture.
TEST_F(ControlsScreenTest, CaptureRunsThroughTheFiveRows) {
    OpenKeys();
    EXPECT_EQ(controlsScreen.captureRow, 0);
    EXPECT_EQ(Pending(), Layout());
    EXPECT_EQ(AppKeyOwners(), std::vector<WindowHandle>(6, mainWindow));
    EXPECT_TRUE(SoftKeyVisible(IDM_SCREEN_KEY));
    EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Cancel");
    EXPECT_FALSE(SoftKeyVisible(IDM_MENU_KEY));
    const Rect box0 = ControlsValueRect(0), box1 = ControlsValueRect(1);
    EXPECT_NE(ScreenPixel(box0.left + 1, box0.top + 1), CONTROLS_GREY);  // the frame
    EXPECT_EQ(ScreenPixel(box1.left, box1.top + 5), CONTROLS_GREY);
    EXPECT_EQ(ScreenPixel(box1.left + 1, box1.top + 1), WHITE);
    const Rect label = ControlsLabelRect(2);
    auto [first, last] = InkColumns(label);
    EXPECT_GT(first, label.left + 20);
    EXPECT_GE(last, label.right - 6);
    std::tie(first, last) = InkColumns(box1);  // "Right"
    ASSERT_GE(first, 0);
    EXPECT_NEAR(first - box1.left, box1.right - 1 - last, 3);

    // A letter also brings a character message at once; that one is dropped.
    const Keys keys = {'A', VK_APP1, 'A', VK_DOWN, VK_F1 + 4};
    for (std::int32_t i = 0; i < 5; ++i) {
        const std::uint32_t key = keys[static_cast<std::size_t>(i)];
        EXPECT_EQ(BoxFill(i), CONTROLS_GREY) << i;
        Key(key, true);
        if (i < 4) Key(key, false);  // the fifth key's release would ask to keep them
        Wait(300);
        EXPECT_EQ(BoxFill(i), WHITE) << i;
        EXPECT_EQ(controlsScreen.captureRow, i < 4 ? i + 1 : -1) << i;
        EXPECT_EQ(controlsScreen.cursorRow, i < 4 ? i + 1 : -1) << i;
    }
    EXPECT_EQ(Pending(), keys);
}

// A press within 250 ms of the last accepted one is dropped, across the
// clock's wrap too; the first press counts even near clock 0, with no earlier
// one (just after start-up or the wrap), while its character message is dropped.
TEST_F(ControlsScreenTest, PressesTooSoonAfterTheLastAreDropped) {
    SetClock(100);
    OpenKeys();
    Press('B');  // row 0
    Wait(250);
    Press('C');  // 250 ms after B: dropped
    Wait(1);
    Press('D');  // 251 ms after: row 1
    SetClock(0xFFFFFF38);
    Press('E');  // row 2
    SetClock(0x20);
    Press(VK_APP2);  // 232 ms later across the wrap: dropped
    SetClock(0x40);
    Press('F');  // 264 ms later: row 3
    EXPECT_EQ(Pending(), (Keys{'B', 'D', 'E', 'F', VK_DOWN}));
    EXPECT_EQ(controlsScreen.captureRow, 4);
    keyPressAccepted = false;
    lastKeyTime = 0;
    SetClock(0);
    PressKey('H');
    EXPECT_EQ(Pending()[4], std::uint32_t{'H'});
}

TEST_F(ControlsScreenTest, AfterEnterOrActionNothingIsAssignedUntilEnterIsReleased) {
    OpenKeys();
    Key(VK_RETURN, true);
    Wait(300);
    PressKey('A');  // Enter still down: not assigned
    EXPECT_EQ(controlsScreen.captureRow, 1);
    EXPECT_TRUE(controlsScreen.swallowReturn);
    Key(VK_RETURN, false);  // only ends the wait
    EXPECT_EQ(controlsScreen.captureRow, 1);
    EXPECT_FALSE(controlsScreen.swallowReturn);
    PressKey('B');        // row 1
    PressKey(VK_ACTION);  // row 2; its own release ends nothing
    PressKey('C');        // not assigned
    PressKey(VK_RETURN);  // nor this; its release ends the wait
    PressKey('D');        // row 3
    EXPECT_EQ(Pending(), (Keys{VK_RETURN, 'B', VK_ACTION, 'D', VK_DOWN}));
    EXPECT_EQ(controlsScreen.captureRow, 4);
}

TEST_F(ControlsScreenTest, TapsPickAValueBoxOrEndCapturingAndTheNextReleaseAsks) {
    OpenKeys();
    const Rect box3 = ControlsValueRect(3);
    Tap(box3.left + 2, box3.top + 2);
    EXPECT_EQ(controlsScreen.captureRow, 3);
    PressKey('A');  // row 3
    const Rect label1 = ControlsLabelRect(1);
    Tap(label1.left + 30, label1.top + 5);  // a label is not a box
    EXPECT_EQ(controlsScreen.captureRow, -1);
    EXPECT_EQ(controlsScreen.cursorRow, 4);
    EXPECT_EQ(BoxFill(4), WHITE);
    // Done: presses move the frame (4 -> 0 -> 4), a release asks.
    Key(VK_DOWN, true);
    Wait(300);
    EXPECT_EQ(controlsScreen.cursorRow, 0);
    Key(VK_UP, true);
    Wait(300);
    EXPECT_EQ(controlsScreen.cursorRow, 4);
    ReleaseAndAnswer(VK_UP, false);
    Key(VK_DOWN, false);
    EXPECT_EQ(Pending()[3], std::uint32_t{'A'});
    EXPECT_EQ(Layout(), DEFAULT_KEYS);
    EXPECT_EQ(activeScreen, SCREEN_TITLE);
}

TEST_F(ControlsScreenTest, YesKeepsTheKeysAndBindsTheirAppKeysNoRestoresTheLayoutExactly) {
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "yes" : "no");
        const Keys before = {37, 39, 13, 38, VK_APP2};
        for (std::size_t i = 0; i < 5; ++i)
            controlLayout.*SLOTS[i] = static_cast<std::int32_t>(before[i]);
        controlLayout.claimAppKeys(nullptr);
        controlLayout.claimAppKeys(mainWindow);
        const std::string storeBefore = StoreText();
        const Keys chosen = {VK_APP3, 'A', 'B', 'C', VK_APP4};
        OpenKeys();
        for (std::size_t i = 0; i < 4; ++i)
            PressKey(chosen[i]);
        Key(chosen[4], true);
        Wait(300);
        ReleaseAndAnswer(chosen[4], keep);

        EXPECT_EQ(activeScreen, SCREEN_TITLE);
        EXPECT_EQ(Layout(), keep ? chosen : before);
        std::vector<WindowHandle> owners(6, nullptr);
        if (keep) {
            owners[VK_APP3 - VK_APP1] = owners[VK_APP4 - VK_APP1] = mainWindow;
        } else {
            owners[VK_APP2 - VK_APP1] = mainWindow;
        }
        EXPECT_EQ(AppKeyOwners(), owners);
        EXPECT_FALSE(SoftKeyVisible(IDM_SCREEN_KEY));  // the title's
        EXPECT_TRUE(SoftKeyVisible(IDM_MENU_KEY));
        EXPECT_EQ(StoreText(), storeBefore);  // leaving stores nothing
    }
}

TEST_F(ControlsScreenTest, FromAGameItReturnsToTheSamePausedGame) {
    Command(40007);
    Wait(800);
    ASSERT_EQ(activeScreen, SCREEN_GAME);
    gameScreen.score = 4321;  // a new game would start from 0
    const std::int32_t pieceRow = gameScreen.piece.y;

    Command(IDM_CONTROLS);  // as a script sends it: no menu opens, which would pause
    EXPECT_TRUE(gameScreen.paused);
    EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Cancel");
    PressKey('A');
    PressKey('B');
    PressKey(VK_F1);  // the borrowed soft key: leave without keeping
    Wait(1000);
    EXPECT_EQ(activeScreen, SCREEN_GAME);
    EXPECT_TRUE(gameScreen.paused);
    EXPECT_EQ(gameScreen.score, 4321);
    EXPECT_EQ(gameScreen.piece.y, pieceRow);  // nothing fell meanwhile
    EXPECT_EQ(Layout(), DEFAULT_KEYS);
    EXPECT_TRUE(SoftKeyVisible(IDM_SCREEN_KEY));
    EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Resume");
    EXPECT_TRUE(SoftKeyVisible(IDM_MENU_KEY));
}

// Leaving gives back only what the screen changed: a menu key someone else hid
// stays hidden, the screen key gets its own label back, and the screen's end
// does not undo what others set since. When the program ends with the screen
// shown, the screen holds nothing of the destroyed main window.
TEST_F(ControlsScreenTest, LeavingGivesBackOnlyWhatItChanged) {
    SetSoftKeyVisible(&titleScreen, IDM_MENU_KEY, false);
    SetSoftKeyText(&titleScreen, IDM_SCREEN_KEY, u"Xyz");
    SetSoftKeyVisible(&titleScreen, IDM_SCREEN_KEY, true);
    {
        CQuarvelControlsWnd screen;
        screen.activate(mainWindow, backDC);
        screen.onLeave();
        EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Xyz");
        EXPECT_FALSE(SoftKeyVisible(IDM_MENU_KEY));
        SetSoftKeyText(&titleScreen, IDM_SCREEN_KEY, u"Later");
    }
    EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Later");

    CQuarvelControlsWnd screen;
    screen.activate(mainWindow, backDC);
    screen.onMessage(WM_DESTROY, 0, 0);
    EXPECT_EQ(screen.window, nullptr);
    EXPECT_EQ(screen.backDC, nullptr);
    screen.onLeave();  // nothing to give back to
    EXPECT_EQ(SoftKeyLabel(titleScreen, IDM_SCREEN_KEY), u"Cancel");
}

}  // namespace
