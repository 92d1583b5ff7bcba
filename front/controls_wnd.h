// The key-assignment screen: waits for a key for each of the game's five actions
// in turn, shows each by its name, and asks whether to keep the new keys.
#pragma once

#include <cstdint>

#include "platform/drawing/drawing.h"
#include "shell/screen.h"

constexpr std::int32_t CONTROLS_ROW_COUNT = 5;
// Presses that come this soon (or sooner) after the last accepted one are
// dropped: the character message that follows a key press, a bouncing key.
constexpr std::uint32_t KEY_DEBOUNCE_MS = 250;
constexpr Colour CONTROLS_GREY = Rgb(192, 192, 192);

// The keys being edited, one entry per action in the key layout's slot order,
// found by the string id of the action's label (IDS_FIRST_ACTION..IDS_LAST_ACTION). They reach the
// key layout only when the player keeps them.
struct PendingKey {
    std::uint32_t labelId;
    std::uint32_t key;  // 0 until filled
};
extern PendingKey pendingKeys[CONTROLS_ROW_COUNT];
// Sets the key of the entry with that label id; nothing for another id.
void SetPendingKey(std::uint32_t labelId, std::uint32_t key);
// The key of the entry with that label id; 0 for another id.
std::uint32_t GetPendingKey(std::uint32_t labelId);

// The clock time of the last accepted key press (0 at start-up), and whether
// there has been one: the first press is never too soon, whatever the clock
// reads (it may stand near 0 at start-up or just after it wraps).
extern std::uint32_t lastKeyTime;
extern bool keyPressAccepted;

// Row geometry, from the width of the game area: the label on the left half,
// the value box on the right.
Rect ControlsLabelRect(std::int32_t row);
Rect ControlsValueRect(std::int32_t row);

class CQuarvelControlsWnd : public CQuarvelWnd {
  public:
    CQuarvelControlsWnd() = default;
    // Gives back the soft keys if the screen is still shown.
    ~CQuarvelControlsWnd() override;
    CQuarvelControlsWnd(const CQuarvelControlsWnd&) = delete;
    CQuarvelControlsWnd& operator=(const CQuarvelControlsWnd&) = delete;

    std::int32_t onMessage(std::uint32_t message, WParam wParam, LParam lParam) override;
    // Restores the soft keys the screen changed and forgets the back buffer.
    void onLeave() override;

    // The screen becomes the active one: takes all six application keys, copies
    // the key layout, starts capturing at row 0 and borrows the soft keys.
    void activate(WindowHandle mainWindow, SurfaceHandle backBuffer);
    // Draws the whole screen into `target`, or into the window when null.
    void draw(SurfaceHandle target);
    // Ends the screen, keeping the new keys or not.
    void leave(bool keep);
    // The row whose value box holds the point of a pen message's lParam, or -1.
    static std::int32_t hitTest(LParam lParam);

    std::int32_t captureRow = -1;  // the row the next key goes to; -1 none
    std::int32_t cursorRow = -1;   // the row with the focus frame; -1 none
    bool swallowReturn = false;    // Enter or Action assigned: wait for Enter's release
    bool hidMenuButton = false;    // the screen hid the menu soft key
    char16_t savedButtonText[100] = {};
    bool savedButtonVisible = false;

  private:
    void keyPress(std::uint32_t code);
    void keyRelease(std::uint32_t code);
    void restoreSoftKeys();

    // Between activate and onLeave, while the main window lives.
    bool shown = false;
};
