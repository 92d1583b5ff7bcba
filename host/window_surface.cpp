#include "host/window_surface.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/desktop_view.h"
#include "platform/internal/bands.h"
#include "platform/internal/drawing_internal.h"

namespace {

// Four pixels, as one vector.
typedef std::uint32_t Pixels4 __attribute__((vector_size(16)));

// Output vector `M` of four pixels widened `Scale` times: pixel i of the
// widened run is pixel i / Scale of the four.
template <int Scale, int M>
inline Pixels4 Widened(Pixels4 p) {
    return __builtin_shufflevector(p, p, (4 * M) / Scale, (4 * M + 1) / Scale, (4 * M + 2) / Scale,
                                   (4 * M + 3) / Scale);
}

template <int Scale, int... M>
inline void StoreWidened(std::uint32_t* to, Pixels4 p, std::integer_sequence<int, M...>) {
    (..., [&] {
        const Pixels4 v = Widened<Scale, M>(p);
        std::memcpy(to + 4 * M, &v, sizeof v);
    }());
}

// A row of `count` pixels written `Scale` times each, four source pixels at a
// time as `Scale` vector stores; the last few one by one.
template <int Scale>
void WidenRow(const std::uint32_t* from, std::int32_t count, std::uint32_t* to) {
    std::int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        Pixels4 p;
        std::memcpy(&p, from + x, sizeof p);
        StoreWidened<Scale>(to + x * Scale, p, std::make_integer_sequence<int, Scale>{});
    }
    for (; x < count; ++x) {
        for (int j = 0; j < Scale; ++j)
            to[x * Scale + j] = from[x];
    }
}

}  // namespace

void ScaleRows(const std::uint32_t* from, std::size_t fromPitch, std::int32_t count,
               std::int32_t rows, std::uint8_t* to, std::size_t toPitch, int scale) {
    // Each row is widened once into the first of its target rows and copied to
    // the rows below, so nothing is read back but a row just written.
    for (std::int32_t y = 0; y < rows; ++y, from += fromPitch) {
        auto* first = reinterpret_cast<std::uint32_t*>(to + std::size_t(y) * scale * toPitch);
        switch (scale) {
            case 1:
                std::memcpy(first, from, std::size_t(count) * 4);
                continue;
            case 2:
                WidenRow<2>(from, count, first);
                break;
            case 3:
                WidenRow<3>(from, count, first);
                break;
            case 4:
                WidenRow<4>(from, count, first);
                break;
            default: {
                std::uint32_t* out = first;
                for (std::int32_t x = 0; x < count; ++x) {
                    for (int k = 0; k < scale; ++k)
                        *out++ = from[x];
                }
            }
        }
        for (int k = 1; k < scale; ++k) {
            std::memcpy(to + (std::size_t(y) * scale + k) * toPitch, first,
                        std::size_t(count) * scale * 4);
        }
    }
}

bool ShowInWindowSurface(SDL_Window* window, const PixelRows& rows, Bands& bands, bool force) {
    if (bands.empty() && !force) return false;  // most passes of the loop: nothing changed
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (target == nullptr) return false;
    if (force) SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    // Placed by the surface's own size, which is what is written to; a window
    // smaller than the screen (at scale 1) shows what fits of it.
    const ScreenPlacement p = PlaceScreen(rows.width, rows.height, target->w, target->h);
    const int scale = p.scale, left = p.left, top = p.top;
    bands.clip(Rect{0, 0, std::min(rows.width, (target->w - left) / scale),
                    std::min(rows.height, (target->h - top) / scale)});
    SDL_Rect changed[Bands::MAX];
    int count = 0;
    const bool direct = target->format->BytesPerPixel == 4 && target->format->Rmask == 0xFF0000 &&
                        target->format->Gmask == 0xFF00 && target->format->Bmask == 0xFF;
    SDL_Surface* source = direct ? nullptr
                                 : SDL_CreateRGBSurfaceWithFormatFrom(
                                       const_cast<std::uint32_t*>(rows.pixels), rows.width,
                                       rows.height, 32, rows.pitch * 4, SDL_PIXELFORMAT_RGB888);
    if (direct) SDL_LockSurface(target);
    for (const Rect& area : bands) {
        SDL_Rect& to = changed[count++];
        to = SDL_Rect{left + area.left * scale, top + area.top * scale,
                      (area.right - area.left) * scale, (area.bottom - area.top) * scale};
        if (direct) {
            // Nearest-neighbour integer scaling.
            auto* base = static_cast<std::uint8_t*>(target->pixels) +
                         std::size_t(to.y) * target->pitch + std::size_t(to.x) * 4;
            ScaleRows(rows.pixels + std::size_t(area.top) * rows.pitch + area.left,
                      std::size_t(rows.pitch), area.right - area.left, area.bottom - area.top, base,
                      std::size_t(target->pitch), scale);
        } else if (source != nullptr) {
            // Any other window format: let SDL convert and scale.
            SDL_Rect from{area.left, area.top, area.right - area.left, area.bottom - area.top};
            SDL_Rect into = to;
            SDL_BlitScaled(source, &from, target, &into);
        }
    }
    if (direct) SDL_UnlockSurface(target);
    if (source != nullptr) SDL_FreeSurface(source);
    if (force) {
        SDL_UpdateWindowSurface(window);
    } else if (count > 0) {
        SDL_UpdateWindowSurfaceRects(window, changed, count);
    }
    return count > 0 || force;
}
