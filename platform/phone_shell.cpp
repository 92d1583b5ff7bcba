// The phone shell's screen: the task-bar strip at the top (program title and a
// clock), the work area between the strips, full-screen control, the text-input
// panel, links and the temporary folder. The soft-key bars are in
// shell_menu_bar.cpp.
#include "platform/phone_shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/internal/shell_internal.h"
#include "platform/text.h"
#include "platform/windows.h"

extern char** environ;

namespace {

constexpr const char16_t* TASK_BAR_CLASS = u"QuarvelTaskBar";
constexpr std::uintptr_t CLOCK_TIMER = 1;
constexpr std::uint32_t MINUTE_MS = 60000;

struct Shell {
    WindowHandle taskBar = nullptr;
    std::u16string title;
    bool taskBarHidden = false;
    bool inputPanelUp = false;
    bool (*linkOpener)(const char*) = nullptr;
};

Shell& State() {
    static Shell shell;
    return shell;
}

// The task bar of this run, or null: a handle that outlived a reset of the window
// manager (or a window that took its address since) is not taken for it.
WindowHandle TaskBar() {
    Shell& s = State();
    if (s.taskBar == nullptr || !IsWindow(s.taskBar) ||
        GetWindowData(s.taskBar) != reinterpret_cast<std::intptr_t>(&s)) {
        s.taskBar = nullptr;
    }
    return s.taskBar;
}

// As on the phone, the work area always leaves out both strips, also while a
// full-screen window hides the task bar: full screen is the whole screen, not
// the work area.
void UpdateWorkArea() {
    std::int32_t strip = ShellStripHeight();
    std::int32_t top = TaskBar() != nullptr ? strip : 0;
    SetWorkArea(Rect{0, top, GetScreenWidth(), std::max(top, GetScreenHeight() - strip)});
}

// The clock reads 12:00 at clock 0 and runs with the layer's clock, on a
// twelve-hour dial: "h:mm".
std::u16string ClockText() {
    std::uint32_t minutes = GetTickCount() / MINUTE_MS % (24 * 60);
    std::uint32_t hour = (12 + minutes / 60) % 12;
    std::uint32_t minute = minutes % 60;
    std::string text =
        std::to_string(hour == 0 ? 12 : hour) + (minute < 10 ? ":0" : ":") + std::to_string(minute);
    return Utf8ToUtf16(text);
}

// Signal-strength bars, a phone's usual mark beside the clock.
void DrawSignal(SurfaceHandle surface, std::int32_t right, std::int32_t bottom,
                std::int32_t height) {
    std::int32_t barWidth = height >= 12 ? 3 : 2;
    for (std::int32_t i = 0; i < 4; ++i) {
        std::int32_t h = height * (i + 1) / 4;
        std::int32_t left = right - (4 - i) * (barWidth + 1);
        FillColour(surface, Rect{left, bottom - h, left + barWidth, bottom}, SHELL_TEXT_COLOUR);
    }
}

void PaintTaskBar(WindowHandle window) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    Rect client = GetClientRect(window);
    FillColour(surface, client, SHELL_BAR_COLOUR);
    FillColour(surface, Rect{0, client.bottom - 1, client.right, client.bottom}, SHELL_BAR_EDGE);
    SetBackgroundMode(surface, BackgroundMode::Transparent);
    SetTextColour(surface, SHELL_TEXT_COLOUR);
    std::int32_t pad = client.bottom / 4;

    std::u16string clock = ClockText();
    SelectFont(surface, ShellFont(false));
    std::int32_t clockWidth = 0, textHeight = 0;
    MeasureText(surface, clock.c_str(), -1, clockWidth, textHeight);
    Rect clockRect{client.right - pad - clockWidth, 0, client.right - pad, client.bottom - 1};
    DrawText(surface, clock.c_str(), -1, clockRect, DT_VCENTER);
    std::int32_t signalHeight = client.bottom / 2;
    std::int32_t signalBottom = (client.bottom + signalHeight) / 2;
    std::int32_t signalRight = clockRect.left - pad;
    DrawSignal(surface, signalRight, signalBottom, signalHeight);

    SelectFont(surface, ShellFont(true));
    Rect titleRect{pad + 2, 0, signalRight - 4 * (signalHeight / 4 + 2) - pad, client.bottom - 1};
    DrawText(surface, State().title.c_str(), -1, titleRect, DT_VCENTER);
    SelectFont(surface, nullptr);
    EndPaint(window, paint);
}

// Wakes at the next whole minute of the clock.
void ArmClock(WindowHandle window) {
    SetTimer(window, CLOCK_TIMER, MINUTE_MS - GetTickCount() % MINUTE_MS);
}

LResult TaskBarProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_PAINT:
            PaintTaskBar(window);
            return 0;
        case WM_TIMER:
            if (wParam == CLOCK_TIMER) {
                InvalidateRect(window, nullptr, false);
                ArmClock(window);
            }
            return 0;
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

// ---- Look ----

FontHandle ShellFont(bool bold) {
    // Fonts are made once per size and kept for the whole run, past static
    // destruction.
    static auto& fonts = *new std::map<std::pair<std::int32_t, bool>, FontHandle>;
    std::int32_t height = ShellStripHeight() >= 26 ? 15 : 12;
    auto key = std::make_pair(height, bold);
    auto found = fonts.find(key);
    if (found != fonts.end()) return found->second;
    FontHandle font =
        CreateFontByName(u"Tahoma", height, bold ? FONT_WEIGHT_BOLD : FONT_WEIGHT_NORMAL);
    fonts[key] = font;
    return font;
}

void FillColour(SurfaceHandle surface, const Rect& rect, Colour colour) {
    BrushHandle brush = CreateSolidBrush(colour);
    FillRect(surface, rect, brush);
    DeleteBrush(brush);
}

void DrawArrow(SurfaceHandle surface, const Rect& box, ArrowDirection direction, Colour colour) {
    std::int32_t width = box.right - box.left, height = box.bottom - box.top;
    bool vertical = direction == ArrowDirection::Up || direction == ArrowDirection::Down;
    // Depth from base to tip; the base is twice as long, less one for a sharp tip.
    std::int32_t depth =
        vertical ? std::min(height, (width + 1) / 2) : std::min(width, (height + 1) / 2);
    if (depth <= 0) return;
    std::int32_t cx = box.left + width / 2, cy = box.top + height / 2;
    BrushHandle brush = CreateSolidBrush(colour);
    for (std::int32_t i = 0; i < depth; ++i) {
        std::int32_t half = i;  // row i from the tip spans 2i + 1 pixels
        Rect line;
        switch (direction) {
            case ArrowDirection::Up: {
                std::int32_t y = cy - depth / 2 + i;
                line = Rect{cx - half, y, cx + half + 1, y + 1};
                break;
            }
            case ArrowDirection::Down: {
                std::int32_t y = cy + (depth - 1) / 2 - i;
                line = Rect{cx - half, y, cx + half + 1, y + 1};
                break;
            }
            case ArrowDirection::Left: {
                std::int32_t x = cx - depth / 2 + i;
                line = Rect{x, cy - half, x + 1, cy + half + 1};
                break;
            }
            case ArrowDirection::Right: {
                std::int32_t x = cx + (depth - 1) / 2 - i;
                line = Rect{x, cy - half, x + 1, cy + half + 1};
                break;
            }
        }
        FillRect(surface, line, brush);
    }
    DeleteBrush(brush);
}

// ---- The emulated screen ----

// Strips are 26 pixels high on screens 240 or more wide, 20 on narrower ones.
std::int32_t ShellStripHeight() {
    return GetScreenWidth() >= 240 ? 26 : 20;
}

void StartPhoneShell(const char16_t* title) {
    Shell& s = State();
    if (WindowHandle old = TaskBar()) DestroyWindow(old);
    s.title = title != nullptr ? title : u"";
    s.taskBarHidden = false;
    WindowClass taskBarClass;
    taskBarClass.procedure = TaskBarProcedure;
    taskBarClass.name = TASK_BAR_CLASS;
    RegisterWindowClass(taskBarClass);  // fails harmlessly when already registered
    s.taskBar = CreateWindow(TASK_BAR_CLASS, s.title.c_str(), WS_POPUP | WS_NOACTIVATE, 0, 0,
                             GetScreenWidth(), ShellStripHeight(), nullptr, nullptr, nullptr);
    if (s.taskBar != nullptr) {
        SetWindowData(s.taskBar, reinterpret_cast<std::intptr_t>(&s));
        ShowWindow(s.taskBar, SW_SHOW);
        ArmClock(s.taskBar);
    }
    UpdateWorkArea();
}

bool SetFullScreenMode(WindowHandle window, std::uint32_t flags) {
    if (!IsWindow(window)) return false;
    Shell& s = State();
    if (flags & SHFS_HIDETASKBAR) s.taskBarHidden = true;
    if (flags & SHFS_SHOWTASKBAR) s.taskBarHidden = false;
    if (WindowHandle taskBar = TaskBar()) {
        ShowWindow(taskBar, s.taskBarHidden ? SW_HIDE : SW_SHOW);
    }
    return true;
}

// ---- Text-input panel ----

bool SetInputPanel(bool up) {
    if (State().inputPanelUp != up) {
        State().inputPanelUp = up;
        RedrawMenuBars();
    }
    return true;
}

bool InputPanelUp() {
    return State().inputPanelUp;
}

// ---- Links ----

bool ExecuteLink(ExecuteInfo& info) {
    if (info.size != EXECUTE_INFO_SIZE || info.file == nullptr || info.file[0] == 0) return false;
    if (info.verb != nullptr) {
        std::u16string verb(info.verb);
        for (char16_t& c : verb) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (verb != u"open") return false;
    }
    std::string link = Utf16ToUtf8(info.file);
    LogEvent("link " + link);
    bool (*opener)(const char*) = State().linkOpener;
    return opener == nullptr || opener(link.c_str());
}

void SetLinkOpener(bool (*opener)(const char* utf8Link)) {
    State().linkOpener = opener;
}

bool OpenLinkOnDesktop(const char* link) {
    if (link == nullptr || link[0] == 0) return false;
    std::string program = "xdg-open";
    std::string argument = link;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    // A waiting thread reaps the child whenever it ends, whatever the program
    // does with SIGCHLD.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return true;
}

std::int32_t GetTempFolder(char16_t* buffer, std::int32_t capacity) {
    const char* folder = std::getenv("TMPDIR");
    std::u16string path = Utf8ToUtf16(folder != nullptr && folder[0] != 0 ? folder : "/tmp");
    auto length = static_cast<std::int32_t>(path.size());
    if (buffer == nullptr || capacity <= length) {
        // Too small: nothing copied; the answer is the capacity it needs.
        if (buffer != nullptr && capacity > 0) buffer[0] = 0;
        return length + 1;
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[length] = 0;
    return length;
}
