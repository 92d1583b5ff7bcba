// Basic value types of the platform layer: window handles, message parameters,
// rectangles and points.
#pragma once

#include <cstdint>

// A window known to the layer. The layer owns the object; callers hold handles.
struct WindowObject;
using WindowHandle = WindowObject*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A rectangle: left, top, right and bottom edges (right and bottom exclusive).
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

inline bool PointInRect(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline std::uint16_t LowWord(std::uintptr_t v) {
    return static_cast<std::uint16_t>(v & 0xFFFF);
}
inline std::uint16_t HighWord(std::uintptr_t v) {
    return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}
