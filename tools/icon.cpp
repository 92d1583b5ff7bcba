// quarvel-icon [--maskable=#RRGGBB] OUTPUT.png [SIZE]: draws the program's icon,
// a T piece falling towards the T-shaped gap in a small stack, on a rounded dark
// tile: 32 x 32 for the program's resources, other sizes for the desktop and the
// web edition. Transparent pixels carry the colour magenta, which the layer's
// loader takes as its transparent colour (it keeps the colour and drops the
// alpha). The 32 x 32 PNG is written with stored deflate blocks, so the same
// program always gives the same bytes. --maskable draws the variant a launcher
// may crop to any shape: the design shrunk into the central safe zone (the
// circle of 80 % of the side) on an opaque background of that colour to the
// edges.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

// The design is drawn on a 32 x 32 grid of units; at 32 pixels each pixel is
// one unit, sampled at its centre (the program's icon 101). Larger or smaller
// icons for the desktop are the same design, each pixel averaged from 4 x 4
// samples, so edges stay smooth at any size.
constexpr double GRID = 32;
constexpr double TILE = 6;
constexpr double CORNER = 4;
// The maskable variant: the safe zone's radius as a part of the side, and how
// far the design reaches from its centre (the stack's outer bottom corners).
constexpr double SAFE_RADIUS = 0.4;
const double REACH = (GRID / 2 - 1) * std::sqrt(2.0);

struct Pixel {
    std::uint8_t r = 255, g = 0, b = 255, a = 0;  // transparent magenta
};

struct Image {
    int size = 0;
    std::vector<Pixel> pixels;  // row after row
};

Pixel Opaque(int r, int g, int b) {
    return Pixel{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(b), 255};
}

Pixel Lighter(Pixel p) {
    return Opaque((p.r + 255) / 2, (p.g + 255) / 2, (p.b + 255) / 2);
}

Pixel Darker(Pixel p) {
    return Opaque(p.r * 3 / 5, p.g * 3 / 5, p.b * 3 / 5);
}

// Inside the rounded square of the background: within CORNER of the square of
// the corner circles' centres, which lie at the centres of the pixels CORNER in.
bool InsideRounded(double u, double v) {
    double cu = std::clamp(u, CORNER + 0.5, GRID - CORNER - 0.5);
    double cv = std::clamp(v, CORNER + 0.5, GRID - CORNER - 0.5);
    double du = u - cu, dv = v - cv;
    return du * du + dv * dv <= CORNER * CORNER;
}

struct Tile {
    int column, row;
    Pixel colour;
};

// A T piece falling towards the T-shaped gap in a small stack, in a 5 x 5 grid.
const std::array<Tile, 10>& Tiles() {
    static const std::array<Tile, 10> tiles = [] {
        const Pixel purple = Opaque(170, 70, 220);
        const Pixel yellow = Opaque(245, 200, 40);
        const Pixel green = Opaque(60, 200, 90);
        return std::array<Tile, 10>{Tile{1, 0, purple},
                                    Tile{2, 0, purple},
                                    Tile{3, 0, purple},
                                    Tile{2, 1, purple},
                                    Tile{0, 3, Opaque(230, 60, 60)},
                                    Tile{4, 3, Opaque(50, 120, 240)},
                                    Tile{0, 4, yellow},
                                    Tile{1, 4, yellow},
                                    Tile{3, 4, green},
                                    Tile{4, 4, green}};
    }();
    return tiles;
}

// The design's colour at a point, in units.
Pixel DesignAt(double u, double v) {
    for (const Tile& tile : Tiles()) {
        double x = u - (1 + tile.column * TILE), y = v - (1 + tile.row * TILE);
        if (x < 0 || y < 0 || x >= TILE || y >= TILE) continue;
        // A bevel one unit wide: light top and left, dark bottom and right.
        if (x >= TILE - 1 || y >= TILE - 1) return Darker(tile.colour);
        if (x < 1 || y < 1) return Lighter(tile.colour);
        return tile.colour;
    }
    if (!InsideRounded(u, v)) return Pixel{};
    // A faint column grid makes the playfield.
    int column = static_cast<int>(std::floor(u)), row = static_cast<int>(std::floor(v));
    bool line =
        (column - 1) % static_cast<int>(TILE) == 0 && column > 1 && column < GRID - 2 && row > 1;
    return line ? Opaque(36, 54, 100) : Opaque(24, 38, 74);
}

// The icon at `size`; with a `background`, the maskable variant: the design
// shrunk so that it reaches the safe zone's edge, on that colour everywhere else.
Image Draw(int size, const std::optional<Pixel>& background) {
    Image image{size, std::vector<Pixel>(static_cast<std::size_t>(size) * size)};
    const int samples = size == GRID && !background ? 1 : 4;
    const double unit = background ? REACH / (SAFE_RADIUS * size) : GRID / size;
    const double origin = background ? (GRID - size * unit) / 2 : 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    Pixel p = DesignAt(origin + (x + (sx + 0.5) / samples) * unit,
                                       origin + (y + (sy + 0.5) / samples) * unit);
                    if (p.a == 0 && background) p = *background;
                    r += p.r * p.a;
                    g += p.g * p.a;
                    b += p.b * p.a;
                    a += p.a;
                }
            }
            Pixel& out = image.pixels[static_cast<std::size_t>(y) * size + x];
            if (a == 0) continue;  // transparent magenta
            out = Pixel{static_cast<std::uint8_t>(std::lround(r / a)),
                        static_cast<std::uint8_t>(std::lround(g / a)),
                        static_cast<std::uint8_t>(std::lround(b / a)),
                        static_cast<std::uint8_t>(std::lround(a / (samples * samples)))};
        }
    }
    return image;
}

// "#RRGGBB" as an opaque colour; none for anything else.
std::optional<Pixel> ParseColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        const std::string hex = text.substr(1 + 2 * i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return std::nullopt;
        channels[i] = static_cast<int>(std::strtol(hex.c_str(), nullptr, 16));
    }
    return Opaque(channels[0], channels[1], channels[2]);
}

// ---- PNG ----

std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
    PutBig(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig(out, Crc(body.data(), body.size()));
}

// A zlib stream of stored blocks: the same bytes whatever the zlib.
std::vector<std::uint8_t> Stored(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size();) {
        std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.insert(z.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                           static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(z, b << 16 | a);
    return z;
}

// The image as a PNG; `compressed`: deflated by zlib, else in stored blocks.
std::vector<std::uint8_t> Png(const Image& image, bool compressed) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < image.size; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < image.size; ++x) {
            const Pixel& p = image.pixels[static_cast<std::size_t>(y) * image.size + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    std::vector<std::uint8_t> z;
    if (compressed) {
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        z.resize(size);
        if (compress2(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
            return {};
        z.resize(size);
    } else {
        z = Stored(raw);
    }
    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBig(header, static_cast<std::uint32_t>(image.size));
    PutBig(header, static_cast<std::uint32_t>(image.size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, not interlaced
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<Pixel> background;
    bool usable = true;
    const std::string maskable = "--maskable=";
    if (!args.empty() && args[0].rfind(maskable, 0) == 0) {
        background = ParseColour(args[0].substr(maskable.size()));
        usable = background.has_value();
        args.erase(args.begin());
    }
    int size = 32;
    if (args.size() == 2) {
        char* end = nullptr;
        long n = std::strtol(args[1].c_str(), &end, 10);
        size = end != args[1].c_str() && *end == '\0' && n >= 8 && n <= 1024 ? static_cast<int>(n) : 0;
    }
    if (!usable || (args.size() != 1 && args.size() != 2) || size == 0) {
        std::fprintf(stderr,
                     "usage: quarvel-icon [--maskable=#RRGGBB] OUTPUT.png [SIZE]  (SIZE 8 to 1024, "
                     "default 32)\n");
        return 2;
    }
    // The program's own icon is stored, so its bytes never depend on the zlib.
    std::vector<std::uint8_t> png = Png(Draw(size, background), size != 32 || background);
    std::FILE* file = std::fopen(args[0].c_str(), "wb");
    bool written = file != nullptr && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "quarvel-icon: cannot write %s\n", args[0].c_str());
        return 1;
    }
    return 0;
}
