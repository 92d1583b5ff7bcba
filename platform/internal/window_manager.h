// The window manager's state, shared by its sources (the window tree, the
// message loop and timers, painting, and the host side). Not for game code.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/internal/bands.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/input_filter.h"
#include "platform/windows/windows.h"

struct WindowObject {
    std::u16string className;
    std::u16string title;
    WindowProcedure procedure = nullptr;
    std::uint32_t classStyle = 0;
    BrushHandle background = nullptr;
    std::uint32_t style = 0;
    Rect rect;  // top-level: screen coordinates; child: the parent's client coordinates
    WindowObject* parent = nullptr;  // child: its parent; top-level: its owner
    bool enabled = true;
    bool visible = false;
    BitmapHandle bitmap = nullptr;  // top-level windows draw into their own bitmap
    bool invalid = false;
    Rect invalidRect;
    bool erase = false;
    std::intptr_t data = 0;
    std::uint64_t serial = 0;  // creation order
    WindowHandle handle = nullptr;
    std::vector<WindowObject*> children;  // child and owned windows, in creation order
    bool destroying = false;              // between WM_DESTROY and its removal

    bool isChild() const { return (style & WS_CHILD) != 0; }
    std::int32_t width() const { return rect.right - rect.left; }
    std::int32_t height() const { return rect.bottom - rect.top; }
};

namespace window_manager {

struct ClassEntry {
    std::u16string name;
    WindowClass info;
};

struct Timer {
    WindowHandle window;
    std::uintptr_t id;
    std::uint32_t period;
    std::uint32_t due;
};

struct InputEvent {
    enum class Kind { KeyDown, KeyUp, Char, PenDown, PenUp, Activate, Deactivate } kind;
    std::uint32_t code = 0;
    bool wasDown = false;
    std::int32_t x = 0, y = 0;
};

inline Bands WholeScreen() {
    Bands all;
    all.add(Rect{0, 0, 1 << 16, 1 << 16});
    return all;
}

struct WindowManager {
    std::vector<ClassEntry> classes;
    std::unordered_map<WindowHandle, std::unique_ptr<WindowObject>> windows;  // the live ones
    // Destroyed windows are freed when the outermost DestroyWindow returns, so
    // that none is freed under a caller that is still destroying it.
    std::vector<std::unique_ptr<WindowObject>> destroyed;
    std::int32_t destroyDepth = 0;
    std::vector<WindowObject*> zOrder;  // top-level windows, bottom first
    std::vector<Timer> timers;
    std::deque<InputEvent> input;
    WindowHandle focus = nullptr;
    WindowHandle active = nullptr;
    WindowHandle penCapture = nullptr;
    // The system took the foreground from the program; the window that was active.
    bool inBackground = false;
    WindowHandle activeBeforeBackground = nullptr;
    bool charactersFromKeys = true;
    bool quitPending = false;
    std::int32_t quitCode = 0;
    std::uint64_t nextSerial = 1;
    std::int32_t screenWidth = 240;
    std::int32_t screenHeight = 320;
    Rect workArea{0, 0, 240, 320};
    BitmapHandle screen = nullptr;
    Bands screenDamage = WholeScreen();  // screen area to compose again
    HostDriver* host = nullptr;
    InputFilter inputFilter = nullptr;
};

WindowManager& Manager();

// The window, or null when the handle is not a live window.
WindowObject* Live(WindowHandle window);
// A window's handle; null for null.
WindowHandle HandleOf(const WindowObject* w);

Rect Intersect(const Rect& a, const Rect& b);
bool IsEmpty(const Rect& r);
Rect Union(const Rect& a, const Rect& b);

WindowObject* TopLevelOf(WindowObject* w);
// The client area's top-left in its top-level window's bitmap.
Point OffsetInTopLevel(WindowObject* w);
// Whether the window and all its ancestors are visible.
bool Shown(WindowObject* w);
// Whether input may reach the window: it and every ancestor are enabled.
bool Reachable(WindowObject* w);
bool IsAncestor(WindowObject* ancestor, WindowObject* w);

// Marks a screen area for composing again; no argument: the whole screen.
void MarkScreenDirty(const Rect& area = Rect{0, 0, 1 << 16, 1 << 16});

// Makes the window the active one, telling both windows, and gives it the focus.
void Activate(WindowHandle window);
// The program goes to the background or comes back (see DeliverActivation).
void SetInBackground(bool background);

}  // namespace window_manager
