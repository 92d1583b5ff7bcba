#include "platform/dialogs/dialogs.h"
#include "platform/internal/dialogs_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/internal/resources_internal.h"
#include "tests/support/layer_fixture.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_writer.h"

namespace {

std::function<bool(WindowHandle, std::uint32_t, WParam, LParam)> handler;
bool Procedure(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam) {
    return handler ? handler(dialog, message, wParam, lParam) : false;
}

// A module of one resource.
ModuleHandle OneResourceModule(const std::string& name, const std::string& data) {
    const std::string path = testing::TempDir() + "dialogs-test-module.zip";
    if (!WriteZip(path, {{name, data}})) return nullptr;
    return LoadModuleFromFile(path);
}

class DialogsTest : public LayerTest {
  protected:
    void SetUp() override {
        LayerTest::SetUp();
        StartPhoneShell(u"Quarvel");
        handler = nullptr;
        RegisterRecordingClass({});
        main = RecordingWindow(u"Quarvel");
        ASSERT_TRUE(CreateMenuBarFromText(main, "button 40006 \"Pause\"\n", mainBar));
        module = OneResourceModule("DIALOG/200", FileText(DIALOG_FORM));
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        handler = nullptr;
        LayerTest::TearDown();
        FreeModule(module);
    }

    // The dialog units of the templates' font.
    static DialogUnits Units() {
        FontHandle font = CreateFontByName(u"MS Sans Serif", 11, 0);
        const DialogUnits units = DialogUnitsOf(font);
        DeleteFont(font);
        return units;
    }

    WindowHandle main = nullptr;
    WindowHandle mainBar = nullptr;
    ModuleHandle module = nullptr;
};

// Quoted texts take escapes; lines may end in CR LF and the text may start with
// a byte-order mark. Malformed templates, and missing ones, show nothing.
TEST_F(DialogsTest, TemplatesParseAndMalformedOnesShowNothing) {
    DialogTemplate t;
    ASSERT_TRUE(
        ParseDialogTemplate("\xEF\xBB\xBF  caption \"a \\\"b\\\" \\\\\"\r\n\n# x\r\n"
                            "font \"F\" 9\nsize 1 1\ncontrol edit 7 -2 0 5 5 \"\" "
                            "style 0x08000000\n",
                            t));
    EXPECT_EQ(t.caption, u"a \"b\" \\");
    EXPECT_EQ(t.controls.at(0).style, 0x08000000u);

    // Templates the reader refuses are in tests/fuzz/corpus/dialog/reject/; here
    // none and one with a bad line after good controls show nothing.
    const std::string malformed[] = {
        "", "caption \"c\"\nfont \"F\" 8\nsize 10 10\ncontrol button 1 0 0 5 5 \"x\"\nwidth 4\n"};
    int calls = 0;
    handler = [&](WindowHandle, std::uint32_t, WParam, LParam) { return ++calls, false; };
    for (std::size_t i = 0; i < std::size(malformed); ++i) {
        EXPECT_FALSE(ParseDialogTemplate(malformed[i], t)) << i;
        ModuleHandle bad = OneResourceModule("DIALOG/1", malformed[i]);
        EXPECT_EQ(RunDialog(bad, 1, main, Procedure, 0), -1) << i;
        FreeModule(bad);
    }
    EXPECT_EQ(RunDialog(module, 999, main, Procedure, 0), -1);  // missing
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(FindWindow(u"PhoneDialog", nullptr), nullptr);
    for (const std::string& line : log)
        EXPECT_EQ(line.find("dialog"), std::string::npos) << line;
}

// Controls sit at their dialog units, the dialog in the middle of the work area;
// the init message gets the parameter. Texts are cut to the buffer given.
TEST_F(DialogsTest, ControlsSitAtTheirDialogUnitsAndInitGetsTheParameter) {
    EXPECT_EQ(FontPixelsForPoints(8), 11);
    EXPECT_EQ(FontPixelsForPoints(10), 13);
    const DialogUnits units = Units();
    ASSERT_GT(units.averageCharWidth, 0);
    const std::int32_t avg = units.averageCharWidth, height = units.height;

    Rect dialogRect, boxRect;
    handler = [&](WindowHandle d, std::uint32_t m, WParam wp, LParam lp) {
        if (m != WM_INITDIALOG) return false;
        EXPECT_EQ(lp, 1234);
        EXPECT_EQ(reinterpret_cast<WindowHandle>(wp), GetDialogItem(d, 1014));
        dialogRect = GetWindowRect(d);
        boxRect = GetWindowRect(GetDialogItem(d, 1014));
        char16_t cut[3];
        EXPECT_EQ(GetDialogItemText(d, 1001, cut, 3), 2);
        EXPECT_EQ(std::u16string(cut), u"An");
        EndDialog(d, 5);
        return true;
    };
    EXPECT_EQ(RunDialog(module, 200, main, Procedure, 1234), 5);
    EXPECT_EQ(dialogRect.right - dialogRect.left, 116 * avg / 4);
    EXPECT_EQ(dialogRect.bottom - dialogRect.top, 100 * height / 8);
    EXPECT_EQ(dialogRect.left, (240 - 116 * avg / 4) / 2);  // centred in the work area
    EXPECT_EQ(dialogRect.top, 26 + (268 - 100 * height / 8) / 2);
    EXPECT_EQ(boxRect, (Rect{dialogRect.left + 4 * avg / 4, dialogRect.top + 16 * height / 8,
                             dialogRect.left + 4 * avg / 4 + 100 * avg / 4,
                             dialogRect.top + 16 * height / 8 + 10 * height / 8}));
    EXPECT_TRUE(Logged("dialog \"Options\" ended 5"));
}

TEST_F(DialogsTest, KeysAndTapsDriveCheckBoxSliderAndFocusRing) {
    WindowHandle dialog = nullptr;
    std::vector<std::string> seen;
    handler = [&](WindowHandle d, std::uint32_t m, WParam wp, LParam) {
        auto item = [d](std::int32_t id) { return GetDialogItem(d, id); };
        if (m == WM_INITDIALOG) {
            dialog = d;
            SendDialogItemMessage(d, 1014, BM_SETCHECK, 1, 0);
            SendDialogItemMessage(d, 1013, TBM_SETRANGE, 0, 1 | 10 << 16);
            SendDialogItemMessage(d, 1013, TBM_SETPOS, 1, 12);  // clamped to 10
            return true;
        }
        if (m == WM_COMMAND && LowWord(wp) == 1020) {
            std::string focus = GetFocus() == item(1020) ? "button" : "elsewhere";
            seen.push_back(std::to_string(SendDialogItemMessage(d, 1014, BM_GETCHECK, 0, 0)) + " " +
                           std::to_string(SendDialogItemMessage(d, 1013, TBM_GETPOS, 0, 0)) + " " +
                           focus);
            if (seen.size() == 3) EndDialog(d, 1020);
            return true;
        }
        return false;
    };
    host.steps = {
        [&] {
            EXPECT_EQ(GetFocus(), GetDialogItem(dialog, 1014));  // init answered true
            EXPECT_EQ(SendDialogItemMessage(dialog, 1013, TBM_GETPOS, 0, 0), 10);
            // Uncheck; to the slider, down to 7; edit, button, round to the box and
            // back to the button; press it: "0 7 button".
            DeliverPresses({VK_RETURN, VK_DOWN, VK_LEFT, VK_LEFT, VK_LEFT, VK_DOWN, VK_DOWN,
                            VK_DOWN, VK_UP, VK_ACTION});
        },
        [&] {
            DeliverTapOn(GetDialogItem(dialog, 1014));     // checks it and takes the focus
            DeliverTapOn(GetDialogItem(dialog, 1013), 0);  // the slider's left end: 1
            DeliverPresses({VK_UP, VK_RETURN});            // on the box again: unchecks it
            DeliverTapOn(GetDialogItem(dialog, 1020));     // "0 1 button"
        },
        [&] {
            SendDialogItemMessage(dialog, 1013, TBM_SETRANGE, 1, 20 | 30 << 16);
            SendDialogItemMessage(dialog, 1014, BM_SETCHECK, 1, 0);
            SetFocus(GetDialogItem(dialog, 1013));
            DeliverPresses({VK_RETURN});                // the slider has no use for Return
            DeliverTapOn(GetDialogItem(dialog, 1020));  // "1 20 button"
        },
    };
    EXPECT_EQ(RunDialog(module, 200, main, Procedure, 0), 1020);
    EXPECT_EQ(seen, (std::vector<std::string>{"0 7 button", "0 1 button", "1 20 button"}));
    EXPECT_TRUE(Logged("dialog \"Options\" shown \"Settings\""));
    EXPECT_TRUE(Logged("dialog \"Options\" ended 1020"));
    EXPECT_EQ(GetActiveWindow(), main);
}

// The edit field takes a character only whole: a pair of surrogates, typed as
// two character messages, the first half first, goes in only when both fit
// under the limit, and a half without its partner is never kept.
TEST_F(DialogsTest, EditFieldTakesWholeCharactersUpToItsLimit) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"ABCDEFGHI\U0001F600", u"ABCDEFGHI"},          // one unit free: neither half
        {u"ABCDEFGHI\U0001F600J", u"ABCDEFGHIJ"},        // and that unit stays free
        {u"ABCDEFGH\U0001F600", u"ABCDEFGH\U0001F600"},  // two free: the pair
        {u"ABCDEFGHI\xD83D", u"ABCDEFGHI"},              // a first half at the limit
        {u"A\xD83D-", u"A-"},                            // a first half alone
        {u"A\xDE00-", u"A-"},                            // a second half alone
    };
    WindowHandle dialog = nullptr;
    handler = [&](WindowHandle d, std::uint32_t m, WParam, LParam) {
        if (m != WM_INITDIALOG) return false;
        dialog = d;
        SendDialogItemMessage(d, 1001, EM_LIMITTEXT, 10, 0);
        SetFocus(GetDialogItem(d, 1001));
        return false;
    };
    std::vector<std::u16string> typed;
    for (std::size_t i = 0; i <= std::size(cases); ++i) {
        host.steps.push_back([&, i] {
            if (i > 0) {
                char16_t text[32];
                GetDialogItemText(dialog, 1001, text, 32);
                typed.push_back(text);
            }
            if (i == std::size(cases)) {
                EndDialog(dialog, IDOK);
                return;
            }
            SetDialogItemText(dialog, 1001, u"");
            for (char16_t unit : cases[i].first)
                DeliverChar(unit);
        });
    }
    EXPECT_EQ(RunDialog(module, 200, main, Procedure, 0), IDOK);
    ASSERT_EQ(typed.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(typed[i], cases[i].second) << i;
}

TEST_F(DialogsTest, PhoneSetUpSizesTheDialogAndItsStripAnswersOk) {
    WindowHandle dialog = nullptr;
    Rect box;
    handler = [&](WindowHandle d, std::uint32_t m, WParam wp, LParam) {
        if (m == WM_INITDIALOG) {
            dialog = d;
            EXPECT_TRUE(InitPhoneDialog({SHIDIF_SIZEDLG, d}));
            EXPECT_EQ(GetWindowRect(d), (Rect{0, 26, 240, 294}));  // the work area
            box = GetWindowRect(GetDialogItem(d, 1014));
            SetInputPanel(true);
            // Asked twice, as the name entry does: the controls move down once.
            for (int i = 0; i < 2; ++i) {
                EXPECT_TRUE(InitPhoneDialog(
                    {SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN, d}));
            }
            EXPECT_FALSE(InputPanelUp());
            EXPECT_EQ(GetWindowRect(d), (Rect{0, 0, 240, 320}));
            return true;
        }
        if (m == WM_COMMAND && LowWord(wp) == IDOK) EndDialog(d, IDOK);
        return m == WM_COMMAND;
    };
    host.steps = {[&] {
        // The dialog moved up over the task bar and the strip took its place.
        EXPECT_EQ(GetWindowRect(GetDialogItem(dialog, 1014)), box);
        DeliverTap(220, 13);  // the strip's "ok"
    }};
    EXPECT_EQ(RunDialog(module, 200, main, Procedure, 0), IDOK);
    EXPECT_FALSE(InitPhoneDialog({SHIDIF_SIZEDLG, main}));  // not a dialog
}

TEST_F(DialogsTest, MessageBoxAnswersBySoftKeysReturnAndBack) {
    struct Case {
        std::uint32_t style;
        std::uint32_t key;
        std::int32_t answer;
    };
    const Case cases[] = {{36, VK_F1, IDYES},   {36, VK_F2, IDNO},    {4, VK_RETURN, IDYES},
                          {4, VK_ESCAPE, IDNO}, {0, VK_ACTION, IDOK}, {0, VK_ESCAPE, IDOK},
                          {0, VK_F1, IDOK}};
    for (const Case& c : cases) {
        host.steps = {[&] {
            EXPECT_FALSE(IsWindowVisible(mainBar));
            WindowHandle box = FindWindow(u"PhoneMessageBox", u"Quarvel");
            EXPECT_TRUE(IsWindowVisible(FindMenuBar(box)));
            EXPECT_EQ(GetActiveWindow(), box);
            DeliverPresses({c.key});
        }};
        EXPECT_EQ(MessageBox(main, u"Clear the high scores?", u"Quarvel", c.style), c.answer)
            << c.style << " " << c.key;
        EXPECT_TRUE(IsWindowVisible(mainBar));
        EXPECT_EQ(FindWindow(u"PhoneMessageBox", nullptr), nullptr);
    }
    EXPECT_TRUE(Logged("message box \"Quarvel\" \"Clear the high scores?\""));
    EXPECT_TRUE(Logged("message box answer yes"));
    EXPECT_TRUE(Logged("message box answer no"));
    EXPECT_TRUE(Logged("message box answer ok"));
}

// The About box full screen and a question below the task bar, with their
// caption strips; the screens are saved for a look.
TEST_F(DialogsTest, AboutBoxAndQuestionLookLikeThePhone) {
    handler = [&](WindowHandle d, std::uint32_t m, WParam wp, LParam) {
        if (m == WM_INITDIALOG) {
            WindowHandle bar = nullptr;
            CreateMenuBarFromText(d, "button 40058 \"Done\"\n", bar);
            ShowWindow(mainBar, SW_HIDE);
            InitPhoneDialog({SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN, d});
            return true;
        }
        if (m == WM_COMMAND && LowWord(wp) == 40058) EndDialog(d, 40058);
        return false;
    };
    const DialogUnits units = Units();
    host.steps = {[&] {
        EXPECT_TRUE(SaveBitmapPng(ComposeScreen(), SCREENSHOT_FOLDER "/dialogs_about.png"));
        EXPECT_EQ(ScreenPixel(2, 2), STRIP_COLOUR);
        // The icon's dark ground, in the middle of the icon control.
        EXPECT_EQ(ScreenPixel(units.toPixelsX(7) + 16, 26 + units.toPixelsY(6) + 16),
                  Rgb(24, 38, 74));
        DeliverPresses({VK_F1});
    }};
    EXPECT_EQ(RunDialog(ProgramModule(), 103, main, Procedure, 0), 40058);
    ShowWindow(mainBar, SW_SHOW);
    host.steps = {[&] {
        EXPECT_TRUE(SaveBitmapPng(ComposeScreen(), SCREENSHOT_FOLDER "/dialogs_message_box.png"));
        EXPECT_EQ(ScreenPixel(2, 28), STRIP_COLOUR);  // below the task bar
        DeliverPresses({VK_F2});
    }};
    EXPECT_EQ(MessageBox(main, u"Clear the high-score table?", u"Quarvel", 36), IDNO);
}

}  // namespace
