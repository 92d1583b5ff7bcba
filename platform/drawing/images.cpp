// Image files: PNG read and written with libpng, BMP read by SDL. The pixels read
// are the file's samples as stored (no gamma or colour management), 16-bit
// samples cut to their high byte, palettes and grey levels expanded to colours.
#include <SDL.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/internal/drawing_sdl.h"

namespace {

struct Reader {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t at;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->at) png_error(png, "truncated");
    std::memcpy(out, reader->bytes + reader->at, count);
    reader->at += count;
}

void Quiet(png_structp, png_const_charp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Decodes into `surface` (made here); false on any fault of the file. Kept apart
// from its caller so that nothing with a destructor lives across the longjmp.
bool DecodeInto(png_structp png, png_infop info, bool alpha, std::int64_t maxSide,
                std::int64_t maxPixels, SDL_Surface*& surface, std::vector<png_byte>& buffer,
                std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    if (width == 0 || height == 0 || width > maxSide || height > maxSide ||
        std::int64_t{width} * height > maxPixels) {
        return false;
    }
    // Every kind of PNG as 8-bit RGBA samples.
    png_set_strip_16(png);
    png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (alpha && png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) &&
        !(alpha && png_get_valid(png, info, PNG_INFO_tRNS))) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{width} * 4) return false;
    buffer.resize(std::size_t{width} * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = buffer.data() + std::size_t{y} * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    surface =
        SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(width), static_cast<int>(height), 32,
                                       alpha ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_RGB888);
    if (!surface) return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        const png_byte* from = rows[y];
        auto* to = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                                    std::size_t{y} * surface->pitch);
        for (png_uint_32 x = 0; x < width; ++x, from += 4) {
            to[x] = std::uint32_t{from[0]} << 16 | std::uint32_t{from[1]} << 8 | from[2] |
                    (alpha ? std::uint32_t{from[3]} << 24 : 0);
        }
    }
    return true;
}

bool EncodeFrom(png_structp png, png_infop info, SDL_Surface* image, std::FILE* file,
                std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    // libpng's own compression and filters, which the screenshots in docs/ were
    // written with, and no time chunk: the same pixels give the same bytes.
    png_set_IHDR(png, info, static_cast<png_uint_32>(image->w), static_cast<png_uint_32>(image->h),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    row.resize(static_cast<std::size_t>(image->w) * 3);
    for (int y = 0; y < image->h; ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(image->pixels) + std::size_t(y) * image->pitch);
        for (int x = 0; x < image->w; ++x) {
            row[x * 3] = static_cast<png_byte>(from[x] >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(from[x] >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(from[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool IsPng(const void* bytes, std::size_t size) {
    static const std::uint8_t SIGNATURE[4] = {0x89, 'P', 'N', 'G'};
    return size >= 4 && std::memcmp(bytes, SIGNATURE, 4) == 0;
}

bool IsBmp(const void* bytes, std::size_t size) {
    return size >= 2 && std::memcmp(bytes, "BM", 2) == 0;
}

SDL_Surface* DecodePng(const void* bytes, std::size_t size, bool alpha, std::int64_t maxSide,
                       std::int64_t maxPixels) {
    if (!IsPng(bytes, size)) return nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    Reader reader{static_cast<const std::uint8_t*>(bytes), size, 0};
    png_set_read_fn(png, &reader, ReadBytes);
    SDL_Surface* surface = nullptr;
    std::vector<png_byte> buffer;
    std::vector<png_bytep> rows;
    const bool ok = DecodeInto(png, info, alpha, maxSide, maxPixels, surface, buffer, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok && surface) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
    return surface;
}

bool EncodePng(SDL_Surface* image, const char* path) {
    if (!image || image->format->format != SDL_PIXELFORMAT_RGB888 || !path) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row;
    bool ok = info && EncodeFrom(png, info, image, file, row);
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path);
    return ok;
}
