// Message boxes: a full-screen phone page with a caption strip, an optional
// question mark, the word-wrapped text and soft keys of its own (Yes and No, or
// OK), run modally over its owner.
#include <string>

#include "platform/dialogs/dialogs.h"
#include "platform/internal/dialogs_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"

namespace {

constexpr const char16_t* MESSAGE_BOX_CLASS = u"PhoneMessageBox";
constexpr std::int32_t MARGIN = 10;
constexpr std::int32_t ICON_SIZE = 32;

struct MessageBoxState {
    std::u16string text;
    bool yesNo = false;
    bool question = false;
    CaptionStripInfo stripInfo;
    WindowHandle strip = nullptr;
    bool done = false;
    std::int32_t answer = IDOK;

    std::int32_t firstAnswer() const { return yesNo ? IDYES : IDOK; }
    std::int32_t backAnswer() const { return yesNo ? IDNO : IDOK; }
    void give(std::int32_t id) {
        if (done) return;
        done = true;
        answer = id;
    }
};

void DrawQuestionMark(SurfaceHandle surface, std::int32_t left, std::int32_t top) {
    PenHandle pen = CreateSolidPen(1, HIGHLIGHT_COLOUR);
    BrushHandle brush = CreateSolidBrush(HIGHLIGHT_COLOUR);
    PenHandle oldPen = SelectPen(surface, pen);
    BrushHandle oldBrush = SelectBrush(surface, brush);
    DrawRoundRect(surface, left, top, left + ICON_SIZE, top + ICON_SIZE, ICON_SIZE, ICON_SIZE);
    SelectPen(surface, oldPen);
    SelectBrush(surface, oldBrush);
    DeletePen(pen);
    DeleteBrush(brush);
    FontHandle font = CreateFontByName(u"Tahoma", ICON_SIZE * 3 / 4, FONT_WEIGHT_BOLD);
    FontHandle oldFont = SelectFont(surface, font);
    SetTextColour(surface, WHITE_COLOUR);
    DrawText(surface, u"?", -1, Rect{left, top + 1, left + ICON_SIZE, top + ICON_SIZE + 1},
             DT_CENTER | DT_VCENTER);
    SelectFont(surface, oldFont);
    DeleteFont(font);
}

void PaintMessageBox(WindowHandle window, MessageBoxState& state) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface != nullptr) {
        Rect client = GetClientRect(window);
        FillColour(surface, client, WHITE_COLOUR);
        SetBackgroundMode(surface, BackgroundMode::Transparent);
        std::int32_t top = PhoneShellStripHeight() + MARGIN + 2;
        std::int32_t textLeft = MARGIN;
        if (state.question) {
            DrawQuestionMark(surface, MARGIN, top);
            textLeft += ICON_SIZE + MARGIN;
        }
        FontHandle oldFont = SelectFont(surface, PhoneShellFont(false));
        SetTextColour(surface, TEXT_COLOUR);
        TextMetrics metrics;
        GetTextMetrics(surface, metrics);
        // A short text sits level with the middle of the icon.
        std::int32_t textTop = state.question ? top + (ICON_SIZE - metrics.height) / 2 : top;
        DrawText(surface, state.text.c_str(), -1,
                 Rect{textLeft, textTop, client.right - MARGIN, client.bottom - MARGIN},
                 DT_WORDBREAK);
        SelectFont(surface, oldFont);
    }
    EndPaint(window, paint);
    InvalidateRect(state.strip, nullptr, false);
}

LResult MessageBoxProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                            LParam lParam) {
    auto* state = KeepWindowState<MessageBoxState>(window, message, lParam);
    if (message == WM_CREATE) return 0;
    if (state == nullptr) return DefaultWindowProcedure(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            PaintMessageBox(window, *state);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ACTION) state->give(state->firstAnswer());
            if (wParam == VK_ESCAPE) state->give(state->backAnswer());
            return 0;
        case WM_HOTKEY:
            if (HighWord(static_cast<WParam>(lParam)) == VK_ESCAPE) {
                state->give(state->backAnswer());
            }
            return 0;
        case WM_COMMAND: {
            std::int32_t id = LowWord(wParam);
            if (id == state->firstAnswer() || id == state->backAnswer()) state->give(id);
            if (id == IDCANCEL) state->give(state->backAnswer());
            return 0;
        }
        case WM_CLOSE:
            state->give(state->backAnswer());
            return 0;
        case WM_DESTROY:
            SetWindowData(window, 0);
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

const char* AnswerName(std::int32_t answer) {
    return answer == IDYES ? "yes" : answer == IDNO ? "no" : "ok";
}

}  // namespace

std::int32_t MessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                        std::uint32_t style) {
    RegisterDialogClasses();
    WindowClass boxClass;
    boxClass.procedure = MessageBoxProcedure;
    boxClass.name = MESSAGE_BOX_CLASS;
    RegisterWindowClass(boxClass);

    MessageBoxState state;
    state.text = text != nullptr ? text : u"";
    state.yesNo = (style & 0x0F) == MB_YESNO;
    state.question = (style & 0xF0) == MB_ICONQUESTION;
    state.answer = state.backAnswer();
    state.stripInfo.caption = caption != nullptr ? caption : u"";
    LogEvent("message box " + QuoteForLog(state.stripInfo.caption) + " " + QuoteForLog(state.text));

    // The owner's soft keys give way to the box's own while it is open.
    WindowHandle ownerBar = FindMenuBar(owner);
    bool ownerBarShown = IsWindowVisible(ownerBar);
    if (ownerBarShown) ShowWindow(ownerBar, SW_HIDE);

    Rect work = GetWorkArea();
    WindowHandle box = CreateWindow(MESSAGE_BOX_CLASS, state.stripInfo.caption.c_str(), WS_POPUP,
                                    work.left, work.top, work.right - work.left,
                                    work.bottom - work.top, owner, nullptr, &state);
    if (box != nullptr) {
        state.strip = CreateCaptionStrip(box, state.stripInfo);
        WindowHandle bar = nullptr;
        CreateMenuBarFromText(
            box, state.yesNo ? "button 6 \"Yes\"\nbutton 7 \"No\"\n" : "button 1 \"OK\"\n", bar);
        ShowWindow(box, SW_SHOW);
        RunModalLoop(box, state.done);
        DestroyWindow(box);
    }
    LogEvent(std::string("message box answer ") + AnswerName(state.answer));
    if (ownerBarShown && IsWindow(ownerBar)) ShowWindow(ownerBar, SW_SHOW);
    return state.answer;
}
