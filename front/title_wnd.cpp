#include "front/title_wnd.h"

#include <algorithm>

#include "platform/phone_shell/phone_shell.h"
#include "platform/resources/resources.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/sound/sound.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/layout_text.h"
#include "shell/records/options.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"

namespace {

constexpr Colour HIGHLIGHT_COLOUR = Rgb(255, 255, 128);
constexpr Colour TEXT_COLOUR = Rgb(255, 255, 255);
constexpr std::int32_t OUTLINE_CORNER = 5;
constexpr std::int32_t TEXT_BUFFER = 256;

}  // namespace

CQuarvelSplashWnd::~CQuarvelSplashWnd() {
    onLeave();
}

void CQuarvelSplashWnd::onLeave() {
    if (titlePicture != nullptr) DeleteBitmap(titlePicture);
    titlePicture = nullptr;
}

void CQuarvelSplashWnd::activate(WindowHandle mainWindow, SurfaceHandle backBuffer) {
    onLeave();
    titlePicture = LoadBitmapResource(resourcePack, IDB_TITLE);
    window = mainWindow;
    backDC = backBuffer;
    selection = -1;
    // Pixel numbers clamped (GetLayoutPixels): the rows' arithmetic cannot overflow.
    high_scores_line_height = GetLayoutPixels("high_scores_line_height");
    high_scores_top = GetLayoutPixels("high_scores_top");
    high_scores_left1 = GetLayoutPixels("high_scores_left1");
    high_scores_right1 = GetLayoutPixels("high_scores_right1");
    high_scores_left2 = GetLayoutPixels("high_scores_left2");
    high_scores_right2 = GetLayoutPixels("high_scores_right2");
    high_scores_count = GetLayoutInt("high_scores_count", 0);
    easy_selection_rect = GetLayoutRect("easy_selection_rect");
    medium_selection_rect = GetLayoutRect("medium_selection_rect");
    hard_selection_rect = GetLayoutRect("hard_selection_rect");
    clickSound = FindResource(resourcePack, SND_DROP, WAVE_TYPE).bytes;
    if (WindowHandle bar = FindMenuBar(window)) SendMessage(bar, TB_HIDEBUTTON, IDM_SCREEN_KEY, 1);
    PostMessage(window, WM_TITLE_REDRAW, 0, 0);
}

void CQuarvelSplashWnd::draw(SurfaceHandle given) {
    ScreenSurface screen(window, given);
    SurfaceHandle target = screen.get();
    if (target == nullptr) return;

    FillRect(backDC, Rect{0, 0, gameWidth, gameHeight}, GetStockBrush(StockBrush::White));
    {
        ScopedSurface picture(target, titlePicture);
        BlockCopy(backDC, 0, 0, screenWidth, screenHeight, picture.get(), 0, 0);
    }

    SelectBrush(backDC, GetStockBrush(StockBrush::Hollow));
    SelectPen(backDC, GetStockPen(StockPen::White));
    const Rect* outlined = selection == 0   ? &easy_selection_rect
                           : selection == 1 ? &medium_selection_rect
                           : selection == 2 ? &hard_selection_rect
                                            : nullptr;
    if (outlined != nullptr) {
        DrawRoundRect(backDC, outlined->left, outlined->top, outlined->right, outlined->bottom,
                      OUTLINE_CORNER, OUTLINE_CORNER);
    }

    FillDefaultHighScores();
    SetBackgroundMode(backDC, BackgroundMode::Transparent);
    Rect nameRect{high_scores_left1, high_scores_top, high_scores_right1,
                  high_scores_top + high_scores_line_height};
    Rect scoreRect{high_scores_left2, nameRect.top, high_scores_right2, nameRect.bottom};
    // The table has five rows; a larger count in the layout draws them all, no more.
    const std::int32_t rows = std::min(high_scores_count, HIGH_SCORE_COUNT);
    char16_t text[TEXT_BUFFER];
    for (std::int32_t i = 0; i < rows; ++i) {
        bool highlighted = i == highlightedRow;
        SelectFont(backDC, highlighted ? boldFont : normalFont);
        SetTextColour(backDC, highlighted ? HIGHLIGHT_COLOUR : TEXT_COLOUR);
        char16_t name[HIGH_SCORE_NAME_UNITS + 1];
        HighScoreName(highScores[i], name);
        FormatText(text, TEXT_BUFFER, u"%s", {name});
        DrawText(backDC, text, -1, nameRect, DT_VCENTER);
        FormatText(text, TEXT_BUFFER, u"%d", {highScores[i].score});
        DrawText(backDC, text, -1, scoreRect, DT_VCENTER);
        nameRect.top += high_scores_line_height;
        nameRect.bottom += high_scores_line_height;
        scoreRect.top = nameRect.top;
        scoreRect.bottom = nameRect.bottom;
    }

    SelectFont(backDC, normalFont);
    BlockCopy(target, 0, 0, screenWidth, screenHeight, backDC, 0, 0);
}

void CQuarvelSplashWnd::playClickSound() {
    if (options.sound_on && clickSound != nullptr) {
        PlaySound(clickSound, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }
}

std::int32_t CQuarvelSplashWnd::hitTest(LParam lParam) const {
    const Point point{LowWord(static_cast<std::uintptr_t>(lParam)),
                      HighWord(static_cast<std::uintptr_t>(lParam))};
    if (PointInRect(easy_selection_rect, point)) return 0;
    if (PointInRect(medium_selection_rect, point)) return 1;
    if (PointInRect(hard_selection_rect, point)) return 2;
    return -1;
}

void CQuarvelSplashWnd::startSelectedGame() {
    if (selection < 0 || selection > 2) return;
    StartGame(window, DIFFICULTIES[selection].junkRows, DIFFICULTIES[selection].startLevel);
}

std::int32_t CQuarvelSplashWnd::onMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_PAINT:
            PaintScreen(window, [this](SurfaceHandle surface) { draw(surface); });
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ACTION) {
                startSelectedGame();
                playClickSound();
            } else if (wParam == VK_UP) {
                selection = selection - 1 < 0 ? 2 : selection - 1;
                draw(nullptr);
                playClickSound();
            } else if (wParam == VK_DOWN) {
                selection = selection + 1 > 2 ? 0 : selection + 1;
                draw(nullptr);
                playClickSound();
            }
            break;
        case WM_LBUTTONDOWN:
            selection = hitTest(lParam);
            draw(nullptr);
            break;
        case WM_LBUTTONUP:
            selection = hitTest(lParam);
            draw(nullptr);
            startSelectedGame();
            break;
        case WM_TITLE_REDRAW:
            draw(nullptr);
            break;
        default:
            break;
    }
    return 0;
}
