// Placeholder until the key-assignment screen lands: it leaves at once.
#include "front/controls_wnd.h"

#include "platform/messages.h"
#include "shell/resource_ids.h"
#include "shell/screen_switching.h"

CQuarvelControlsWnd::~CQuarvelControlsWnd() = default;

std::int32_t CQuarvelControlsWnd::onMessage(std::uint32_t message, WParam wParam, LParam) {
    if (message == WM_COMMAND && LowWord(wParam) == IDM_SCREEN_KEY) leave(false);
    return 0;
}

void CQuarvelControlsWnd::onLeave() {
    backDC = nullptr;
}

void CQuarvelControlsWnd::activate(WindowHandle mainWindow, SurfaceHandle backBuffer) {
    window = mainWindow;
    backDC = backBuffer;
}

void CQuarvelControlsWnd::draw(SurfaceHandle) {}

void CQuarvelControlsWnd::leave(bool) {
    LeaveControlsScreen(window);
}
