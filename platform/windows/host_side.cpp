// The host side of the window manager: the host driver, the screen's size, input
// delivery, composing the screen from the top-level windows, and a reset.
#include <vector>

#include "platform/internal/drawing_internal.h"
#include "platform/internal/host_interface.h"
#include "platform/internal/window_manager.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/windows/windows.h"

using namespace window_manager;

void SetHostDriver(HostDriver* host) {
    Manager().host = host;
}

void SetInputFilter(InputFilter filter) {
    Manager().inputFilter = filter;
}

void SetScreenSize(std::int32_t width, std::int32_t height) {
    WindowManager& m = Manager();
    m.screenWidth = width;
    m.screenHeight = height;
    m.workArea = Rect{0, 0, width, height};
    SetPictureScreenSize(width, height);
    if (m.screen != nullptr) DeleteBitmap(m.screen);
    m.screen = nullptr;
    MarkScreenDirty();
}

void DeliverKey(std::uint32_t code, bool down) {
    bool wasDown = IsKeyDown(code);
    SetKeyDown(code, down);
    Manager().input.push_back(
        InputEvent{down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp, code, wasDown});
}

void DeliverChar(char16_t code) {
    Manager().input.push_back(InputEvent{InputEvent::Kind::Char, code});
}

void DeliverPen(PenAction action, std::int32_t x, std::int32_t y) {
    Manager().input.push_back(
        InputEvent{action == PenAction::Down ? InputEvent::Kind::PenDown : InputEvent::Kind::PenUp,
                   0, false, x, y});
}

void DeliverActivation(bool active) {
    Manager().input.push_back(
        InputEvent{active ? InputEvent::Kind::Activate : InputEvent::Kind::Deactivate});
}

void SetCharactersFromKeys(bool on) {
    Manager().charactersFromKeys = on;
}

bool InputPending() {
    return !Manager().input.empty();
}

namespace {

// Adds the parts of `r` outside `cut` to `out`: up to four rectangles.
void Subtract(const Rect& r, const Rect& cut, std::vector<Rect>& out) {
    const Rect inside = Intersect(r, cut);
    if (IsEmpty(inside)) {
        out.push_back(r);
        return;
    }
    if (r.top < inside.top) out.push_back(Rect{r.left, r.top, r.right, inside.top});
    if (inside.bottom < r.bottom) out.push_back(Rect{r.left, inside.bottom, r.right, r.bottom});
    if (r.left < inside.left) out.push_back(Rect{r.left, inside.top, inside.left, inside.bottom});
    if (inside.right < r.right) {
        out.push_back(Rect{inside.right, inside.top, r.right, inside.bottom});
    }
}

}  // namespace

BitmapHandle ComposeScreen(Rect* changedArea, Rect* differentArea, Bands* differentBands) {
    WindowManager& m = Manager();
    const Rect screenRect{0, 0, m.screenWidth, m.screenHeight};
    bool fresh = false;
    if (m.screen == nullptr) {
        m.screen = CreateBitmap(nullptr, m.screenWidth, m.screenHeight);
        m.screenDamage = WholeScreen();
        fresh = true;
    }
    Bands damage = m.screenDamage;
    damage.clip(screenRect);
    m.screenDamage.clear();
    Bands different;
    if (!damage.empty()) {
        // Only the damaged bands are composed again: the desktop, then each
        // visible top-level window from the bottom up. Only pixels that differ
        // are written.
        ScopedSurface target(nullptr, m.screen);
        ScopedSurface source;
        for (const Rect& band : damage) {
            if (fresh) different.add(band);
            // The white desktop only where no window covers it: each window's
            // bitmap covers its whole rectangle.
            std::vector<Rect> uncovered{band};
            for (WindowObject* w : m.zOrder) {
                if (!w->visible || w->bitmap == nullptr) continue;
                std::vector<Rect> left;
                for (const Rect& r : uncovered)
                    Subtract(r, w->rect, left);
                uncovered.swap(left);
                if (uncovered.empty()) break;
            }
            for (const Rect& r : uncovered) {
                FillRect(target.get(), r, GetStockBrush(StockBrush::White));
                different.add(r);
            }
            for (WindowObject* w : m.zOrder) {
                if (!w->visible || w->bitmap == nullptr) continue;
                const Rect part = Intersect(w->rect, band);
                if (IsEmpty(part)) continue;
                SelectBitmap(source.get(), w->bitmap);
                CopyDifferences(target.get(), part.left, part.top, part.right - part.left,
                                part.bottom - part.top, source.get(), part.left - w->rect.left,
                                part.top - w->rect.top, different);
            }
        }
    }
    if (changedArea != nullptr) *changedArea = damage.bounds();
    if (differentArea != nullptr) *differentArea = different.bounds();
    if (differentBands != nullptr) *differentBands = different;
    return m.screen;
}

WindowHandle ProgramMainWindow() {
    WindowObject* found = nullptr;
    for (WindowObject* w : Manager().zOrder) {
        if (w->parent == nullptr && !(w->style & WS_NOACTIVATE) &&
            (found == nullptr || w->serial < found->serial)) {
            found = w;
        }
    }
    return HandleOf(found);
}

void ResetWindowManager() {
    WindowManager& m = Manager();
    for (const auto& [handle, w] : m.windows) {
        if (w->bitmap != nullptr) DeleteBitmap(w->bitmap);
    }
    if (m.screen != nullptr) DeleteBitmap(m.screen);
    HostDriver* host = m.host;
    InputFilter filter = m.inputFilter;
    const std::uint64_t nextSerial = m.nextSerial;  // handles are never given twice
    m = WindowManager();
    m.host = host;
    m.inputFilter = filter;
    m.nextSerial = nextSerial;
    ClearPostedMessages();
}
