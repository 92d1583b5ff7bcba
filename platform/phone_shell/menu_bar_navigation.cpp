// Opening, moving in and closing the popup menus of the soft-key bars, by keys,
// by the stylus, and by a scripted choice of a command.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/internal/menu_bar.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

using namespace menu_bar;

namespace {

constexpr const char16_t* POPUP_CLASS = u"PhoneMenuPopup";

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
    MenuBars& s = State();
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

namespace menu_bar {

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

void OpenMenuOf(Bar* bar, std::int32_t key) {
    MenuBars& s = State();
    if (s.menu.bar != nullptr) CloseMenu();
    s.menu.bar = bar;
    s.menu.key = key;
    InvalidateBar(bar);
    OpenLevel(bar->keys[static_cast<std::size_t>(key)].menu.get(), -1);
    if (s.menu.bar == bar && s.menu.levels.empty()) CloseMenu();
}

// A key while the menu is open; every key goes to it.
void MenuKey(std::uint32_t code, bool repeat) {
    MenuBars& s = State();
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
    MenuBars& s = State();
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

}  // namespace menu_bar

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
