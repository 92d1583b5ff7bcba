// The phone shell's screen: the task-bar strip at the top (program title and a
// clock), the work area between the strips, full-screen control and the
// text-input panel. The soft-key bars are in the menu_bar_*.cpp sources.
#include "platform/phone_shell/phone_shell.h"

#include <algorithm>
#include <string>

#include "platform/internal/phone_shell_internal.h"
#include "platform/runtime/clock.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

namespace {

constexpr const char16_t* TASK_BAR_CLASS = u"PhoneTaskBar";
constexpr std::uintptr_t CLOCK_TIMER = 1;
constexpr std::uint32_t MINUTE_MS = 60000;

struct PhoneShell {
    WindowHandle taskBar = nullptr;
    std::u16string title;
    bool taskBarHidden = false;
    bool inputPanelUp = false;
};

PhoneShell& State() {
    static PhoneShell shell;
    return shell;
}

// The task bar of this run, or null: a handle that outlived a reset of the window
// manager (or a window that took its address since) is not taken for it.
WindowHandle TaskBar() {
    PhoneShell& s = State();
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
    std::int32_t strip = PhoneShellStripHeight();
    std::int32_t top = TaskBar() != nullptr ? strip : 0;
    SetWorkArea(Rect{0, top, GetScreenWidth(), std::max(top, GetScreenHeight() - strip)});
}

std::uint32_t (*timeOfDaySource)() = nullptr;

std::uint32_t TimeOfDay() {
    return timeOfDaySource != nullptr ? timeOfDaySource() : GetTickCount();
}

// The time of day on a twelve-hour dial: "h:mm".
std::u16string ClockText() {
    std::uint32_t minutes = TimeOfDay() / MINUTE_MS % (24 * 60);
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
        FillColour(surface, Rect{left, bottom - h, left + barWidth, bottom},
                   PHONE_SHELL_TEXT_COLOUR);
    }
}

void PaintTaskBar(WindowHandle window) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    Rect client = GetClientRect(window);
    FillColour(surface, client, PHONE_SHELL_BAR_COLOUR);
    FillColour(surface, Rect{0, client.bottom - 1, client.right, client.bottom},
               PHONE_SHELL_BAR_EDGE);
    SetBackgroundMode(surface, BackgroundMode::Transparent);
    SetTextColour(surface, PHONE_SHELL_TEXT_COLOUR);
    std::int32_t pad = client.bottom / 4;

    std::u16string clock = ClockText();
    SelectFont(surface, PhoneShellFont(false));
    std::int32_t clockWidth = 0, textHeight = 0;
    MeasureText(surface, clock.c_str(), -1, clockWidth, textHeight);
    Rect clockRect{client.right - pad - clockWidth, 0, client.right - pad, client.bottom - 1};
    DrawText(surface, clock.c_str(), -1, clockRect, DT_VCENTER);
    std::int32_t signalHeight = client.bottom / 2;
    std::int32_t signalBottom = (client.bottom + signalHeight) / 2;
    std::int32_t signalRight = clockRect.left - pad;
    DrawSignal(surface, signalRight, signalBottom, signalHeight);

    SelectFont(surface, PhoneShellFont(true));
    Rect titleRect{pad + 2, 0, signalRight - 4 * (signalHeight / 4 + 2) - pad, client.bottom - 1};
    DrawText(surface, State().title.c_str(), -1, titleRect, DT_VCENTER);
    SelectFont(surface, nullptr);
    EndPaint(window, paint);
}

// Wakes at the next whole minute of the time of day.
void ArmClock(WindowHandle window) {
    SetTimer(window, CLOCK_TIMER, MINUTE_MS - TimeOfDay() % MINUTE_MS);
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

// ---- The emulated screen ----

// Strips are 26 pixels high on screens 240 or more wide, 20 on narrower ones.
std::int32_t PhoneShellStripHeight() {
    return GetScreenWidth() >= 240 ? 26 : 20;
}

void SetTimeOfDaySource(std::uint32_t (*msSinceMidnight)()) {
    timeOfDaySource = msSinceMidnight;
}

void StartPhoneShell(const char16_t* title) {
    PhoneShell& s = State();
    if (WindowHandle old = TaskBar()) DestroyWindow(old);
    s.title = title != nullptr ? title : u"";
    s.taskBarHidden = false;
    WindowClass taskBarClass;
    taskBarClass.procedure = TaskBarProcedure;
    taskBarClass.name = TASK_BAR_CLASS;
    RegisterWindowClass(taskBarClass);  // fails harmlessly when already registered
    s.taskBar = CreateWindow(TASK_BAR_CLASS, s.title.c_str(), WS_POPUP | WS_NOACTIVATE, 0, 0,
                             GetScreenWidth(), PhoneShellStripHeight(), nullptr, nullptr, nullptr);
    if (s.taskBar != nullptr) {
        SetWindowData(s.taskBar, reinterpret_cast<std::intptr_t>(&s));
        ShowWindow(s.taskBar, SW_SHOW);
        ArmClock(s.taskBar);
    }
    UpdateWorkArea();
}

bool SetFullScreenMode(WindowHandle window, std::uint32_t flags) {
    if (!IsWindow(window)) return false;
    PhoneShell& s = State();
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
