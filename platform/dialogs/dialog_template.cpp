// DIALOG templates: the text format (one statement a line, texts in quotes) read
// into a DialogTemplate (the format is described in dialog_template_format.md
// beside this file), and dialog units from a font's metrics.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/internal/dialogs_internal.h"
#include "platform/internal/resource_text.h"
#include "platform/text/text.h"

namespace {

// Bounds far beyond any phone screen, which keep every pixel computation small.
constexpr std::int64_t MAX_POSITION = 1000;
constexpr std::int64_t MAX_SIZE = 1000;
constexpr std::int64_t MAX_POINTS = 72;
constexpr std::size_t MAX_CONTROLS = 256;

using Token = ResourceToken;

std::optional<std::int64_t> Integer(const Token& token, std::int64_t low, std::int64_t high) {
    if (token.quoted || token.text.empty()) return std::nullopt;
    const char* first = token.text.data();
    const char* last = first + token.text.size();
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < low || value > high) return std::nullopt;
    return value;
}

// A 32-bit style: decimal or 0x hexadecimal.
std::optional<std::uint32_t> StyleNumber(const Token& token) {
    if (token.quoted) return std::nullopt;
    std::string_view text = token.text;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<ControlKind> KindNamed(const Token& token) {
    if (token.quoted) return std::nullopt;
    static constexpr std::pair<std::string_view, ControlKind> KINDS[] = {
        {"static", ControlKind::Static},
        {"static-center", ControlKind::StaticCenter},
        {"static-right", ControlKind::StaticRight},
        {"icon", ControlKind::Icon},
        {"edit", ControlKind::Edit},
        {"checkbox", ControlKind::CheckBox},
        {"slider", ControlKind::Slider},
        {"button", ControlKind::Button},
    };
    for (const auto& [name, kind] : KINDS) {
        if (token.text == name) return kind;
    }
    return std::nullopt;
}

bool ParseControl(const std::vector<Token>& t, DialogTemplate& out) {
    if ((t.size() != 8 && t.size() != 10) || out.controls.size() >= MAX_CONTROLS) return false;
    ControlTemplate control;
    auto kind = KindNamed(t[1]);
    auto id = Integer(t[2], -1, 65535);
    auto x = Integer(t[3], -MAX_POSITION, MAX_POSITION);
    auto y = Integer(t[4], -MAX_POSITION, MAX_POSITION);
    auto width = Integer(t[5], 0, MAX_SIZE);
    auto height = Integer(t[6], 0, MAX_SIZE);
    if (!kind || !id || !x || !y || !width || !height || !t[7].quoted) return false;
    control.kind = *kind;
    control.id = static_cast<std::int32_t>(*id);
    control.x = static_cast<std::int32_t>(*x);
    control.y = static_cast<std::int32_t>(*y);
    control.width = static_cast<std::int32_t>(*width);
    control.height = static_cast<std::int32_t>(*height);
    control.text = Utf8ToUtf16(t[7].text);
    if (t.size() == 10) {
        auto style = StyleNumber(t[9]);
        if (t[8].quoted || t[8].text != "style" || !style) return false;
        control.style = *style;
    }
    out.controls.push_back(std::move(control));
    return true;
}

}  // namespace

bool ParseDialogTemplate(std::string_view text, DialogTemplate& out) {
    out = DialogTemplate{};
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    bool haveCaption = false, haveFont = false, haveSize = false, haveStyle = false,
         haveExStyle = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;

        std::vector<Token> t;
        if (!TokenizeResourceLine(line, t) || t[0].quoted) return false;
        const std::string& keyword = t[0].text;
        if (keyword == "caption") {
            if (haveCaption || t.size() != 2 || !t[1].quoted) return false;
            out.caption = Utf8ToUtf16(t[1].text);
            haveCaption = true;
        } else if (keyword == "font") {
            auto points = t.size() == 3 ? Integer(t[2], 1, MAX_POINTS) : std::nullopt;
            if (haveFont || !points || !t[1].quoted) return false;
            out.fontFace = Utf8ToUtf16(t[1].text);
            out.fontPoints = static_cast<std::int32_t>(*points);
            haveFont = true;
        } else if (keyword == "size") {
            auto width = t.size() == 3 ? Integer(t[1], 1, MAX_SIZE) : std::nullopt;
            auto height = t.size() == 3 ? Integer(t[2], 1, MAX_SIZE) : std::nullopt;
            if (haveSize || !width || !height) return false;
            out.width = static_cast<std::int32_t>(*width);
            out.height = static_cast<std::int32_t>(*height);
            haveSize = true;
        } else if (keyword == "style" || keyword == "exstyle") {
            bool& seen = keyword == "style" ? haveStyle : haveExStyle;
            auto value = t.size() == 2 ? StyleNumber(t[1]) : std::nullopt;
            if (seen || !value) return false;
            (keyword == "style" ? out.style : out.exStyle) = *value;
            seen = true;
        } else if (keyword == "control") {
            if (!ParseControl(t, out)) return false;
        } else {
            return false;
        }
    }
    return haveCaption && haveFont && haveSize;
}

DialogUnits DialogUnitsOf(FontHandle font) {
    DialogUnits units{5, 13};  // the system font's, when there is no font at all
    ScopedSurface surface;
    if (surface.get() != nullptr && font != nullptr) {
        SelectFont(surface.get(), font);
        TextMetrics metrics;
        if (GetTextMetrics(surface.get(), metrics) && metrics.averageCharWidth > 0 &&
            metrics.height > 0) {
            units = DialogUnits{metrics.averageCharWidth, metrics.height};
        }
    }
    return units;
}
