// Soft-key menu bars: one bar window per owner over the bottom strip, its two
// buttons, the toolbar messages, and the public operations on bars and menus.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal/input_filter.h"
#include "platform/internal/menu_bar.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/keys.h"
#include "platform/windows/windows.h"

namespace menu_bar {

MenuBars& State() {
    static MenuBars bars;
    return bars;
}

bool Alive(const Bar* bar) {
    return IsWindow(bar->window) &&
           GetWindowData(bar->window) == reinterpret_cast<std::intptr_t>(bar);
}

// The bar behind a window of ours, or null.
Bar* BarOf(WindowHandle window) {
    auto* candidate = reinterpret_cast<Bar*>(GetWindowData(window));
    for (const auto& bar : State().bars) {
        if (bar.get() == candidate && bar->window == window) return bar.get();
    }
    return nullptr;
}

bool Usable(const SoftKey& key) {
    return (key.state & TBSTATE_ENABLED) != 0 && (key.state & TBSTATE_HIDDEN) == 0;
}

// Forgets bars whose windows went away without being destroyed (a reset of the
// window manager), and a menu that belonged to one.
void Prune() {
    MenuBars& s = State();
    if (s.menu.bar != nullptr && !Alive(s.menu.bar)) s.menu = OpenMenu{};
    std::erase_if(s.bars, [](const std::unique_ptr<Bar>& bar) { return !Alive(bar.get()); });
}

Bar* TopBar() {
    Bar* top = nullptr;
    for (const auto& bar : State().bars) {
        if (Alive(bar.get()) && IsWindowVisible(bar->window) &&
            (top == nullptr || bar->serial > top->serial)) {
            top = bar.get();
        }
    }
    return top;
}

bool KnownMenu(const MenuObject* wanted, const MenuObject* menu) {
    if (menu == nullptr) return false;
    if (menu == wanted) return true;
    for (const MenuItem& item : menu->items) {
        if (KnownMenu(wanted, item.submenu.get())) return true;
    }
    return false;
}

// Whether the handle is a menu of a live bar (a stale handle is refused).
bool KnownMenu(const MenuObject* menu) {
    if (menu == nullptr) return false;
    for (const auto& bar : State().bars) {
        for (const SoftKey& key : bar->keys) {
            if (KnownMenu(menu, key.menu.get())) return true;
        }
    }
    return false;
}

MenuItem* FindCommand(MenuObject* menu, std::uint32_t command) {
    for (MenuItem& item : menu->items) {
        if (item.kind == MenuItem::Kind::Command && item.command == command) return &item;
        if (item.submenu != nullptr) {
            if (MenuItem* found = FindCommand(item.submenu.get(), command)) return found;
        }
    }
    return nullptr;
}

bool Selectable(const MenuItem& item) {
    return item.kind == MenuItem::Kind::Submenu ||
           (item.kind == MenuItem::Kind::Command && !item.grayed);
}

}  // namespace menu_bar

using namespace menu_bar;

namespace {

constexpr const char16_t* BAR_CLASS = u"PhoneMenuBar";
constexpr std::size_t MAX_LABEL = 255;

constexpr Colour PRESSED_COLOUR = Rgb(62, 108, 178);
constexpr Colour DISABLED_TEXT = Rgb(128, 134, 146);

// The keyboard marker of the text-input panel: a small key cap with rows of keys.
void DrawKeyboardMarker(SurfaceHandle surface, std::int32_t cx, std::int32_t cy) {
    std::int32_t w = 20, h = 12;
    Rect outer{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
    FillColour(surface, outer, PHONE_SHELL_TEXT_COLOUR);
    FillColour(surface, Rect{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1},
               PHONE_SHELL_BAR_COLOUR);
    for (std::int32_t row = 0; row < 2; ++row) {
        for (std::int32_t col = 0; col < 6; ++col) {
            std::int32_t x = outer.left + 2 + col * 3 + row;
            std::int32_t y = outer.top + 2 + row * 3;
            if (x + 2 <= outer.right - 2)
                FillColour(surface, Rect{x, y, x + 2, y + 2}, PHONE_SHELL_TEXT_COLOUR);
        }
    }
    FillColour(surface, Rect{outer.left + 5, outer.top + 8, outer.right - 5, outer.top + 10},
               PHONE_SHELL_TEXT_COLOUR);
}

void PaintBar(WindowHandle window, Bar* bar) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    Rect client = GetClientRect(window);
    FillColour(surface, client, PHONE_SHELL_BAR_COLOUR);
    FillColour(surface, Rect{0, 0, client.right, 1}, PHONE_SHELL_BAR_EDGE);
    std::int32_t half = client.right / 2;
    std::int32_t pad = client.bottom / 3 + 2;
    bool panel = InputPanelUp();
    if (panel) DrawKeyboardMarker(surface, half, (client.bottom + 1) / 2);
    if (bar != nullptr) {
        SelectFont(surface, PhoneShellFont(true));
        SetBackgroundMode(surface, BackgroundMode::Transparent);
        const OpenMenu& menu = State().menu;
        for (std::size_t i = 0; i < bar->keys.size() && i < 2; ++i) {
            const SoftKey& key = bar->keys[i];
            if (key.state & TBSTATE_HIDDEN) continue;
            auto index = static_cast<std::int32_t>(i);
            bool pressed = bar->keyHeld == index || bar->penHeld == index ||
                           (menu.bar == bar && menu.key == index);
            // The label and, for a menu, an up-arrow after it, as one block.
            std::int32_t textWidth = 0, textHeight = 0;
            MeasureText(surface, key.label.c_str(), -1, textWidth, textHeight);
            std::int32_t arrow = key.menu != nullptr ? 9 : 0;
            std::int32_t room = half - pad - (panel ? 14 : 4) - (arrow ? arrow + 4 : 0);
            textWidth = std::min(textWidth, std::max(room, 0));
            std::int32_t block = textWidth + (arrow ? arrow + 4 : 0);
            std::int32_t left = i == 0 ? pad : client.right - pad - block;
            if (pressed && block > 0) {
                PenHandle pen = CreateSolidPen(1, PRESSED_COLOUR);
                BrushHandle brush = CreateSolidBrush(PRESSED_COLOUR);
                SelectPen(surface, pen);
                SelectBrush(surface, brush);
                DrawRoundRect(surface, left - 6, 3, left + block + 6, client.bottom - 2, 8, 8);
                SelectPen(surface, GetStockPen(StockPen::Black));
                SelectBrush(surface, GetStockBrush(StockBrush::White));
                DeletePen(pen);
                DeleteBrush(brush);
            }
            Colour colour = Usable(key) ? PHONE_SHELL_TEXT_COLOUR : DISABLED_TEXT;
            SetTextColour(surface, colour);
            DrawText(surface, key.label.c_str(), -1, Rect{left, 1, left + textWidth, client.bottom},
                     DT_VCENTER);
            if (arrow) {
                std::int32_t x = left + textWidth + 4, cy = (client.bottom + 1) / 2;
                DrawArrow(surface, Rect{x, cy - 3, x + arrow, cy + 3}, ArrowDirection::Up, colour);
            }
        }
        SelectFont(surface, nullptr);
    }
    EndPaint(window, paint);
}

// ---- The bar window ----

SoftKey* FindButton(Bar* bar, WParam command, std::int32_t& index) {
    for (std::size_t i = 0; i < bar->keys.size(); ++i) {
        if (bar->keys[i].command == command) {
            index = static_cast<std::int32_t>(i);
            return &bar->keys[i];
        }
    }
    return nullptr;
}

LResult ButtonMessage(Bar* bar, std::uint32_t message, WParam wParam, LParam lParam) {
    std::int32_t index = -1;
    SoftKey* key = FindButton(bar, wParam, index);
    auto* info = reinterpret_cast<ButtonInfo*>(lParam);  // get and set only
    bool goodInfo = message != TB_HIDEBUTTON && info != nullptr && info->size == BUTTON_INFO_SIZE;
    switch (message) {
        case TB_GETBUTTONINFO:
            if (key == nullptr || !goodInfo) return -1;
            if (info->mask & TBIF_STATE) info->state = key->state;
            if (info->mask & TBIF_COMMAND) info->command = static_cast<std::int32_t>(key->command);
            if ((info->mask & TBIF_TEXT) && info->text != nullptr && info->textLength > 0) {
                std::size_t n =
                    std::min(key->label.size(), static_cast<std::size_t>(info->textLength) - 1);
                std::copy_n(key->label.begin(), n, info->text);
                info->text[n] = 0;
            }
            return index;
        case TB_SETBUTTONINFO:
            if (key == nullptr || !goodInfo) return 0;
            if (info->mask & TBIF_STATE) key->state = info->state;
            if ((info->mask & TBIF_TEXT) && info->text != nullptr) {
                std::size_t limit =
                    info->textLength > 0
                        ? std::min(static_cast<std::size_t>(info->textLength), MAX_LABEL)
                        : MAX_LABEL;
                std::size_t n = 0;
                while (n < limit && info->text[n] != 0)
                    ++n;
                key->label.assign(info->text, n);
            }
            ButtonsChanged(bar);
            return 1;
        case TB_HIDEBUTTON:
            if (key == nullptr) return 0;
            if (lParam != 0) {
                key->state |= TBSTATE_HIDDEN;
            } else {
                key->state &= static_cast<std::uint8_t>(~TBSTATE_HIDDEN);
            }
            ButtonsChanged(bar);
            return 1;
        default:
            return 0;
    }
}

LResult BarProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    Bar* bar = BarOf(window);
    switch (message) {
        case WM_PAINT:
            PaintBar(window, bar);
            return 0;
        case WM_DESTROY:
            if (bar != nullptr) {
                if (State().menu.bar == bar) CloseMenu();
                std::erase_if(State().bars,
                              [bar](const std::unique_ptr<Bar>& b) { return b.get() == bar; });
            }
            return 0;
        case TB_GETBUTTONINFO:
        case TB_SETBUTTONINFO:
        case TB_HIDEBUTTON:
            return bar != nullptr ? ButtonMessage(bar, message, wParam, lParam)
                                  : (message == TB_GETBUTTONINFO ? -1 : 0);
        case SHCMBM_OVERRIDEKEY: {
            if (bar == nullptr || wParam >= KEY_CODE_COUNT) return 0;
            std::uint32_t mask =
                LowWord(static_cast<std::uintptr_t>(lParam)) & (SHMBOF_NODEFAULT | SHMBOF_NOTIFY);
            std::uint32_t values = HighWord(static_cast<std::uintptr_t>(lParam));
            std::uint32_t& flags = bar->overrides[static_cast<std::uint32_t>(wParam)];
            flags = (flags & ~mask) | (values & mask);
            return 1;
        }
        default:
            return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

bool CreateBar(WindowHandle parent, std::vector<SoftKey> keys, WindowHandle& created) {
    if (!IsWindow(parent)) return false;
    Prune();
    SetInputFilter(MenuBarInputFilter);
    if (WindowHandle old = FindMenuBar(parent)) DestroyWindow(old);

    WindowClass barClass;
    barClass.procedure = BarProcedure;
    barClass.name = BAR_CLASS;
    RegisterWindowClass(barClass);  // fails harmlessly when already registered
    std::int32_t strip = PhoneShellStripHeight();
    WindowHandle window =
        CreateWindow(BAR_CLASS, u"", WS_POPUP | WS_NOACTIVATE, 0, GetScreenHeight() - strip,
                     GetScreenWidth(), strip, parent, nullptr, nullptr);
    if (window == nullptr) return false;
    auto bar = std::make_unique<Bar>();
    bar->window = window;
    bar->owner = parent;
    bar->serial = State().nextSerial++;
    bar->keys = std::move(keys);
    SetWindowData(window, reinterpret_cast<std::intptr_t>(bar.get()));
    State().bars.push_back(std::move(bar));
    ShowWindow(window, SW_SHOW);
    created = window;
    return true;
}

}  // namespace

// ---- Public interface ----

bool CreateMenuBarFromText(WindowHandle parent, const char* text, WindowHandle& bar) {
    std::vector<SoftKey> keys;
    if (text == nullptr || !ParseMenuBarText(text, keys)) return false;
    return CreateBar(parent, std::move(keys), bar);
}

bool CreateMenuBar(MenuBarCreateInfo& info) {
    if (info.size != MENU_BAR_CREATE_SIZE) return false;
    ResourceData data = FindResource(info.module, info.resourceId, RT_MENUBAR);
    std::vector<SoftKey> keys;
    if (data.bytes == nullptr ||
        !ParseMenuBarText(std::string_view(reinterpret_cast<const char*>(data.bytes), data.size),
                          keys)) {
        return false;
    }
    return CreateBar(info.parent, std::move(keys), info.menuBar);
}

WindowHandle FindMenuBar(WindowHandle window) {
    if (window == nullptr) return nullptr;
    Prune();
    for (const auto& bar : State().bars) {
        if (bar->owner == window && IsWindow(window)) return bar->window;
    }
    return nullptr;
}

std::int32_t CheckMenuItem(MenuHandle menu, std::uint32_t command, std::uint32_t flags) {
    Prune();
    MenuItem* item = KnownMenu(menu) ? FindCommand(menu, command) : nullptr;
    if (item == nullptr) return -1;
    std::int32_t previous = item->checked ? MF_CHECKED : MF_UNCHECKED;
    item->checked = (flags & MF_CHECKED) != 0;
    for (const Level& level : State().menu.levels)
        InvalidateRect(level.window, nullptr, false);
    return previous;
}

std::int32_t EnableMenuItem(MenuHandle menu, std::uint32_t command, std::uint32_t flags) {
    Prune();
    MenuItem* item = KnownMenu(menu) ? FindCommand(menu, command) : nullptr;
    if (item == nullptr) return -1;
    std::int32_t previous = item->grayed ? MF_GRAYED : MF_ENABLED;
    item->grayed = (flags & MF_GRAYED) != 0;
    for (const Level& level : State().menu.levels)
        InvalidateRect(level.window, nullptr, false);
    return previous;
}

MenuHandle SoftKeyMenu(WindowHandle window, std::int32_t index) {
    Prune();
    Bar* bar = window != nullptr ? BarOf(window) : nullptr;
    if (bar == nullptr || index < 0 || index >= static_cast<std::int32_t>(bar->keys.size())) {
        return nullptr;
    }
    return bar->keys[static_cast<std::size_t>(index)].menu.get();
}

void RedrawMenuBars() {
    Prune();
    for (const auto& bar : State().bars)
        InvalidateBar(bar.get());
}
