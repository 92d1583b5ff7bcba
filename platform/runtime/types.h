// Basic value types of the platform layer: window and module handles, message
// parameters, rectangles and points.
#pragma once

#include <cstdint>

// A window known to the layer. The layer owns the window; callers hold handles,
// which are numbers, not addresses: a destroyed window's handle is never given
// to another window.
struct WindowId;
using WindowHandle = WindowId*;

// A resource module (platform/resources/resources.h); the program's entry point
// is handed its own.
struct ModuleObject;
using ModuleHandle = ModuleObject*;

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

// A 24-bit colour: red in the low byte, then green, then blue.
using Colour = std::uint32_t;
constexpr Colour Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Colour{red} | Colour{green} << 8 | Colour{blue} << 16;
}
constexpr std::uint8_t RedOf(Colour c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GreenOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t BlueOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 16);
}
// What a pixel read answers outside a surface.
constexpr Colour INVALID_COLOUR = 0xFFFFFFFF;
constexpr Colour MAGENTA = Rgb(255, 0, 255);  // the transparent colour of pictures

inline bool PointInRect(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline std::uint16_t LowWord(std::uintptr_t v) {
    return static_cast<std::uint16_t>(v & 0xFFFF);
}
inline std::uint16_t HighWord(std::uintptr_t v) {
    return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}
