#include "platform/internal/phone_shell_internal.h"
#include "tests/support/layer_fixture.h"

namespace {

// Popup rows at 240 pixels wide: a 3-pixel frame, 22-pixel items, 7-pixel separators.
constexpr std::int32_t ROW = 22;

class PhoneShellTest : public LayerTest {
  protected:
    PhoneShellTest() : LayerTest(0) {}
    void SetUp() override {
        LayerTest::SetUp();
        RegisterRecordingClass(
            {WM_KEYDOWN, WM_KEYUP, WM_COMMAND, WM_HOTKEY, WM_LBUTTONDOWN, WM_INITMENUPOPUP});
        owner = RecordingWindow(u"main");
    }
    // A bar of the text, or the main window's bar of the program's module.
    WindowHandle Bar(const char* text = nullptr, WindowHandle parent = nullptr) {
        MenuBarCreateInfo info{MENU_BAR_CREATE_SIZE, parent ? parent : owner, 0, 102,
                               ProgramModule()};
        EXPECT_TRUE(text ? CreateMenuBarFromText(info.parent, text, info.menuBar)
                         : CreateMenuBar(info));
        return info.menuBar;
    }
    // The commands the owner heard; forgets everything heard.
    static std::vector<WParam> Commands() {
        std::vector<WParam> ids;
        for (const Message& m : heard) {
            if (m.message == WM_COMMAND) ids.push_back(m.wParam);
        }
        heard.clear();
        return ids;
    }
    // Whether anything but the bar's background is drawn in the rectangle.
    bool DrawnIn(const Rect& r) {
        Pump();
        return ScreenPixelsOf(r, PHONE_SHELL_BAR_COLOUR) < (r.right - r.left) * (r.bottom - r.top);
    }
    static WindowHandle Popup() { return FindWindow(u"PhoneMenuPopup", nullptr); }
    // Sees each menu that opens, before it shows.
    static void OnInitMenu(std::function<void(MenuHandle)> seen) {
        onHeard = [seen](const Message& m) {
            if (m.message == WM_INITMENUPOPUP) seen(reinterpret_cast<MenuHandle>(m.wParam));
        };
    }

    WindowHandle owner = nullptr;
};

// Texts the reader refuses are in tests/fuzz/corpus/menubar/reject/; here one
// too deep for the limit, and one refused after a key was read.
TEST_F(PhoneShellTest, MalformedMenuBarsCreateNothing) {
    std::string deep = "menu 1 \"M\"\n";
    for (int depth = 1; depth <= MAX_MENU_DEPTH + 1; ++depth)
        deep += std::string(2 * depth, ' ') + "popup \"p\"\n";
    deep += std::string(2 * MAX_MENU_DEPTH + 4, ' ') + "item 2 \"x\"\n";
    for (const std::string& text : {deep, std::string("button 1 \"a\"\nknob 2 \"b\"")}) {
        WindowHandle bar = nullptr;
        EXPECT_FALSE(CreateMenuBarFromText(owner, text.c_str(), bar)) << text;
        EXPECT_EQ(bar, nullptr);
    }
    EXPECT_EQ(FindWindow(u"PhoneMenuBar", nullptr), nullptr);

    // Escapes, CR LF line ends and a byte-order mark are fine.
    WindowHandle bar =
        Bar("\xEF\xBB\xBF"
            "button 1 \"a \\\"b\\\" \\\\\"\r\n");
    char16_t text[16];
    ButtonInfo info{BUTTON_INFO_SIZE, TBIF_TEXT, 0, 0, 0, 0, 0, 0, text, 16};
    SendMessage(bar, TB_GETBUTTONINFO, 1, reinterpret_cast<LParam>(&info));
    EXPECT_EQ(std::u16string(text), u"a \"b\" \\");

    // A soft key may start hidden.
    bar = Bar("button 1 \"a\" hidden\nmenu 2 \"M\"\n  item 3 \"x\"\n");
    info.mask = TBIF_STATE;
    SendMessage(bar, TB_GETBUTTONINFO, 1, reinterpret_cast<LParam>(&info));
    EXPECT_EQ(info.state, TBSTATE_HIDDEN);
    SendMessage(bar, TB_GETBUTTONINFO, 2, reinterpret_cast<LParam>(&info));
    EXPECT_EQ(info.state, TBSTATE_ENABLED);
}

TEST_F(PhoneShellTest, CreateMenuBarChecksRecordAndResource) {
    MenuBarCreateInfo info{40, owner, 0, 102, ProgramModule()};
    EXPECT_FALSE(CreateMenuBar(info));
    info.size = MENU_BAR_CREATE_SIZE;
    for (std::uint32_t id : {103u, 104u}) {  // malformed, missing
        info.resourceId = id;
        EXPECT_FALSE(CreateMenuBar(info));
    }
    info.resourceId = 102;
    ASSERT_TRUE(CreateMenuBar(info));
    WindowHandle first = info.menuBar;
    EXPECT_EQ(FindMenuBar(owner), first);
    EXPECT_EQ(GetWindowRect(first), (Rect{0, 294, 240, 320}));
    EXPECT_EQ(GetActiveWindow(), owner);  // the bar never takes activation

    // A second bar for the same window replaces the first.
    ASSERT_TRUE(CreateMenuBar(info));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(FindMenuBar(owner), info.menuBar);
}

TEST_F(PhoneShellTest, ToolbarMessagesAndHiddenButtons) {
    WindowHandle bar = Bar();
    ButtonInfo info{BUTTON_INFO_SIZE, TBIF_STATE | TBIF_COMMAND};
    auto request = [&](std::uint32_t message, WParam id) {
        return SendMessage(bar, message, id, reinterpret_cast<LParam>(&info));
    };
    EXPECT_EQ(request(TB_GETBUTTONINFO, 40047), 1);  // the button's index
    EXPECT_EQ(info.state, TBSTATE_ENABLED);
    EXPECT_EQ(info.command, 40047);
    EXPECT_EQ(request(TB_GETBUTTONINFO, 12345), -1);
    EXPECT_EQ(request(TB_SETBUTTONINFO, 12345), 0);
    info.size = 28;
    EXPECT_EQ(request(TB_GETBUTTONINFO, 40006), -1);
    info.size = BUTTON_INFO_SIZE;

    // Labels: cut and terminated on get; on set, limited by the length given,
    // else by the terminator, and never beyond 255.
    char16_t text[300] = u"xxx";
    info.mask = TBIF_TEXT;
    info.text = text;
    info.textLength = 4;
    EXPECT_EQ(request(TB_GETBUTTONINFO, 40006), 0);
    EXPECT_EQ(std::u16string(text), u"Pau");
    char16_t resume[] = u"Resume";
    info.text = resume;
    info.textLength = 3;
    EXPECT_EQ(request(TB_SETBUTTONINFO, 40006), 1);
    std::u16string longLabel(300, u'w');
    info.text = longLabel.data();
    info.textLength = 0;
    EXPECT_EQ(request(TB_SETBUTTONINFO, 40047), 1);
    info.text = text;
    info.textLength = 300;
    request(TB_GETBUTTONINFO, 40047);
    EXPECT_EQ(std::u16string(text), std::u16string(255, u'w'));

    // A hidden button is neither drawn nor pressed by its soft key.
    Rect leftHalf{0, 296, 100, 319};
    EXPECT_TRUE(DrawnIn(leftHalf));
    info.mask = TBIF_STATE;
    info.state = TBSTATE_HIDDEN;
    EXPECT_EQ(request(TB_SETBUTTONINFO, 40006), 1);
    EXPECT_FALSE(DrawnIn(leftHalf));
    Press(VK_F1);
    EXPECT_TRUE(heard.empty());  // the soft key is the shell's even so
    info.state = TBSTATE_ENABLED;
    request(TB_SETBUTTONINFO, 40006);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WParam>{40006});
    EXPECT_EQ(log.back(), "softkey command 40006 \"Res\"");

    EXPECT_EQ(SendMessage(bar, TB_HIDEBUTTON, 40047, 1), 1);
    Press(VK_F2);
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_FALSE(DrawnIn(Rect{140, 296, 240, 319}));
    SendMessage(bar, TB_HIDEBUTTON, 40047, 0);
    Press(VK_F2);
    EXPECT_NE(Popup(), nullptr);
}

TEST_F(PhoneShellTest, PopupByKeyAndStylusWithGreyedItemsRefused) {
    Bar();
    MenuHandle opened = nullptr;
    OnInitMenu([&](MenuHandle menu) {
        if (opened != nullptr) return;
        opened = menu;
        EXPECT_EQ(Popup(), nullptr);  // sent before the popup shows
        EXPECT_EQ(EnableMenuItem(menu, 40005, MF_GRAYED), MF_ENABLED);
        EXPECT_EQ(EnableMenuItem(menu, 40016, MF_ENABLED), MF_GRAYED);
        EXPECT_EQ(CheckMenuItem(menu, 40007, MF_CHECKED), MF_UNCHECKED);  // in the submenu
    });
    Press(VK_F2);
    ASSERT_EQ(HeardCount(WM_INITMENUPOPUP), 1u);
    EXPECT_EQ(reinterpret_cast<MenuHandle>(heard[0].wParam), opened);
    ASSERT_NE(Popup(), nullptr);
    Rect r = GetWindowRect(Popup());
    EXPECT_EQ(r.right, 240);  // anchored at the right soft key, above the bar
    EXPECT_EQ(r.bottom, 294);

    // From New game, Up wraps past the now grey Exit to Clear scores.
    Press(VK_UP);
    Press(VK_RETURN);
    EXPECT_EQ(HeardCount(WM_KEYDOWN) + HeardCount(WM_KEYUP), 0u);  // all went to the menu
    EXPECT_EQ(Commands(), std::vector<WParam>{40016});
    EXPECT_EQ(log.back(), "menu command 40016 \"Clear scores\"");
    EXPECT_EQ(CheckMenuItem(opened, 40007, MF_UNCHECKED), MF_CHECKED);

    // Stylus: the grey Exit row refuses, a tap outside closes the menu without
    // reaching the window below, and a tap on Sound chooses it.
    Tap(200, 310);  // the soft key
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(HeardCount(WM_INITMENUPOPUP), 1u);
    std::int32_t soundRow = r.top + 3 + ROW + 7 + ROW / 2;
    Tap(r.left + 20, soundRow + 2 * ROW);
    EXPECT_NE(Popup(), nullptr);
    Tap(20, 100);
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(HeardCount(WM_LBUTTONDOWN), 0u);
    Press(VK_F2);
    Tap(r.left + 20, soundRow);
    EXPECT_EQ(Commands(), std::vector<WParam>{40001});
    EXPECT_EQ(Popup(), nullptr);
}

TEST_F(PhoneShellTest, SubmenuNavigation) {
    Bar();
    std::vector<MenuHandle> opened;
    OnInitMenu([&](MenuHandle menu) { opened.push_back(menu); });
    Press(VK_F2);
    Press(VK_RIGHT);  // into New game
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(CheckMenuItem(opened[1], 40001, MF_CHECKED), -1);  // Sound is not in the submenu

    Press(VK_LEFT);  // back to the top level
    Press(VK_ESCAPE);
    EXPECT_EQ(Popup(), nullptr);
    Press(VK_F2);
    Press(VK_ACTION);
    Press(VK_DOWN);
    Press(VK_DOWN);  // wraps to Easy
    Press(VK_RETURN);
    EXPECT_EQ(Commands(), std::vector<WParam>{40007});

    // By stylus: New game opens beside its row, and stays open for a tap on Medium.
    Press(VK_F2);
    Rect r = GetWindowRect(Popup());
    Tap(r.left + 20, r.top + 3 + ROW / 2);
    Tap(r.left - 20, r.top + 3 + ROW + ROW / 2);
    EXPECT_EQ(Commands(), std::vector<WParam>{40009});

    // F1 closes the whole menu from a submenu; the next Back is the window's.
    Press(VK_F2);
    Press(VK_RIGHT);
    Press(VK_F1);
    EXPECT_EQ(Popup(), nullptr);
    heard.clear();
    Press(VK_ESCAPE);
    EXPECT_EQ(heard, (std::vector<Message>{
                         {owner, WM_KEYDOWN, VK_ESCAPE, 1},
                         {owner, WM_KEYUP, VK_ESCAPE, 1 | KEY_WAS_DOWN | KEY_RELEASED}}));
}

TEST_F(PhoneShellTest, BackOverrideTurnsBackIntoHotKey) {
    WindowHandle bar = Bar();
    EXPECT_EQ(SendMessage(bar, SHCMBM_OVERRIDEKEY, VK_ESCAPE, 0x30003), 1);
    Press(VK_ESCAPE);
    Press(VK_LEFT);  // other keys are not affected
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0], (Message{owner, WM_HOTKEY, 0, VK_ESCAPE << 16}));
    EXPECT_EQ(heard[1], (Message{owner, WM_KEYDOWN, VK_LEFT, 1}));
}

TEST_F(PhoneShellTest, TopmostVisibleBarTakesTheSoftKeys) {
    WindowHandle mainBar = Bar();
    WindowHandle dialog = RecordingWindow(u"dialog", WS_VISIBLE, owner);
    WindowHandle dialogBar = Bar("button 40058 \"Done\"\nbutton 40059 \"Cancel\"", dialog);
    ShowWindow(mainBar, SW_HIDE);
    Press(VK_F2);
    EXPECT_EQ(heard, (std::vector<Message>{{dialog, WM_COMMAND, 40059, 0}}));
    heard.clear();

    // The dialog's bar goes with it; the main bar, shown again, answers.
    DestroyWindow(dialog);
    EXPECT_FALSE(IsWindow(dialogBar));
    ShowWindow(mainBar, SW_SHOW);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WParam>{40006});

    // A bar whose owner is disabled (a modal window above it) lets keys pass.
    EnableWindow(owner, false);
    Press(VK_F1);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(PhoneShellTest, ApplicationKeysFollowTheirAssociation) {
    RecordingWindow(u"other");  // has the focus
    constexpr std::uint32_t APP3 = VK_APP1 + 2;
    Press(APP3);
    EXPECT_TRUE(heard.empty());  // unassociated: nowhere, not even the focus window
    ASSERT_TRUE(AssociateAppKey(APP3, owner));
    Press(APP3);
    const LParam up = 1 | KEY_WAS_DOWN | KEY_RELEASED;
    EXPECT_EQ(heard,
              (std::vector<Message>{{owner, WM_KEYDOWN, APP3, 1}, {owner, WM_KEYUP, APP3, up}}));
    heard.clear();
    AssociateAppKey(APP3, nullptr);
    Press(APP3);
    EXPECT_TRUE(heard.empty());
}

TEST_F(PhoneShellTest, TaskBarSetsTheWorkAreaWhichFullScreenLeavesAlone) {
    StartPhoneShell(u"Quarvel");
    WindowHandle taskBar = FindWindow(u"PhoneTaskBar", u"Quarvel");
    ASSERT_NE(taskBar, nullptr);
    EXPECT_EQ(GetWindowRect(taskBar), (Rect{0, 0, 240, 26}));
    EXPECT_EQ(GetWorkArea(), (Rect{0, 26, 240, 294}));

    EXPECT_TRUE(SetFullScreenMode(owner, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON));
    EXPECT_FALSE(IsWindowVisible(taskBar));
    EXPECT_EQ(GetWorkArea(), (Rect{0, 26, 240, 294}));  // both strips stay reserved
    EXPECT_TRUE(SetFullScreenMode(owner, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON));
    EXPECT_TRUE(IsWindowVisible(taskBar));
    EXPECT_EQ(GetWorkArea(), (Rect{0, 26, 240, 294}));

    // The clock is redrawn at each whole minute of the layer's clock.
    Pump();
    Rect changed;
    ComposeScreen(&changed);
    Wait(60000);
    ComposeScreen(&changed);
    EXPECT_EQ(changed, (Rect{0, 0, 240, 26}));

    // A host's time of day: the clock shows it and is redrawn at its minutes.
    static std::uint32_t since = 0;
    since = GetTickCount();
    SetTimeOfDaySource([] { return (13 * 60 + 59) * 60000 + 30000 + (GetTickCount() - since); });
    StartPhoneShell(u"Quarvel");
    Pump();
    ComposeScreen(&changed);
    Wait(29000);
    ComposeScreen(&changed);
    EXPECT_TRUE(changed.right <= changed.left);
    Wait(1000);
    ComposeScreen(&changed);
    EXPECT_EQ(changed, (Rect{0, 0, 240, 26}));
    SetTimeOfDaySource(nullptr);

    SetScreenSize(176, 220);
    StartPhoneShell(u"Quarvel");
    EXPECT_EQ(GetWorkArea(), (Rect{0, 20, 176, 200}));
}

std::vector<std::string> linksOpened;

TEST_F(PhoneShellTest, LinksOpenOnlyWithOpenAndAWholeRecord) {
    SetLinkOpener([](const char* link) {
        linksOpened.push_back(link);
        return true;
    });
    ExecuteInfo info{EXECUTE_INFO_SIZE, 0, nullptr, u"Open", u"mailto:someone@example.org"};
    EXPECT_TRUE(ExecuteLink(info));
    EXPECT_EQ(log.back(), "link mailto:someone@example.org");
    info.verb = u"Print";
    EXPECT_FALSE(ExecuteLink(info));
    info.verb = u"open";
    info.size = 56;
    EXPECT_FALSE(ExecuteLink(info));
    EXPECT_EQ(linksOpened, std::vector<std::string>{"mailto:someone@example.org"});
    SetLinkOpener(nullptr);
}

}  // namespace
