#include "shell/layout_text.h"

#include <algorithm>
#include <limits>

// Built first and destroyed last of the program's long-lived objects: the
// screens read it until they are gone.
__attribute__((init_priority(101))) LayoutMapType LayoutMap;

namespace {

// Character classes of the layout text. They are fixed and ASCII-only (bytes
// 128-255 belong to none), so they do not depend on the C locale.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsKeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_' || c == '-' ||
           c == '.';
}

const char* SkipSpace(const char* p) {
    while (IsSpace(*p))
        ++p;
    return p;
}

// Reads a decimal number at `p` the way "%d" does: leading white space, an
// optional sign, then digits. The result saturates at the int32 limits rather
// than overflowing. Returns false, leaving `p` alone, when there are no digits.
bool ScanNumber(const char*& p, std::int32_t& out) {
    const char* s = SkipSpace(p);
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    if (!IsDigit(*s)) return false;

    // One past the int32 maximum is enough to saturate in either direction.
    constexpr std::int64_t LIMIT = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; IsDigit(*s); ++s) {
        if (magnitude < LIMIT) magnitude = magnitude * 10 + (*s - '0');
    }
    if (magnitude > LIMIT) magnitude = LIMIT;
    std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max()) {
        signedValue = std::numeric_limits<std::int32_t>::max();
    }
    out = static_cast<std::int32_t>(signedValue);
    p = s;
    return true;
}

const std::string* FindValue(const char* key) {
    if (key == nullptr) return nullptr;
    auto it = LayoutMap.find(std::string(key));
    return it == LayoutMap.end() ? nullptr : &it->second;
}

}  // namespace

bool ReadLayoutEntry(const char*& cursor, std::string& key, std::string& value) {
    const char* p = SkipSpace(cursor);
    if (*p == '#') return false;

    const char* keyStart = p;
    while (IsKeyChar(*p))
        ++p;
    if (p == keyStart || *p != ':') return false;
    const char* keyEnd = p;

    // Line breaks count as white space here: an empty value takes the next
    // non-blank line.
    p = SkipSpace(p + 1);
    const char* valueStart = p;
    while (*p != '\0' && *p != '\n' && *p != '\r')
        ++p;
    const char* valueEnd = p;
    while (*p == '\n' || *p == '\r')
        ++p;

    key.assign(keyStart, keyEnd);
    value.assign(valueStart, valueEnd);
    cursor = p;
    return true;
}

void LoadLayoutText(const char* text) {
    if (text == nullptr) return;
    const char* cursor = text;
    std::string key;
    std::string value;
    while (*cursor != '\0') {
        if (!ReadLayoutEntry(cursor, key, value)) return;
        LayoutMap.insert_or_assign(key, value);
    }
}

void LoadLayoutText(const char* bytes, std::size_t size) {
    // std::string keeps a NUL after its contents, which the parser relies on.
    const std::string copy = bytes == nullptr ? std::string() : std::string(bytes, size);
    LoadLayoutText(copy.c_str());
}

std::int32_t GetLayoutInt(const char* key, std::int32_t defaultValue) {
    const std::string* value = FindValue(key);
    if (value == nullptr) return defaultValue;
    const char* p = value->c_str();
    std::int32_t number = 0;
    if (!ScanNumber(p, number)) return 0;
    return number;
}

std::int32_t GetLayoutPixels(const char* key) {
    return std::clamp(GetLayoutInt(key, 0), -MAX_LAYOUT_PIXELS, MAX_LAYOUT_PIXELS);
}

Rect GetLayoutRect(const char* key) {
    Rect rect;
    const std::string* value = FindValue(key);
    if (value == nullptr) return rect;

    // "%d,%d,%d,%d": each comma must follow the previous number immediately;
    // the first mismatch stops the scan and the remaining fields stay 0.
    std::int32_t* const fields[] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    const char* p = value->c_str();
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != ',') break;
            ++p;
        }
        if (!ScanNumber(p, *fields[i])) break;
    }
    return rect;
}
