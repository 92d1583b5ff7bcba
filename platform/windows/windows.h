// The window manager: window classes and windows, the program's message queue and
// loop, timers, painting, focus and activation, placement, and modal loops.
//
// Messages are retrieved in this order: messages posted to the queue, then input
// (keys, characters, stylus), then a paint message for a window with an invalid
// region, then a timer message for a due timer. Sent messages are delivered at
// once. When nothing waits, the loop asks the host for more (input, or the
// passing of time on the layer's clock).
#pragma once

#include <cstdint>

#include "platform/drawing/drawing.h"
#include "platform/resources/resources.h"
#include "platform/runtime/messages.h"
#include "platform/runtime/types.h"

constexpr std::uint32_t WM_SETFOCUS = 7;
constexpr std::uint32_t WM_ERASEBKGND = 20;

// Window styles.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
// This layer's own style for windows of the phone shell (its strips and bars):
// they are never activated and never take the focus.
constexpr std::uint32_t WS_NOACTIVATE = 0x00000100;
// Class styles: redraw the whole window when its width or height changes.
constexpr std::uint32_t CS_VREDRAW = 1;
constexpr std::uint32_t CS_HREDRAW = 2;

// Position and size for CreateWindow: let the layer choose (the work area).
constexpr std::int32_t USE_DEFAULT = static_cast<std::int32_t>(0x80000000u);

// Show states.
constexpr std::int32_t SW_HIDE = 0;
constexpr std::int32_t SW_SHOWNORMAL = 1;
constexpr std::int32_t SW_SHOW = 5;

// WM_ACTIVATE's low word of wParam.
constexpr std::uint32_t WA_INACTIVE = 0;
constexpr std::uint32_t WA_ACTIVE = 1;

// Key message lParam bits: bit 30 set when the key was down before, bit 31 set
// for a release.
constexpr LParam KEY_WAS_DOWN = LParam{1} << 30;
constexpr LParam KEY_RELEASED = LParam{1} << 31;

using WindowProcedure = LResult (*)(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam);

struct WindowClass {
    std::uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    ModuleHandle instance = nullptr;
    BrushHandle background = nullptr;  // erases invalid parts; null: no erase
    const char16_t* name = nullptr;
};

// Returns the class's identifier, 0 when it cannot be registered (no name or
// procedure, or the name is taken).
std::uint16_t RegisterWindowClass(const WindowClass& windowClass);

// The WM_CREATE message's lParam points to this record.
struct CreateParams {
    void* param = nullptr;
    WindowHandle parent = nullptr;
    const char16_t* className = nullptr;
    const char16_t* title = nullptr;
    std::uint32_t style = 0;
};

// Creates a window and delivers WM_CREATE to it before returning; a procedure
// that answers WM_CREATE with -1 makes creation fail (null, after WM_DESTROY).
// A top-level window (no WS_CHILD) is placed on the screen; with WS_CHILD it lies
// in its parent's client area. A parent of a top-level window is its owner.
WindowHandle CreateWindow(const char16_t* className, const char16_t* title, std::uint32_t style,
                          std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                          WindowHandle parent, ModuleHandle instance, void* param);
// Delivers WM_DESTROY to the window (after its children) and removes it.
bool DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
// A top-level window of that class and title (either may be null: any).
WindowHandle FindWindow(const char16_t* className, const char16_t* title);
// Raises the window to the top with the windows it owns above it, shows it and
// activates the topmost of them that takes input.
bool BringWindowToFront(WindowHandle window);
bool ShowWindow(WindowHandle window, std::int32_t showState);
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);
bool IsWindowVisible(WindowHandle window);
WindowHandle GetParent(WindowHandle window);

// A pointer-sized value the window's owner keeps with it.
std::intptr_t GetWindowData(WindowHandle window);
void SetWindowData(WindowHandle window, std::intptr_t data);

// For a window procedure that keeps a state object: on WM_CREATE stores the
// creation parameter as the window's data and answers null; otherwise gives the
// state back.
template <typename State>
State* KeepWindowState(WindowHandle window, std::uint32_t message, LParam lParam) {
    if (message == WM_CREATE) {
        SetWindowData(window, reinterpret_cast<std::intptr_t>(
                                  reinterpret_cast<const CreateParams*>(lParam)->param));
        return nullptr;
    }
    return reinterpret_cast<State*>(GetWindowData(window));
}

// The default processing: WM_CLOSE destroys the window, WM_PAINT validates it,
// everything else returns 0.
LResult DefaultWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam);

// ---- Messages ----

// Delivers the message to the window's procedure now and returns its result.
LResult SendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
// Posts WM_QUIT with the exit code; the loop's fetch then returns 0.
void PostQuitMessage(std::int32_t exitCode);
// Waits for the next message: 1 for a message, 0 for WM_QUIT (its wParam holds
// the exit code), -1 when the host has ended the run.
std::int32_t GetMessage(Message& message);
// Posts a WM_CHAR for a key press of a printable key; true when it did.
bool TranslateMessage(const Message& message);
// Hands the message to its window's procedure (nothing for no window).
LResult DispatchMessage(const Message& message);

// Runs a nested message loop until `done` becomes true or WM_QUIT arrives (which
// is posted again for the outer loop). The owner of `modal` is disabled meanwhile,
// so input to it is dropped while its timers and other messages keep coming.
void RunModalLoop(WindowHandle modal, const bool& done);

// ---- Timers ----

// Starts or restarts a timer of the window; WM_TIMER with wParam = id comes when
// the clock has passed its due time and nothing else waits (at most one pending).
bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t periodMs);
bool KillTimer(WindowHandle window, std::uintptr_t id);

// ---- Focus and activation ----

WindowHandle SetFocus(WindowHandle window);  // returns the previous focus
WindowHandle GetFocus();
WindowHandle GetActiveWindow();

// ---- Painting ----

// Adds the rectangle (client coordinates; null for all) to the window's invalid
// region; `erase` asks for the class background to be painted under it.
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
// Sends WM_PAINT now when the window has an invalid region.
bool UpdateWindow(WindowHandle window);

struct PaintInfo {
    SurfaceHandle surface = nullptr;
    Rect paintRect;
    bool erase = false;
};
// Inside WM_PAINT: a surface clipped to the invalid region (erased first when
// asked), and the region validated.
SurfaceHandle BeginPaint(WindowHandle window, PaintInfo& paint);
bool EndPaint(WindowHandle window, const PaintInfo& paint);

// A surface for drawing into the window's client area at any time.
SurfaceHandle GetWindowSurface(WindowHandle window);
bool ReleaseWindowSurface(WindowHandle window, SurfaceHandle surface);

// ---- Placement ----

bool MoveWindow(WindowHandle window, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, bool repaint);
Rect GetWindowRect(WindowHandle window);  // screen coordinates
Rect GetClientRect(WindowHandle window);  // (0, 0, width, height)
std::int32_t GetScreenWidth();
std::int32_t GetScreenHeight();
// The screen less the phone shell's strips; set by the phone shell.
Rect GetWorkArea();
void SetWorkArea(const Rect& area);
