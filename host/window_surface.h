// The screen shown in the window's own surface (SDL's framebuffer: X11 shared
// memory, or whatever the video driver gives), scaled here by whole pixels.
#pragma once

#include <cstddef>
#include <cstdint>

struct SDL_Window;
struct PixelRows;
class Bands;

// Writes `rows` rows of `count` pixels (`fromPitch` pixels apart) `scale`
// times larger in both directions, nearest neighbour, to rows `toPitch` bytes
// apart.
void ScaleRows(const std::uint32_t* from, std::size_t fromPitch, std::int32_t count,
               std::int32_t rows, std::uint8_t* to, std::size_t toPitch, int scale);

// Scales the areas `bands` of the composed screen `rows` into the window's
// surface, placed by the surface's size (a window smaller than the screen shows
// what fits of it), and has them shown; `force`: the whole window, black round
// the screen. Whether anything was sent to the window.
bool ShowInWindowSurface(SDL_Window* window, const PixelRows& rows, Bands& bands, bool force);
