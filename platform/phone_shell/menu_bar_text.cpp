// Reading the MENUBAR text format: one or two soft keys, each a plain button or a
// menu whose items follow it, indented, with submenus indented further. The
// format is described in menu_bar_format.md beside this file.
#include <string>
#include <string_view>
#include <vector>

#include "platform/internal/phone_shell_internal.h"
#include "platform/internal/resource_text.h"
#include "platform/text/text.h"

namespace {

using Token = ResourceToken;

// A command id: a plain decimal number from 1 to 65535.
bool ReadCommand(const Token& token, std::uint32_t& command) {
    if (token.quoted || token.text.empty() || token.text.size() > 5) return false;
    std::uint32_t value = 0;
    for (char c : token.text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value == 0 || value > 0xFFFF) return false;
    command = value;
    return true;
}

bool IsWord(const Token& token, const char* word) {
    return !token.quoted && token.text == word;
}

// An indented line: one menu item, separator or submenu.
bool ReadItem(const std::vector<Token>& tokens, MenuItem& item) {
    if (IsWord(tokens[0], "separator") && tokens.size() == 1) {
        item.kind = MenuItem::Kind::Separator;
        return true;
    }
    if (IsWord(tokens[0], "popup") && tokens.size() == 2 && tokens[1].quoted) {
        item.kind = MenuItem::Kind::Submenu;
        item.text = Utf8ToUtf16(tokens[1].text);
        item.submenu = std::make_unique<MenuObject>();
        return true;
    }
    if (!IsWord(tokens[0], "item") || tokens.size() < 3 || tokens.size() > 5) return false;
    if (!ReadCommand(tokens[1], item.command) || !tokens[2].quoted) return false;
    item.kind = MenuItem::Kind::Command;
    item.text = Utf8ToUtf16(tokens[2].text);
    for (std::size_t i = 3; i < tokens.size(); ++i) {
        if (IsWord(tokens[i], "checked") && !item.checked) {
            item.checked = true;
        } else if (IsWord(tokens[i], "grayed") && !item.grayed) {
            item.grayed = true;
        } else {
            return false;
        }
    }
    return true;
}

// A menu being read: its items are indented by `itemIndent` spaces (-1 until the
// first one is seen), more than the line that opened it.
struct Level {
    MenuObject* menu;
    std::int32_t ownerIndent;
    std::int32_t itemIndent;
};

class Reader {
  public:
    explicit Reader(std::vector<SoftKey>& keys) : keys_(keys) {}

    bool line(std::int32_t indent, const std::vector<Token>& tokens) {
        if (indent == 0) return softKey(tokens);
        if (levels_.empty()) return false;  // items need a `menu` soft key above them
        while (levels_.back().itemIndent != indent) {
            Level& top = levels_.back();
            if (top.itemIndent == -1 && indent > top.ownerIndent) {
                top.itemIndent = indent;
                break;
            }
            // An empty menu, or an indentation that matches no open menu.
            if (top.itemIndent == -1 || indent > top.itemIndent) return false;
            levels_.pop_back();
            if (levels_.empty()) return false;
        }
        MenuItem item;
        if (!ReadItem(tokens, item)) return false;
        MenuObject* submenu = item.submenu.get();
        levels_.back().menu->items.push_back(std::move(item));
        if (submenu != nullptr) {
            if (static_cast<std::int32_t>(levels_.size()) > MAX_MENU_DEPTH) return false;
            levels_.push_back(Level{submenu, indent, -1});
        }
        return true;
    }

    // The end of a soft key's menu: no menu may be left empty.
    bool closeMenu() {
        bool complete = levels_.empty() || levels_.back().itemIndent != -1;
        levels_.clear();
        return complete;
    }

  private:
    bool softKey(const std::vector<Token>& tokens) {
        if (!closeMenu() || keys_.size() >= 2 || tokens.size() < 3 || tokens.size() > 4) {
            return false;
        }
        bool menu = IsWord(tokens[0], "menu");
        if (!menu && !IsWord(tokens[0], "button")) return false;
        SoftKey key;
        if (!ReadCommand(tokens[1], key.command) || !tokens[2].quoted) return false;
        key.label = Utf8ToUtf16(tokens[2].text);
        // A soft key may start hidden until its owner shows it.
        if (tokens.size() == 4) {
            if (!IsWord(tokens[3], "hidden")) return false;
            key.state = TBSTATE_HIDDEN;
        }
        if (menu) {
            key.menu = std::make_unique<MenuObject>();
            levels_.push_back(Level{key.menu.get(), 0, -1});
        }
        keys_.push_back(std::move(key));
        return true;
    }

    std::vector<SoftKey>& keys_;
    std::vector<Level> levels_;
};

bool Parse(std::string_view text, std::vector<SoftKey>& keys) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.find('\0') != std::string_view::npos) return false;
    Reader reader(keys);
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::size_t indent = line.find_first_not_of(' ');
        if (indent == std::string_view::npos) continue;
        std::string_view rest = line.substr(indent);
        if (rest.find_first_not_of(" \t") == std::string_view::npos || rest[0] == '#') continue;
        if (rest[0] == '\t' || indent > 1000) return false;  // indentation is spaces only
        std::vector<Token> tokens;
        if (!TokenizeResourceLine(rest, tokens)) return false;
        if (!reader.line(static_cast<std::int32_t>(indent), tokens)) return false;
    }
    return reader.closeMenu() && !keys.empty();
}

}  // namespace

bool ParseMenuBarText(std::string_view text, std::vector<SoftKey>& keys) {
    keys.clear();
    if (Parse(text, keys)) return true;
    keys.clear();
    return false;
}
