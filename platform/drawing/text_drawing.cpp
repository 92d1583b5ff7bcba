// Fonts and text: faces found through fontconfig, rendered with SDL2_ttf and
// blended onto the surface's pixels.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <compare>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/drawing.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"
#include "platform/text/text.h"

namespace {

constexpr std::int32_t DEFAULT_HEIGHT = 13;  // the system font's cell height
constexpr std::int32_t MAX_HEIGHT = 512;
constexpr const char* DEFAULT_FACE = "Tahoma";

struct FaceKey {
    std::string file;
    long index = 0;
    bool bold = false;  // drawn emboldened: the face found has no bold weight
    int points = 0;
    auto operator<=>(const FaceKey&) const = default;
};

// Opened fonts by file, face, style and size. They live as long as the program;
// font objects only borrow them.
TTF_Font* OpenFace(const FaceKey& key) {
    static auto* fonts = new std::map<FaceKey, TTF_Font*>;
    auto [it, inserted] = fonts->try_emplace(key, nullptr);
    if (inserted) {
        it->second = TTF_OpenFontIndex(key.file.c_str(), key.points, key.index);
        if (it->second && key.bold) TTF_SetFontStyle(it->second, TTF_STYLE_BOLD);
    }
    return it->second;
}

bool RendererReady() {
    static const bool ready = TTF_WasInit() || TTF_Init() == 0;
    return ready;
}

// fontconfig reads its whole configuration when it starts: only when a face must
// be matched, not when the faces are known already.
bool MatcherReady() {
    static const bool ready = FcInit();
    return ready;
}

// ---- Faces found before ----
//
// What fontconfig matched for a request (family, weight, height) is kept in a
// file, so that later runs open the face without starting fontconfig. The file
// holds a stamp of the places that decide a match (the configuration, the font
// folders and fontconfig's own caches): when one of them changes, the file is
// not used and fontconfig is asked again.

struct KnownFace {
    FaceKey face;
    std::int32_t averageCharWidth = 0;  // measured with the face
};

struct KnownFaces {
    std::string path;  // the file; empty: none kept
    bool loaded = false;
    std::map<std::string, KnownFace> faces;
};

KnownFaces& Known() {
    static auto* known = new KnownFaces;
    return *known;
}

// Modification time of a path, or "-" when it is not there.
std::string TimeOf(const std::string& path) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return "-";
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

std::string Stamp() {
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    const std::string home = env("HOME");
    const std::string data =
        env("XDG_DATA_HOME").empty() ? home + "/.local/share" : env("XDG_DATA_HOME");
    const std::string config =
        env("XDG_CONFIG_HOME").empty() ? home + "/.config" : env("XDG_CONFIG_HOME");
    const std::string cache =
        env("XDG_CACHE_HOME").empty() ? home + "/.cache" : env("XDG_CACHE_HOME");
    std::string stamp =
        env("FONTCONFIG_FILE") + "|" + env("FONTCONFIG_PATH") + "|" + env("FONTCONFIG_SYSROOT");
    for (const std::string& path :
         {std::string("/etc/fonts"), std::string("/etc/fonts/conf.d"),
          std::string("/etc/fonts/fonts.conf"), std::string("/etc/fonts/local.conf"),
          std::string("/usr/share/fonts"), std::string("/usr/local/share/fonts"),
          std::string("/var/cache/fontconfig"), data + "/fonts", home + "/.fonts",
          home + "/.fonts.conf", config + "/fontconfig", config + "/fontconfig/conf.d",
          cache + "/fontconfig", env("FONTCONFIG_FILE"), env("FONTCONFIG_PATH")}) {
        stamp += "|" + TimeOf(path);
    }
    return stamp;
}

constexpr const char* KNOWN_FACES_HEADER = "faces 2";

void LoadKnownFaces(KnownFaces& known) {
    known.loaded = true;
    if (known.path.empty()) return;
    std::ifstream in(known.path);
    std::string header, stamp, line;
    if (!std::getline(in, header) || header != KNOWN_FACES_HEADER || !std::getline(in, stamp) ||
        stamp != Stamp()) {
        return;
    }
    // Each line: the request, then the file, face index, emboldening, points and
    // average character width.
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string request;
        KnownFace k;
        if (std::getline(fields, request, '\t') && std::getline(fields, k.face.file, '\t') &&
            fields >> k.face.index >> k.face.bold >> k.face.points >> k.averageCharWidth) {
            known.faces[request] = k;
        }
    }
}

void RememberFace(const std::string& request, const KnownFace& face) {
    KnownFaces& known = Known();
    known.faces[request] = face;
    if (known.path.empty()) return;
    // Written whole to a new file that then takes the old one's place, so that a
    // run reading it at the same time sees the old file or the new one.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(known.path).parent_path(), error);
    const std::string temporary = known.path + "." + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << KNOWN_FACES_HEADER << '\n' << Stamp() << '\n';
        for (const auto& [key, k] : known.faces) {
            const std::string& file = k.face.file;
            if (key.find('\n') != std::string::npos || file.find('\t') != std::string::npos ||
                file.find('\n') != std::string::npos) {
                continue;
            }
            out << key << '\t' << file << '\t' << k.face.index << ' ' << k.face.bold << ' '
                << k.face.points << ' ' << k.averageCharWidth << '\n';
        }
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return;
        }
    }
    std::filesystem::rename(temporary, known.path, error);
    if (error) std::filesystem::remove(temporary, error);
}

const KnownFace* FindKnownFace(const std::string& request) {
    KnownFaces& known = Known();
    if (!known.loaded) LoadKnownFaces(known);
    const auto found = known.faces.find(request);
    return found == known.faces.end() ? nullptr : &found->second;
}

// The installed face closest to the family and weight; false when there is none.
bool MatchFace(const std::string& family, std::int32_t weight, std::int32_t pixels, FaceKey& face) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    int index = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) {
        face.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        face.index = index;
        face.bold = weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD;
    }
    FcPatternDestroy(match);
    return found;
}

// Opens the face at the point size whose line height comes closest to `height`
// (ties to the smaller size), and sets the face's points to it.
TTF_Font* OpenForCellHeight(FaceKey& face, std::int32_t height) {
    face.points = height;
    TTF_Font* font = OpenFace(face);
    if (!font) return nullptr;
    const int guess = std::max(1, static_cast<int>(std::lround(double(height) * height /
                                                               std::max(1, TTF_FontHeight(font)))));
    TTF_Font* best = nullptr;
    int bestError = 0;
    int bestPoints = 0;
    for (int points = std::max(1, guess - 1); points <= guess + 1; ++points) {
        FaceKey key = face;
        key.points = points;
        TTF_Font* candidate = OpenFace(key);
        if (!candidate) continue;
        int error = std::abs(TTF_FontHeight(candidate) - height);
        if (!best || error < bestError) best = candidate, bestError = error, bestPoints = points;
    }
    if (best) face.points = bestPoints;
    return best;
}

bool Resolve(FontObject* object, const std::string& family, std::int32_t height,
             std::int32_t weight) {
    object->resolved = true;
    if (!RendererReady()) return false;
    if (height == 0) height = DEFAULT_HEIGHT;
    const std::int32_t pixels =
        std::min(height < 0 ? -std::max(height, -MAX_HEIGHT) : height, MAX_HEIGHT);
    const std::int32_t matchWeight = weight <= 0 ? FONT_WEIGHT_NORMAL : std::min(weight, 1000);
    const std::string request =
        family + '\x1f' + std::to_string(matchWeight) + '\x1f' + std::to_string(height);
    TTF_Font* font = nullptr;
    const KnownFace* known = FindKnownFace(request);
    if (known) font = OpenFace(known->face);
    if (font) {
        object->averageCharWidth = known->averageCharWidth;
    } else {
        KnownFace found;
        if (!MatcherReady() || !MatchFace(family, matchWeight, pixels, found.face)) return false;
        if (height < 0) {  // a character height: the em size in pixels
            found.face.points = pixels;
            font = OpenFace(found.face);
        } else {
            font = OpenForCellHeight(found.face, pixels);
        }
        if (!font) return false;
        // The mean advance of the Latin letters, as dialog units are measured.
        int width = 0;
        if (TTF_SizeUTF8(font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &width,
                         nullptr) == 0) {
            found.averageCharWidth = (width + 26) / 52;
        }
        object->averageCharWidth = found.averageCharWidth;
        RememberFace(request, found);
    }
    object->font = font;
    object->height = TTF_FontHeight(font);
    return true;
}

TTF_Font* Ready(FontObject* font) {
    if (!font) return nullptr;
    if (!font->resolved) Resolve(font, DEFAULT_FACE, DEFAULT_HEIGHT, FONT_WEIGHT_NORMAL);
    return font->font;
}

// The first `length` code units (all for a negative length); a NUL ends the text
// sooner.
std::u16string_view TextView(const char16_t* text, std::int32_t length) {
    std::size_t n = 0;
    while ((length < 0 || n < static_cast<std::size_t>(length)) && text[n] != 0)
        ++n;
    return {text, n};
}

// One line: control characters show as spaces.
std::string SingleLine(std::string line) {
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return line;
}

// The lines drawn and measured last, so that a screen that draws the same texts
// again (a game's labels and score at every frame) neither lays them out nor
// renders them again. Fonts live for the whole run, so a font pointer names one
// face and size for good.
class LineCache {
  public:
    ~LineCache() {
        for (Line& line : lines_) {
            if (line.glyphs) SDL_FreeSurface(line.glyphs);
        }
        if (oversized_) SDL_FreeSurface(oversized_);
    }

    int width(TTF_Font* font, const std::string& text) {
        if (text.empty()) return 0;
        for (Measured& m : measured_) {
            if (m.font == font && m.text == text) {
                m.used = ++clock_;
                return m.width;
            }
        }
        int width = 0;
        if (TTF_SizeUTF8(font, text.c_str(), &width, nullptr) != 0) width = 0;
        Measured& m =
            *std::min_element(measured_.begin(), measured_.end(),
                              [](const Measured& a, const Measured& b) { return a.used < b.used; });
        m = Measured{font, text, width, ++clock_};
        return width;
    }

    // The line rendered in the colour, as ARGB8888 glyphs; null when it cannot be
    // rendered. The cache keeps the surface.
    SDL_Surface* glyphs(TTF_Font* font, Colour colour, const std::string& text) {
        for (Line& line : lines_) {
            if (line.glyphs && line.font == font && line.colour == colour && line.text == text) {
                line.used = ++clock_;
                return line.glyphs;
            }
        }
        SDL_Surface* glyphs = TTF_RenderUTF8_Blended(
            font, text.c_str(), SDL_Color{RedOf(colour), GreenOf(colour), BlueOf(colour), 255});
        if (glyphs && glyphs->format->format != SDL_PIXELFORMAT_ARGB8888) {
            SDL_Surface* converted = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_FreeSurface(glyphs);
            glyphs = converted;
        }
        if (!glyphs) return nullptr;
        if (std::int64_t{glyphs->w} * glyphs->h > MAX_KEPT_PIXELS) {
            // Too large to keep among the others: kept alone until the next.
            if (oversized_) SDL_FreeSurface(oversized_);
            oversized_ = glyphs;
            return glyphs;
        }
        Line& line =
            *std::min_element(lines_.begin(), lines_.end(),
                              [](const Line& a, const Line& b) { return a.used < b.used; });
        if (line.glyphs) SDL_FreeSurface(line.glyphs);
        line = Line{font, colour, text, glyphs, ++clock_};
        return glyphs;
    }

  private:
    static constexpr std::size_t KEPT = 32;
    static constexpr std::int64_t MAX_KEPT_PIXELS = 64 * 1024;
    struct Measured {
        TTF_Font* font = nullptr;
        std::string text;
        int width = 0;
        std::uint64_t used = 0;
    };
    struct Line {
        TTF_Font* font = nullptr;
        Colour colour = 0;
        std::string text;
        SDL_Surface* glyphs = nullptr;
        std::uint64_t used = 0;
    };
    std::array<Measured, KEPT> measured_;
    std::array<Line, KEPT> lines_;
    SDL_Surface* oversized_ = nullptr;
    std::uint64_t clock_ = 0;
};

LineCache& Lines() {
    static LineCache cache;
    return cache;
}

int WidthOf(TTF_Font* font, const std::string& text) {
    return Lines().width(font, text);
}

// Lines broken at line feeds and, where a line would be wider than `maxWidth`,
// at spaces. A word wider than the line stays whole.
std::vector<std::string> BreakLines(TTF_Font* font, std::u16string_view text,
                                    std::int64_t maxWidth) {
    std::vector<std::string> lines;
    const std::string all = Utf16ToUtf8(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = std::min(all.find('\n', start), all.size());
        std::string paragraph = all.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        paragraph = SingleLine(std::move(paragraph));
        std::string line;
        std::size_t wordStart = 0;
        while (wordStart <= paragraph.size()) {
            std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
            std::string word = paragraph.substr(wordStart, wordEnd - wordStart);
            std::string candidate = wordStart == 0 ? word : line + " " + word;
            if (wordStart == 0 || line.empty() || WidthOf(font, candidate) <= maxWidth) {
                line = std::move(candidate);
            } else {
                lines.push_back(std::move(line));
                line = std::move(word);
            }
            wordStart = wordEnd + 1;
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::uint8_t Mix(std::uint32_t over, std::uint32_t under, std::uint32_t alpha) {
    return static_cast<std::uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

// Blends anti-aliased glyphs (ARGB) onto the target pixels inside `clip`.
void BlendGlyphs(SDL_Surface* target, SDL_Surface* glyphs, std::int64_t x, std::int64_t y,
                 const PixelBox& clip) {
    const PixelBox box = Intersect({x, y, x + glyphs->w, y + glyphs->h}, clip);
    for (std::int64_t py = box.top; py < box.bottom; ++py) {
        const std::uint32_t* from = PixelRow(glyphs, py - y);
        std::uint32_t* to = PixelRow(target, py);
        for (std::int64_t px = box.left; px < box.right; ++px) {
            const std::uint32_t p = from[px - x];
            const std::uint32_t a = p >> 24;
            if (a == 0) continue;
            if (a == 255) {
                to[px] = p & 0xFFFFFF;
                continue;
            }
            const std::uint32_t q = to[px];
            to[px] = std::uint32_t{Mix(p >> 16 & 0xFF, q >> 16 & 0xFF, a)} << 16 |
                     std::uint32_t{Mix(p >> 8 & 0xFF, q >> 8 & 0xFF, a)} << 8 |
                     Mix(p & 0xFF, q & 0xFF, a);
        }
    }
}

void DrawLine(SurfaceObject* surface, TTF_Font* font, const std::string& line, std::int64_t x,
              std::int64_t y, std::int64_t width, std::int64_t height, const PixelBox& clip) {
    SDL_Surface* target = surface->bitmap->pixels;
    if (surface->backgroundMode == BackgroundMode::Opaque) {
        const PixelBox box = Intersect({x, y, x + width, y + height}, clip);
        FillBox(target, box, PixelOf(surface->backgroundColour));
        AddDamage(surface, box);
    }
    if (line.empty()) return;
    SDL_Surface* glyphs = Lines().glyphs(font, surface->textColour, line);
    if (!glyphs) return;
    BlendGlyphs(target, glyphs, x, y, clip);
    AddDamage(surface, Intersect({x, y, x + glyphs->w, y + glyphs->h}, clip));
}

}  // namespace

// fontconfig 2.14 loses a few bytes while it parses its configuration, once per
// process; sanitizer builds leave the library's own leaks out of their report.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

void SetFontCacheFile(const char* path) {
    KnownFaces& known = Known();
    known.path = path != nullptr ? path : "";
    known.loaded = false;
    known.faces.clear();
}

FontObject* DefaultFont() {
    static FontObject font{nullptr, 0, 0, true};
    return &font;
}

void ReleaseFont(FontObject* font) {
    delete font;
}

FontHandle CreateFontByName(const char16_t* face, std::int32_t height, std::int32_t weight) {
    std::string family = Utf16ToUtf8(face);
    if (family.empty()) family = "sans-serif";
    auto* font = new FontObject;
    if (!Resolve(font, family, height, weight)) {
        delete font;
        return nullptr;
    }
    return font;
}

bool GetTextMetrics(SurfaceHandle surface, TextMetrics& metrics) {
    metrics = {};
    if (!surface || !Ready(surface->font)) return false;
    metrics.height = surface->font->height;
    metrics.averageCharWidth = surface->font->averageCharWidth;
    return true;
}

bool MeasureText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                 std::int32_t& width, std::int32_t& height) {
    width = height = 0;
    TTF_Font* font = surface ? Ready(surface->font) : nullptr;
    if (!font || !text) return false;
    width = WidthOf(font, SingleLine(Utf16ToUtf8(TextView(text, length))));
    height = surface->font->height;
    return true;
}

std::int32_t DrawText(SurfaceHandle surface, const char16_t* text, std::int32_t length,
                      const Rect& rect, std::uint32_t flags) {
    TTF_Font* font = surface ? Ready(surface->font) : nullptr;
    if (!font || !text) return 0;
    const std::u16string_view view = TextView(text, length);
    if (view.empty()) return 0;
    const std::int64_t rectWidth = std::int64_t{rect.right} - rect.left;
    const std::int64_t rectHeight = std::int64_t{rect.bottom} - rect.top;
    std::vector<std::string> lines;
    if (flags & DT_WORDBREAK) {
        lines = BreakLines(font, view, rectWidth);
    } else {
        lines.push_back(SingleLine(Utf16ToUtf8(view)));
    }
    const std::int64_t lineHeight = surface->font->height;
    const std::int64_t total = lineHeight * static_cast<std::int64_t>(lines.size());
    const PixelBox clip = Intersect(ToTarget(surface, rect.left, rect.top, rect.right, rect.bottom),
                                    DrawableBox(surface));
    std::int64_t y = rect.top + ((flags & DT_VCENTER) ? (rectHeight - total) >> 1 : 0);
    for (const std::string& line : lines) {
        const std::int64_t width = WidthOf(font, line);
        std::int64_t x = rect.left;
        if (flags & DT_CENTER) {
            x += (rectWidth - width) >> 1;
        } else if (flags & DT_RIGHT) {
            x = rect.right - width;
        }
        if (!clip.empty()) {
            DrawLine(surface, font, line, x + surface->origin.x, y + surface->origin.y, width,
                     lineHeight, clip);
        }
        y += lineHeight;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
}
