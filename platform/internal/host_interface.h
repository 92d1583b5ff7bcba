// How a host drives the layer: it gives the screen its size, delivers input, lets
// time pass on the layer's clock, and shows the composed screen. Layer-internal:
// for host/ and tests only.
#pragma once

#include <cstdint>

#include "platform/drawing/drawing.h"
#include "platform/internal/bands.h"
#include "platform/runtime/types.h"

class HostDriver {
  public:
    virtual ~HostDriver() = default;
    // The message loop has nothing to do. The host delivers input or moves the
    // clock on — never past `nextTimerDue` when `hasTimer` — and returns true; or
    // returns false to end the run (the loop's fetch then answers -1).
    virtual bool idle(bool hasTimer, std::uint32_t nextTimerDue) = 0;
};

// The host in charge; null: the loop ends as soon as it would have to wait.
void SetHostDriver(HostDriver* host);

// Sets the emulated screen's size (also the work area, until the phone shell sets it).
void SetScreenSize(std::int32_t width, std::int32_t height);

// Input, queued in arrival order; key state changes at once.
void DeliverKey(std::uint32_t code, bool down);
void DeliverChar(char16_t code);
enum class PenAction { Down, Up };
void DeliverPen(PenAction action, std::int32_t x, std::int32_t y);
bool InputPending();
// The system's foreground, in order with the input: false when another program
// (or the desktop) takes it, so the active window loses activation and the
// focus; true when it comes back, and the window that was active is again.
void DeliverActivation(bool active);
// Whether key presses make character messages (TranslateMessage), as the phone's
// keyboard does; a host whose system delivers typed text itself turns it off and
// delivers characters with DeliverChar. On at start.
void SetCharactersFromKeys(bool on);

// The screen composed from the visible windows, bottom to top. Only the area
// drawn on since the last call is composed again; `changedArea` receives it
// (empty when nothing changed), `differentArea` the part of it whose pixels now
// differ from the composition before (all of it the first time), and
// `differentBands` the same as a few boxes, apart where they are far apart.
BitmapHandle ComposeScreen(Rect* changedArea = nullptr, Rect* differentArea = nullptr,
                           Bands* differentBands = nullptr);

// The program's main window: the earliest created top-level window that still
// exists and belongs to the program (not the phone shell's). Null when none.
WindowHandle ProgramMainWindow();

// Forgets every window, class, timer and queued message (for tests).
void ResetWindowManager();
