// The key-assignment screen: waits for a key for each of the game's five actions
// in turn, shows each by its name, and asks whether to keep the new keys.
#pragma once

#include <cstdint>

#include "platform/drawing.h"
#include "shell/screen.h"

class CQuarvelControlsWnd : public CQuarvelWnd {
  public:
    CQuarvelControlsWnd() = default;
    ~CQuarvelControlsWnd() override;
    CQuarvelControlsWnd(const CQuarvelControlsWnd&) = delete;
    CQuarvelControlsWnd& operator=(const CQuarvelControlsWnd&) = delete;

    std::int32_t onMessage(std::uint32_t message, WParam wParam, LParam lParam) override;
    // Restores the soft keys the screen changed and forgets the back buffer.
    void onLeave() override;

    void activate(WindowHandle mainWindow, SurfaceHandle backBuffer);
    void draw(SurfaceHandle target);
    // Ends the screen, keeping the new keys or not.
    void leave(bool keep);

    std::int32_t captureRow = -1;
    std::int32_t cursorRow = -1;
    bool swallowReturn = false;
    bool hidMenuButton = false;
    char16_t savedButtonText[100] = {};
    bool savedButtonVisible = false;
};
