// Soft-key menu bars: one bar window per owner over the bottom strip, its two
// buttons and their popup menus, the toolbar messages, and the input filter that
// gives the soft keys, an open popup and overridden keys to the shell.
//
// Only the topmost visible bar (the most recently created of the visible ones)
// takes the soft keys; a bar whose owner is disabled takes none. A popup menu is
// a stack of popup windows, one per open level, driven by the input filter; no
// nested message loop runs while it is open.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/internal/input_filter.h"
#include "platform/internal/shell_internal.h"
#include "platform/keys.h"
#include "platform/phone_shell.h"
#include "platform/text.h"
#include "platform/windows.h"

namespace {

constexpr const char16_t* BAR_CLASS = u"QuarvelMenuBar";
constexpr const char16_t* POPUP_CLASS = u"QuarvelMenuPopup";
constexpr std::size_t MAX_LABEL = 255;

constexpr Colour PRESSED_COLOUR = Rgb(62, 108, 178);
constexpr Colour DISABLED_TEXT = Rgb(128, 134, 146);
constexpr Colour POPUP_BACKGROUND = Rgb(250, 250, 252);
constexpr Colour POPUP_BORDER = Rgb(58, 64, 78);
constexpr Colour POPUP_TEXT = Rgb(24, 26, 32);
constexpr Colour POPUP_GRAYED = Rgb(158, 160, 166);
constexpr Colour POPUP_HIGHLIGHT = Rgb(44, 100, 186);
constexpr Colour POPUP_HIGHLIGHT_GRAYED = Rgb(176, 192, 220);
constexpr Colour POPUP_SEPARATOR = Rgb(208, 210, 216);

struct Bar {
    WindowHandle window = nullptr;
    WindowHandle owner = nullptr;
    std::uint64_t serial = 0;
    std::vector<SoftKey> keys;
    std::int32_t keyHeld = -1;                         // button held down by its soft key
    std::int32_t penHeld = -1;                         // button held down by the stylus
    std::map<std::uint32_t, std::uint32_t> overrides;  // key code -> SHMBOF_ flags
};

// One open level of a popup menu: its window, the highlighted item and, when
// the items do not all fit, the first one shown.
struct Level {
    MenuObject* menu = nullptr;
    WindowHandle window = nullptr;
    std::int32_t highlight = -1;
    std::int32_t first = 0;
    bool scrolls = false;
};

struct OpenMenu {
    Bar* bar = nullptr;
    std::int32_t key = -1;
    std::vector<Level> levels;
};

struct Shell {
    std::vector<std::unique_ptr<Bar>> bars;
    OpenMenu menu;
    std::uint64_t nextSerial = 1;
    std::uint32_t swallowKey = 0;  // a key that closed the menu: its repeats and release
    bool swallowPenUp = false;     // a tap that closed the menu: its release
};

Shell& State() {
    static Shell shell;
    return shell;
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
    Shell& s = State();
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

// ---- Popup layout ----

struct PopupMetrics {
    std::int32_t itemHeight;
    std::int32_t separatorHeight;
    std::int32_t frame;  // border and inner margin
    std::int32_t checkWidth;
    std::int32_t arrowWidth;
    std::int32_t scrollHeight;
};

PopupMetrics Metrics() {
    std::int32_t strip = ShellStripHeight();
    // Eleven items fit above the soft keys of a 176 x 220 screen.
    std::int32_t item = strip >= 26 ? 22 : 17;
    return PopupMetrics{item, 7, 3, item - 4, 14, 10};
}

// The rectangles of the items shown (client coordinates), by item index.
std::vector<std::pair<std::int32_t, Rect>> ItemRects(const Level& level) {
    PopupMetrics m = Metrics();
    Rect client = GetClientRect(level.window);
    std::int32_t top = m.frame + (level.scrolls ? m.scrollHeight : 0);
    std::int32_t bottom = client.bottom - m.frame - (level.scrolls ? m.scrollHeight : 0);
    std::vector<std::pair<std::int32_t, Rect>> rects;
    const auto& items = level.menu->items;
    for (std::size_t i = static_cast<std::size_t>(std::max(level.first, 0)); i < items.size();
         ++i) {
        std::int32_t h =
            items[i].kind == MenuItem::Kind::Separator ? m.separatorHeight : m.itemHeight;
        if (top + h > bottom) break;
        rects.emplace_back(static_cast<std::int32_t>(i),
                           Rect{m.frame, top, client.right - m.frame, top + h});
        top += h;
    }
    return rects;
}

void EnsureVisible(Level& level) {
    if (level.highlight < 0) return;
    if (level.highlight < level.first) level.first = level.highlight;
    for (;;) {
        auto rects = ItemRects(level);
        if (rects.empty() || rects.back().first >= level.highlight) break;
        ++level.first;
    }
}

// The size a popup needs for its items, limited to `maxWidth` x `maxHeight`.
Rect PopupSize(const MenuObject& menu, std::int32_t maxWidth, std::int32_t maxHeight,
               bool& scrolls) {
    PopupMetrics m = Metrics();
    SurfaceHandle measure = CreateMemorySurface(nullptr);
    SelectFont(measure, ShellFont(false));
    std::int32_t textWidth = 0, height = 2 * m.frame;
    for (const MenuItem& item : menu.items) {
        if (item.kind == MenuItem::Kind::Separator) {
            height += m.separatorHeight;
            continue;
        }
        std::int32_t w = 0, h = 0;
        MeasureText(measure, item.text.c_str(), -1, w, h);
        textWidth = std::max(textWidth, w);
        height += m.itemHeight;
    }
    DeleteSurface(measure);
    std::int32_t width = 2 * m.frame + m.checkWidth + textWidth + 6 + m.arrowWidth;
    width = std::clamp(width, std::min(maxWidth, GetScreenWidth() * 2 / 5), maxWidth);
    scrolls = height > maxHeight;
    return Rect{0, 0, width, std::min(height, maxHeight)};
}

// ---- Drawing ----

void DrawCheck(SurfaceHandle surface, const Rect& box, Colour colour) {
    // A tick two pixels thick: a short stroke down to the right, a long one up.
    std::int32_t size = std::min(box.right - box.left, box.bottom - box.top) * 3 / 5;
    std::int32_t unit = std::max(size / 6, 1);
    std::int32_t x = box.left + (box.right - box.left - 6 * unit) / 2;
    std::int32_t y = box.top + (box.bottom - box.top) / 2;
    BrushHandle brush = CreateSolidBrush(colour);
    for (std::int32_t i = 0; i <= 2 * unit; ++i)
        FillRect(surface, Rect{x + i, y + i - unit, x + i + 2, y + i - unit + 2}, brush);
    for (std::int32_t i = 0; i <= 4 * unit; ++i)
        FillRect(surface,
                 Rect{x + 2 * unit + i, y + unit - i, x + 2 * unit + i + 2, y + unit - i + 2},
                 brush);
    DeleteBrush(brush);
}

void PaintPopup(WindowHandle window) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    const Level* level = nullptr;
    for (const Level& l : State().menu.levels) {
        if (l.window == window) level = &l;
    }
    Rect client = GetClientRect(window);
    FillColour(surface, client, POPUP_BORDER);
    FillColour(surface, Rect{1, 1, client.right - 1, client.bottom - 1}, POPUP_BACKGROUND);
    if (level != nullptr) {
        PopupMetrics m = Metrics();
        SelectFont(surface, ShellFont(false));
        SetBackgroundMode(surface, BackgroundMode::Transparent);
        for (const auto& [index, rect] : ItemRects(*level)) {
            const MenuItem& item = level->menu->items[static_cast<std::size_t>(index)];
            if (item.kind == MenuItem::Kind::Separator) {
                std::int32_t y = rect.top + (rect.bottom - rect.top) / 2;
                FillColour(surface, Rect{rect.left + 4, y, rect.right - 4, y + 1}, POPUP_SEPARATOR);
                continue;
            }
            bool highlighted = index == level->highlight;
            Colour text = item.grayed ? POPUP_GRAYED : POPUP_TEXT;
            if (highlighted) {
                FillColour(surface, rect, POPUP_HIGHLIGHT);
                text = item.grayed ? POPUP_HIGHLIGHT_GRAYED : SHELL_TEXT_COLOUR;
            }
            Rect check{rect.left, rect.top, rect.left + m.checkWidth, rect.bottom};
            if (item.checked) DrawCheck(surface, check, text);
            SetTextColour(surface, text);
            Rect label{check.right, rect.top, rect.right - m.arrowWidth, rect.bottom};
            DrawText(surface, item.text.c_str(), -1, label, DT_VCENTER);
            if (item.kind == MenuItem::Kind::Submenu) {
                std::int32_t cy = rect.top + (rect.bottom - rect.top) / 2;
                DrawArrow(surface,
                          Rect{rect.right - m.arrowWidth + 4, cy - 4, rect.right - 4, cy + 5},
                          ArrowDirection::Right, text);
            }
        }
        if (level->scrolls) {
            auto rects = ItemRects(*level);
            bool more = !rects.empty() && rects.back().first + 1 <
                                              static_cast<std::int32_t>(level->menu->items.size());
            std::int32_t cx = client.right / 2;
            if (level->first > 0) {
                DrawArrow(surface, Rect{cx - 5, m.frame + 2, cx + 6, m.frame + m.scrollHeight - 2},
                          ArrowDirection::Up, POPUP_BORDER);
            }
            if (more) {
                std::int32_t b = client.bottom - m.frame;
                DrawArrow(surface, Rect{cx - 5, b - m.scrollHeight + 2, cx + 6, b - 2},
                          ArrowDirection::Down, POPUP_BORDER);
            }
        }
        SelectFont(surface, nullptr);
    }
    EndPaint(window, paint);
}

// The keyboard marker of the text-input panel: a small key cap with rows of keys.
void DrawKeyboardMarker(SurfaceHandle surface, std::int32_t cx, std::int32_t cy) {
    std::int32_t w = 20, h = 12;
    Rect outer{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
    FillColour(surface, outer, SHELL_TEXT_COLOUR);
    FillColour(surface, Rect{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1},
               SHELL_BAR_COLOUR);
    for (std::int32_t row = 0; row < 2; ++row) {
        for (std::int32_t col = 0; col < 6; ++col) {
            std::int32_t x = outer.left + 2 + col * 3 + row;
            std::int32_t y = outer.top + 2 + row * 3;
            if (x + 2 <= outer.right - 2)
                FillColour(surface, Rect{x, y, x + 2, y + 2}, SHELL_TEXT_COLOUR);
        }
    }
    FillColour(surface, Rect{outer.left + 5, outer.top + 8, outer.right - 5, outer.top + 10},
               SHELL_TEXT_COLOUR);
}

void PaintBar(WindowHandle window, Bar* bar) {
    PaintInfo paint;
    SurfaceHandle surface = BeginPaint(window, paint);
    if (surface == nullptr) return;
    Rect client = GetClientRect(window);
    FillColour(surface, client, SHELL_BAR_COLOUR);
    FillColour(surface, Rect{0, 0, client.right, 1}, SHELL_BAR_EDGE);
    std::int32_t half = client.right / 2;
    std::int32_t pad = client.bottom / 3 + 2;
    bool panel = InputPanelUp();
    if (panel) DrawKeyboardMarker(surface, half, (client.bottom + 1) / 2);
    if (bar != nullptr) {
        SelectFont(surface, ShellFont(true));
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
            Colour colour = Usable(key) ? SHELL_TEXT_COLOUR : DISABLED_TEXT;
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

// ---- Opening, moving in and closing popups ----

void InvalidateBar(Bar* bar) {
    if (bar != nullptr && Alive(bar)) InvalidateRect(bar->window, nullptr, false);
}

void CloseLevel() {
    OpenMenu& menu = State().menu;
    if (menu.levels.empty()) return;
    WindowHandle window = menu.levels.back().window;
    menu.levels.pop_back();
    DestroyWindow(window);
}

void CloseMenu() {
    OpenMenu& menu = State().menu;
    Bar* bar = menu.bar;
    while (!menu.levels.empty())
        CloseLevel();
    menu = OpenMenu{};
    InvalidateBar(bar);
}

void HighlightFirst(Level& level) {
    level.highlight = -1;
    const auto& items = level.menu->items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (Selectable(items[i])) {
            level.highlight = static_cast<std::int32_t>(i);
            break;
        }
    }
    EnsureVisible(level);
}

// Opens a level of the menu; `from` is the item of the level below that opens it
// (-1 for the soft key's popup). The owner hears WM_INITMENUPOPUP first.
void OpenLevel(MenuObject* submenu, std::int32_t from) {
    Shell& s = State();
    Bar* bar = s.menu.bar;
    if (bar == nullptr) return;
    std::size_t depth = s.menu.levels.size();
    SendMessage(bar->owner, WM_INITMENUPOPUP, reinterpret_cast<WParam>(submenu),
                from < 0 ? 0 : from);
    // The owner may have closed the menu or destroyed the bar meanwhile.
    if (s.menu.bar != bar || !Alive(bar) || s.menu.levels.size() != depth || !KnownMenu(submenu)) {
        return;
    }

    Rect barRect = GetWindowRect(bar->window);
    std::int32_t screenWidth = GetScreenWidth();
    Level level;
    level.menu = submenu;
    Rect size = PopupSize(*submenu, screenWidth, std::max(barRect.top, 1), level.scrolls);
    std::int32_t width = size.right, height = size.bottom;
    std::int32_t x = 0, y = barRect.top - height;
    if (depth == 0) {
        x = s.menu.key == 0 ? 0 : screenWidth - width;
    } else {
        // Beside the item that opened it, to the right if it fits, else to the left.
        const Level& parent = s.menu.levels.back();
        Rect parentRect = GetWindowRect(parent.window);
        for (const auto& [index, rect] : ItemRects(parent)) {
            if (index == from) y = parentRect.top + rect.top - Metrics().frame;
        }
        x = parentRect.right - 8;
        if (x + width > screenWidth) x = parentRect.left - width + 8;
        x = std::clamp(x, 0, std::max(screenWidth - width, 0));
        y = std::clamp(y, 0, std::max(barRect.top - height, 0));
    }
    WindowClass popupClass;
    popupClass.procedure = [](WindowHandle w, std::uint32_t message, WParam wParam,
                              LParam lParam) -> LResult {
        if (message == WM_PAINT) {
            PaintPopup(w);
            return 0;
        }
        return DefaultWindowProcedure(w, message, wParam, lParam);
    };
    popupClass.name = POPUP_CLASS;
    RegisterWindowClass(popupClass);
    level.window = CreateWindow(POPUP_CLASS, u"", WS_POPUP | WS_NOACTIVATE, x, y, width, height,
                                bar->window, nullptr, nullptr);
    if (level.window == nullptr) return;
    HighlightFirst(level);
    s.menu.levels.push_back(level);
    ShowWindow(level.window, SW_SHOW);
}

void OpenMenuOf(Bar* bar, std::int32_t key) {
    Shell& s = State();
    if (s.menu.bar != nullptr) CloseMenu();
    s.menu.bar = bar;
    s.menu.key = key;
    InvalidateBar(bar);
    OpenLevel(bar->keys[static_cast<std::size_t>(key)].menu.get(), -1);
    if (s.menu.bar == bar && s.menu.levels.empty()) CloseMenu();
}

void Choose(const MenuItem& item) {
    Bar* bar = State().menu.bar;
    WindowHandle owner = bar->owner;
    std::uint32_t command = item.command;
    std::string text = Utf16ToUtf8(item.text);
    CloseMenu();
    LogEvent("menu command " + std::to_string(command) + " \"" + text + "\"");
    PostMessage(owner, WM_COMMAND, command, 0);
}

// Enters the submenu of an item or chooses the item.
void Activate(std::int32_t index) {
    Level& level = State().menu.levels.back();
    if (index < 0 || index >= static_cast<std::int32_t>(level.menu->items.size())) return;
    MenuItem& item = level.menu->items[static_cast<std::size_t>(index)];
    if (item.kind == MenuItem::Kind::Submenu) {
        OpenLevel(item.submenu.get(), index);
    } else if (item.kind == MenuItem::Kind::Command && !item.grayed) {
        Choose(item);
    }
}

void MoveHighlight(Level& level, std::int32_t step) {
    auto count = static_cast<std::int32_t>(level.menu->items.size());
    std::int32_t at = level.highlight < 0 ? (step > 0 ? -1 : count) : level.highlight;
    for (std::int32_t tries = 0; tries < count; ++tries) {
        at = ((at + step) % count + count) % count;
        if (Selectable(level.menu->items[static_cast<std::size_t>(at)])) {
            level.highlight = at;
            EnsureVisible(level);
            InvalidateRect(level.window, nullptr, false);
            return;
        }
    }
}

// A key while the menu is open; every key goes to it.
void MenuKey(std::uint32_t code, bool repeat) {
    Shell& s = State();
    Level& level = s.menu.levels.back();
    switch (code) {
        case VK_UP:
        case VK_DOWN:
            MoveHighlight(level, code == VK_UP ? -1 : 1);
            break;
        case VK_RIGHT:
        case VK_RETURN:
        case VK_ACTION:
            if (!repeat) Activate(level.highlight);
            break;
        case VK_LEFT:
        case VK_ESCAPE:
            if (!repeat) CloseLevel();
            break;
        case VK_F1:
        case VK_F2:
            if (!repeat) CloseMenu();
            break;
        default:
            break;
    }
    if (s.menu.bar != nullptr && s.menu.levels.empty()) CloseMenu();
    if (s.menu.bar == nullptr) s.swallowKey = code;
}

// A stylus message to a popup level.
void MenuPen(std::size_t levelIndex, const Message& m) {
    Shell& s = State();
    // A press on a level closes the levels above it; a release chooses on the
    // level the press went to.
    while (m.message == WM_LBUTTONDOWN && s.menu.levels.size() > levelIndex + 1)
        CloseLevel();
    Level& level = s.menu.levels[levelIndex];
    Point p{static_cast<std::int16_t>(LowWord(static_cast<std::uintptr_t>(m.lParam))),
            static_cast<std::int16_t>(HighWord(static_cast<std::uintptr_t>(m.lParam)))};
    std::int32_t hit = -1;
    for (const auto& [index, rect] : ItemRects(level)) {
        if (PointInRect(rect, p)) hit = index;
    }
    if (m.message == WM_LBUTTONDOWN) {
        if (hit < 0 && level.scrolls) {
            // The scroll marks above and below the items.
            auto rects = ItemRects(level);
            if (p.y < GetClientRect(level.window).bottom / 2) {
                level.first = std::max(level.first - 1, 0);
            } else if (!rects.empty() && rects.back().first + 1 <
                                             static_cast<std::int32_t>(level.menu->items.size())) {
                ++level.first;
            }
            InvalidateRect(level.window, nullptr, false);
            return;
        }
        if (hit < 0 || !Selectable(level.menu->items[static_cast<std::size_t>(hit)])) return;
        level.highlight = hit;
        InvalidateRect(level.window, nullptr, false);
        if (level.menu->items[static_cast<std::size_t>(hit)].kind == MenuItem::Kind::Submenu) {
            Activate(hit);
        }
    } else if (hit >= 0 && hit == level.highlight) {
        const MenuItem& item = level.menu->items[static_cast<std::size_t>(hit)];
        if (item.kind == MenuItem::Kind::Command && !item.grayed) Choose(item);
    }
}

// ---- Pressing the buttons ----

void PressButton(Bar* bar, std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(bar->keys.size())) return;
    SoftKey& key = bar->keys[static_cast<std::size_t>(index)];
    if (!Usable(key)) return;
    if (key.menu != nullptr) {
        OpenMenuOf(bar, index);
        return;
    }
    LogEvent("softkey command " + std::to_string(key.command) + " \"" + Utf16ToUtf8(key.label) +
             "\"");
    PostMessage(bar->owner, WM_COMMAND, key.command, 0);
}

// After a button changed: drops a hold or an open menu it no longer allows.
void ButtonsChanged(Bar* bar) {
    Shell& s = State();
    auto unusable = [bar](std::int32_t i) {
        return i >= 0 && !Usable(bar->keys[static_cast<std::size_t>(i)]);
    };
    if (unusable(bar->keyHeld)) bar->keyHeld = -1;
    if (unusable(bar->penHeld)) bar->penHeld = -1;
    if (s.menu.bar == bar && unusable(s.menu.key)) CloseMenu();
    InvalidateBar(bar);
}

bool FilterKey(Message& m) {
    Shell& s = State();
    auto code = static_cast<std::uint32_t>(m.wParam);
    bool down = m.message == WM_KEYDOWN;
    bool up = m.message == WM_KEYUP;
    bool repeat = down && (m.lParam & KEY_WAS_DOWN) != 0;
    if (s.swallowKey != 0 && code == s.swallowKey && m.message != WM_CHAR) {
        if (up) s.swallowKey = 0;
        if (up || repeat) return true;
        s.swallowKey = 0;
    }
    if (up && (code == VK_F1 || code == VK_F2)) {
        for (const auto& bar : s.bars) {
            if (bar->keyHeld == (code == VK_F1 ? 0 : 1)) {
                bar->keyHeld = -1;
                InvalidateBar(bar.get());
            }
        }
    }
    if (s.menu.bar != nullptr) {
        if (down) MenuKey(code, repeat);
        return true;
    }
    Bar* top = TopBar();
    if (top == nullptr || !IsWindowEnabled(top->owner) || m.message == WM_CHAR) return false;
    auto found = top->overrides.find(code);
    std::uint32_t flags = found != top->overrides.end() ? found->second : 0;
    if ((flags & SHMBOF_NOTIFY) && down) {
        PostMessage(top->owner, WM_HOTKEY, 0, static_cast<LParam>(code) << 16);
    }
    if (flags & SHMBOF_NODEFAULT) return true;
    if (code != VK_F1 && code != VK_F2) return false;
    if (down && !repeat) {
        std::int32_t index = code == VK_F1 ? 0 : 1;
        if (index < static_cast<std::int32_t>(top->keys.size()) &&
            Usable(top->keys[static_cast<std::size_t>(index)])) {
            top->keyHeld = index;
            InvalidateBar(top);
            PressButton(top, index);
        }
    }
    return true;
}

bool FilterPen(Message& m) {
    Shell& s = State();
    bool down = m.message == WM_LBUTTONDOWN;
    if (!down && s.swallowPenUp) {
        s.swallowPenUp = false;
        return true;
    }
    if (s.menu.bar != nullptr) {
        for (std::size_t i = 0; i < s.menu.levels.size(); ++i) {
            if (s.menu.levels[i].window == m.window) {
                MenuPen(i, m);
                return true;
            }
        }
        // Anywhere else, a tap closes the menu and goes no further.
        if (down) {
            CloseMenu();
            s.swallowPenUp = true;
        }
        return true;
    }
    Bar* bar = BarOf(m.window);
    if (bar == nullptr) return false;
    std::int32_t x = static_cast<std::int16_t>(LowWord(static_cast<std::uintptr_t>(m.lParam)));
    std::int32_t index = x < GetClientRect(bar->window).right / 2 ? 0 : 1;
    bool usable = index < static_cast<std::int32_t>(bar->keys.size()) &&
                  Usable(bar->keys[static_cast<std::size_t>(index)]) && IsWindowEnabled(bar->owner);
    if (down) {
        bar->penHeld = usable ? index : -1;
        InvalidateBar(bar);
    } else if (bar->penHeld >= 0) {
        bool same = bar->penHeld == index;
        bar->penHeld = -1;
        InvalidateBar(bar);
        if (same && usable) PressButton(bar, index);
    }
    return true;
}

bool ShellInputFilter(Message& m) {
    Prune();
    // A menu whose bar was hidden (a dialog came up) or emptied goes away.
    OpenMenu& menu = State().menu;
    if (menu.bar != nullptr && (!IsWindowVisible(menu.bar->window) || menu.levels.empty())) {
        CloseMenu();
    }
    switch (m.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return FilterKey(m);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return FilterPen(m);
        default:
            return false;
    }
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
    SetInputFilter(ShellInputFilter);
    if (WindowHandle old = FindMenuBar(parent)) DestroyWindow(old);

    WindowClass barClass;
    barClass.procedure = BarProcedure;
    barClass.name = BAR_CLASS;
    RegisterWindowClass(barClass);  // fails harmlessly when already registered
    std::int32_t strip = ShellStripHeight();
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

namespace {

// The menu levels from `menu` down to the item with `command`: each level's menu
// and the index of the item that opened it (-1 for the top).
bool PathTo(MenuObject* menu, std::uint32_t command, std::int32_t from,
            std::vector<std::pair<MenuObject*, std::int32_t>>& path, MenuItem*& found) {
    path.emplace_back(menu, from);
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        MenuItem& item = menu->items[i];
        if (item.kind == MenuItem::Kind::Command && item.command == command) {
            found = &item;
            return true;
        }
        if (item.submenu != nullptr &&
            PathTo(item.submenu.get(), command, static_cast<std::int32_t>(i), path, found)) {
            return true;
        }
    }
    path.pop_back();
    return false;
}

}  // namespace

MenuHandle SoftKeyMenu(WindowHandle window, std::int32_t index) {
    Prune();
    Bar* bar = window != nullptr ? BarOf(window) : nullptr;
    if (bar == nullptr || index < 0 || index >= static_cast<std::int32_t>(bar->keys.size())) {
        return nullptr;
    }
    return bar->keys[static_cast<std::size_t>(index)].menu.get();
}

MenuChoice ChooseMenuCommand(std::uint32_t command) {
    Prune();
    Bar* bar = TopBar();
    if (bar == nullptr) return MenuChoice::NotFound;
    for (std::size_t k = 0; k < bar->keys.size(); ++k) {
        SoftKey& key = bar->keys[k];
        if (!Usable(key)) continue;
        if (key.menu == nullptr) {
            if (key.command != command) continue;
            PressButton(bar, static_cast<std::int32_t>(k));
            return MenuChoice::Chosen;
        }
        std::vector<std::pair<MenuObject*, std::int32_t>> path;
        MenuItem* item = nullptr;
        if (!PathTo(key.menu.get(), command, -1, path, item)) continue;
        WindowHandle owner = bar->owner;
        for (const auto& [menu, from] : path) {
            SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WParam>(menu),
                        from < 0 ? 0 : from);
            if (!Alive(bar)) return MenuChoice::NotFound;  // the owner took the bar away
        }
        if (item->grayed) {
            LogEvent("menu command " + std::to_string(command) + " grayed");
            return MenuChoice::Grayed;
        }
        LogEvent("menu command " + std::to_string(command) + " \"" + Utf16ToUtf8(item->text) +
                 "\"");
        PostMessage(owner, WM_COMMAND, command, 0);
        return MenuChoice::Chosen;
    }
    return MenuChoice::NotFound;
}

void RedrawMenuBars() {
    Prune();
    for (const auto& bar : State().bars)
        InvalidateBar(bar.get());
}
