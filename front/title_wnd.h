// The title screen: the title picture, a choice of difficulty (easy, medium, hard)
// by Up and Down or the stylus, and the high-score table with the newest row
// highlighted. Enter, Action or a tap's release starts a game.
#pragma once

#include <cstdint>

#include "platform/drawing/drawing.h"
#include "shell/screen.h"

// The private message the screen posts to itself on activation: draw once more.
constexpr std::uint32_t WM_TITLE_REDRAW = WM_USER + 24;

// Junk rows and start level of each difficulty.
struct Difficulty {
    std::int32_t junkRows;
    std::int32_t startLevel;
};
constexpr Difficulty DIFFICULTIES[3] = {{0, 1}, {6, 4}, {10, 8}};

class CQuarvelSplashWnd : public CQuarvelWnd {
  public:
    CQuarvelSplashWnd() = default;
    ~CQuarvelSplashWnd() override;
    CQuarvelSplashWnd(const CQuarvelSplashWnd&) = delete;
    CQuarvelSplashWnd& operator=(const CQuarvelSplashWnd&) = delete;

    std::int32_t onMessage(std::uint32_t message, WParam wParam, LParam lParam) override;
    // Releases the title picture.
    void onLeave() override;

    // The screen becomes the active one: loads its picture, layout and sound,
    // clears the selection.
    void activate(WindowHandle mainWindow, SurfaceHandle backBuffer);
    // Draws the whole screen into `target`, or into the window when null.
    void draw(SurfaceHandle target);
    void playClickSound();

    // The difficulty area (0 easy, 1 medium, 2 hard) that contains the point in a
    // pen message's lParam, or -1.
    std::int32_t hitTest(LParam lParam) const;

    BitmapHandle titlePicture = nullptr;
    std::int32_t high_scores_line_height = 0;
    std::int32_t high_scores_top = 0;
    std::int32_t high_scores_left1 = 0;
    std::int32_t high_scores_right1 = 0;
    std::int32_t high_scores_left2 = 0;
    std::int32_t high_scores_right2 = 0;
    std::int32_t high_scores_count = 0;
    Rect easy_selection_rect, medium_selection_rect, hard_selection_rect;
    std::int32_t selection = -1;  // -1 none, 0 easy, 1 medium, 2 hard
    const void* clickSound = nullptr;

  private:
    void startSelectedGame();
};
