#include "front/controls_wnd.h"

#include "front/key_names.h"
#include "platform/dialogs/dialogs.h"
#include "platform/resources/resources.h"
#include "platform/runtime/app_keys.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"
#include "shell/back_buffer.h"
#include "shell/records/control_layout.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/screen_switching.h"
#include "shell/soft_keys.h"

PendingKey pendingKeys[CONTROLS_ROW_COUNT] = {
    {IDS_FIRST_ACTION, 0},     {IDS_FIRST_ACTION + 1, 0}, {IDS_FIRST_ACTION + 2, 0},
    {IDS_FIRST_ACTION + 3, 0}, {IDS_FIRST_ACTION + 4, 0},
};
std::uint32_t lastKeyTime = 0;
bool keyPressAccepted = false;

namespace {

constexpr std::int32_t LABEL_BUFFER = 100;
constexpr std::int32_t QUESTION_BUFFER = 256;
constexpr std::int32_t SAVED_TEXT_CAPACITY = 100;
constexpr const char16_t* PRESS_A_BUTTON = u"Press a button";

// Row i of the screen edits this field of the key layout.
constexpr std::int32_t CQuarvelControlLayout::*LAYOUT_FIELDS[CONTROLS_ROW_COUNT] = {
    &CQuarvelControlLayout::move_left_key, &CQuarvelControlLayout::move_right_key,
    &CQuarvelControlLayout::rotate_cw_key, &CQuarvelControlLayout::rotate_ccw_key,
    &CQuarvelControlLayout::drop_key,
};

std::uint32_t RowLabelId(std::int32_t row) {
    return IDS_FIRST_ACTION + static_cast<std::uint32_t>(row);
}

// Half the width of the game area: where the labels end and the values begin.
std::int32_t HalfWidth() {
    return gameWidth / 2;
}

}  // namespace

void SetPendingKey(std::uint32_t labelId, std::uint32_t key) {
    for (PendingKey& entry : pendingKeys) {
        if (entry.labelId == labelId) entry.key = key;
    }
}

std::uint32_t GetPendingKey(std::uint32_t labelId) {
    for (const PendingKey& entry : pendingKeys) {
        if (entry.labelId == labelId) return entry.key;
    }
    return 0;
}

Rect ControlsLabelRect(std::int32_t row) {
    return Rect{5, 12 + 21 * row, HalfWidth() - 12, 33 + 21 * row};
}

Rect ControlsValueRect(std::int32_t row) {
    return Rect{HalfWidth() - 7, 13 + 21 * row, gameWidth - 10, 32 + 21 * row};
}

CQuarvelControlsWnd::~CQuarvelControlsWnd() {
    // A screen that was left has given everything back already; and once the
    // main window is gone there is no soft-key bar to give anything back to.
    if (shown) restoreSoftKeys();
}

void CQuarvelControlsWnd::restoreSoftKeys() {
    if (hidMenuButton) SetSoftKeyVisible(this, IDM_MENU_KEY, true);
    SetSoftKeyVisible(this, IDM_SCREEN_KEY, savedButtonVisible);
    SetSoftKeyText(this, IDM_SCREEN_KEY, savedButtonText);
}

void CQuarvelControlsWnd::onLeave() {
    restoreSoftKeys();
    backDC = nullptr;
    shown = false;
}

void CQuarvelControlsWnd::activate(WindowHandle mainWindow, SurfaceHandle backBuffer) {
    window = mainWindow;
    backDC = backBuffer;
    // Every application key comes here as a key message while the screen is shown.
    for (std::uint32_t code = VK_APP1; code <= VK_APP6; ++code)
        AssociateAppKey(code, window);
    for (std::int32_t row = 0; row < CONTROLS_ROW_COUNT; ++row) {
        SetPendingKey(RowLabelId(row),
                      static_cast<std::uint32_t>(controlLayout.*LAYOUT_FIELDS[row]));
    }
    captureRow = 0;
    cursorRow = 0;
    hidMenuButton = false;
    savedButtonVisible = false;
    swallowReturn = false;
    if (IsSoftKeyVisible(this, IDM_MENU_KEY)) {
        SetSoftKeyVisible(this, IDM_MENU_KEY, false);
        hidMenuButton = true;
    }
    savedButtonText[0] = 0;  // stays empty when there is no bar to read from
    GetSoftKeyText(this, IDM_SCREEN_KEY, savedButtonText, SAVED_TEXT_CAPACITY);
    savedButtonVisible = IsSoftKeyVisible(this, IDM_SCREEN_KEY);
    SetSoftKeyLabel(this, IDM_SCREEN_KEY, IDS_CONTROLS_SOFT_KEY);
    SetSoftKeyVisible(this, IDM_SCREEN_KEY, true);
    shown = true;
}

void CQuarvelControlsWnd::leave(bool keep) {
    if (keep) {
        for (std::int32_t row = 0; row < CONTROLS_ROW_COUNT; ++row) {
            controlLayout.*LAYOUT_FIELDS[row] =
                static_cast<std::int32_t>(GetPendingKey(RowLabelId(row)));
        }
    }
    controlLayout.claimAppKeys(nullptr);
    controlLayout.claimAppKeys(window);
    LeaveControlsScreen(window);
}

void CQuarvelControlsWnd::draw(SurfaceHandle given) {
    ScreenSurface screen(window, given);
    SurfaceHandle target = screen.get();
    if (target == nullptr) return;

    // The font and the transparent text background are those the other screens
    // leave selected in the back buffer.
    SelectBrush(backDC, GetStockBrush(StockBrush::White));
    PenHandle previousPen = SelectPen(backDC, GetStockPen(StockPen::White));
    SetTextColour(backDC, Rgb(0, 0, 0));
    DrawRectangle(backDC, 0, 0, gameWidth, gameHeight);

    PenHandle greyPen = CreateSolidPen(0, CONTROLS_GREY);
    char16_t text[LABEL_BUFFER];
    for (std::int32_t row = 0; row < CONTROLS_ROW_COUNT; ++row) {
        SelectPen(backDC, greyPen);
        LoadString(resourcePack, RowLabelId(row), text, LABEL_BUFFER);
        DrawText(backDC, text, -1, ControlsLabelRect(row), DT_RIGHT | DT_VCENTER);

        const bool capturing = row == captureRow;
        const Rect box = ControlsValueRect(row);
        SelectBrush(backDC, GetStockBrush(capturing ? StockBrush::LightGrey : StockBrush::White));
        DrawRectangle(backDC, box.left, box.top, box.right, box.bottom);
        const char16_t* value =
            capturing ? PRESS_A_BUTTON : keyName(GetPendingKey(RowLabelId(row)), text);
        DrawText(backDC, value, -1, box, DT_CENTER | DT_VCENTER);
        if (row == cursorRow) {
            DrawFocusRect(backDC, Rect{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
        }
    }
    // A pen still selected cannot be deleted.
    SelectPen(backDC, previousPen != nullptr ? previousPen : GetStockPen(StockPen::White));
    DeletePen(greyPen);

    BlockCopy(target, 0, 0, gameWidth, gameHeight, backDC, 0, 0);
}

std::int32_t CQuarvelControlsWnd::hitTest(LParam lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    const Point point{LowWord(bits), HighWord(bits)};
    for (std::int32_t row = 0; row < CONTROLS_ROW_COUNT; ++row) {
        if (PointInRect(ControlsValueRect(row), point)) return row;
    }
    return -1;
}

void CQuarvelControlsWnd::keyPress(std::uint32_t code) {
    const std::uint32_t now = GetTickCount();
    if (keyPressAccepted && now - lastKeyTime <= KEY_DEBOUNCE_MS) return;
    lastKeyTime = now;
    keyPressAccepted = true;

    if (captureRow >= 0 && captureRow < CONTROLS_ROW_COUNT) {
        if (!swallowReturn) {
            SetPendingKey(RowLabelId(captureRow), code);
            captureRow = captureRow + 1 == CONTROLS_ROW_COUNT ? -1 : captureRow + 1;
            if (code == VK_ACTION || code == VK_RETURN) swallowReturn = true;
            cursorRow = captureRow;
        }
    } else if (code == VK_DOWN) {
        cursorRow = (cursorRow + 1) % CONTROLS_ROW_COUNT;
    } else if (code == VK_UP) {
        cursorRow = cursorRow - 1 < 0 ? CONTROLS_ROW_COUNT - 1 : cursorRow - 1;
    }
    draw(nullptr);
}

void CQuarvelControlsWnd::keyRelease(std::uint32_t code) {
    if (captureRow == -1) {
        char16_t question[QUESTION_BUFFER];
        LoadString(resourcePack, IDS_KEEP_KEYS, question, QUESTION_BUFFER);
        leave(MessageBox(window, question, u"Quarvel", MB_YESNO) == IDYES);
        return;
    }
    if (code != VK_RETURN) return;
    if (swallowReturn) {
        swallowReturn = false;  // the release of the Enter just assigned
        return;
    }
    captureRow = cursorRow;
    draw(nullptr);
}

std::int32_t CQuarvelControlsWnd::onMessage(std::uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
        case WM_PAINT:
            PaintScreen(window, [this](SurfaceHandle surface) { draw(surface); });
            break;
        case WM_KEYDOWN:
        case WM_CHAR:
            keyPress(static_cast<std::uint32_t>(wParam));
            break;
        case WM_KEYUP:
            keyRelease(static_cast<std::uint32_t>(wParam));
            break;
        case WM_COMMAND:
            if (LowWord(wParam) == IDM_SCREEN_KEY) leave(false);
            break;
        case WM_LBUTTONDOWN:
            captureRow = hitTest(lParam);
            draw(nullptr);
            break;
        case WM_DESTROY:
            // The program ends while the screen is shown: the main window, its
            // soft-key bar and the back buffer are going away.
            window = nullptr;
            backDC = nullptr;
            shown = false;
            break;
        default:
            break;
    }
    return 0;
}
