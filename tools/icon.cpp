// quarvel-icon OUTPUT.png: draws the program's 32x32 icon, a T piece falling
// towards the T-shaped gap in a small stack, on a rounded dark tile. Transparent
// pixels carry the colour magenta, which the layer's loader takes as its
// transparent colour (it keeps the colour and drops the alpha). The PNG is
// written with stored deflate blocks, so the same program always gives the same
// bytes.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int SIZE = 32;
constexpr int TILE = 6;
constexpr int CORNER = 4;

struct Pixel {
    std::uint8_t r = 255, g = 0, b = 255, a = 0;  // transparent magenta
};

using Image = std::array<std::array<Pixel, SIZE>, SIZE>;

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

// Inside the rounded square of the background.
bool InsideRounded(int x, int y) {
    int cx = x < CORNER ? CORNER : x >= SIZE - CORNER ? SIZE - CORNER - 1 : x;
    int cy = y < CORNER ? CORNER : y >= SIZE - CORNER ? SIZE - CORNER - 1 : y;
    int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= CORNER * CORNER;
}

// A bevelled tile in cell (column, row) of the 5 x 5 grid.
void Tile(Image& image, int column, int row, Pixel colour) {
    int left = 1 + column * TILE, top = 1 + row * TILE;
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            Pixel p = colour;
            if (x == 0 || y == 0) p = Lighter(colour);
            if (x == TILE - 1 || y == TILE - 1) p = Darker(colour);
            image[top + y][left + x] = p;
        }
    }
}

Image Draw() {
    Image image{};
    const Pixel background = Opaque(24, 38, 74);
    const Pixel well = Opaque(36, 54, 100);
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            if (!InsideRounded(x, y)) continue;
            // A faint column grid makes the playfield.
            bool line = (x - 1) % TILE == 0 && x > 1 && x < SIZE - 2 && y > 1;
            image[y][x] = line ? well : background;
        }
    }
    const Pixel purple = Opaque(170, 70, 220);
    Tile(image, 1, 0, purple);  // the falling T
    Tile(image, 2, 0, purple);
    Tile(image, 3, 0, purple);
    Tile(image, 2, 1, purple);
    Tile(image, 0, 3, Opaque(230, 60, 60));  // the stack, with a gap the T fits
    Tile(image, 4, 3, Opaque(50, 120, 240));
    Tile(image, 0, 4, Opaque(245, 200, 40));
    Tile(image, 1, 4, Opaque(245, 200, 40));
    Tile(image, 3, 4, Opaque(60, 200, 90));
    Tile(image, 4, 4, Opaque(60, 200, 90));
    return image;
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

std::vector<std::uint8_t> Png(const Image& image) {
    std::vector<std::uint8_t> raw;
    for (const auto& row : image) {
        raw.push_back(0);  // no filter
        for (const Pixel& p : row)
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
    // A zlib stream of stored blocks.
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

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBig(header, SIZE);
    PutBig(header, SIZE);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, not interlaced
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarvel-icon OUTPUT.png\n");
        return 2;
    }
    std::vector<std::uint8_t> png = Png(Draw());
    std::FILE* file = std::fopen(argv[1], "wb");
    bool written = file != nullptr && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "quarvel-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
