// Fonts: faces found through fontconfig or in the host's font folder (and
// remembered between runs), opened with SDL2_ttf at the size that gives the
// asked cell height.
#include <SDL_ttf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "platform/drawing/drawing.h"
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
    // By members (the web build's standard library has no <=> for strings).
    bool operator<(const FaceKey& other) const {
        return std::tie(file, index, bold, points) <
               std::tie(other.file, other.index, other.bold, other.points);
    }
};

// Opens a face from its file. Only a regular file is read, opened without
// blocking (a FIFO must not hang the start) and closed for programs the game
// starts.
TTF_Font* OpenFontFile(const FaceKey& key) {
    int fd = open(key.file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat info;
    std::FILE* file = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        close(fd);
        return nullptr;
    }
    SDL_RWops* source = SDL_RWFromFP(file, SDL_TRUE);
    if (!source) {
        std::fclose(file);
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFontIndexRW(source, 1, key.points, key.index);
    if (font && key.bold) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    return font;
}

// Opened fonts by file, face, style and size. They live as long as the program;
// font objects only borrow them.
TTF_Font* OpenFace(const FaceKey& key) {
    static auto* fonts = new std::map<FaceKey, TTF_Font*>;
    auto [it, inserted] = fonts->try_emplace(key, nullptr);
    if (inserted) it->second = OpenFontFile(key);
    return it->second;
}

bool RendererReady() {
    static const bool ready = TTF_WasInit() || TTF_Init() == 0;
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
constexpr off_t MAX_KNOWN_FACES_BYTES = 1 << 20;
constexpr long MAX_FACE_INDEX = 0x7FFFFFFF;  // a face in its file and a named instance
constexpr int MAX_POINTS = 4 * MAX_HEIGHT;

// The whole of a small regular file, read without blocking; false for anything
// else.
bool ReadSmallFile(const std::string& path, std::string& text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info;
    bool ok =
        fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MAX_KNOWN_FACES_BYTES;
    char chunk[4096];
    for (ssize_t got; ok && (got = read(fd, chunk, sizeof chunk)) != 0;) {
        ok = got > 0 && text.size() + static_cast<std::size_t>(got) <= MAX_KNOWN_FACES_BYTES;
        if (ok) text.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return ok;
}

// One line of the file: the request, then the file, face index, emboldening,
// points and average character width. False when a field is missing or out of
// range (a face index of -1 asks the font library for something else): the
// request is then matched again.
bool ParseKnownFace(const std::string& line, std::string& request, KnownFace& k) {
    std::istringstream fields(line);
    return std::getline(fields, request, '\t') && std::getline(fields, k.face.file, '\t') &&
           fields >> k.face.index >> k.face.bold >> k.face.points >> k.averageCharWidth &&
           k.face.file.starts_with('/') && k.face.index >= 0 && k.face.index <= MAX_FACE_INDEX &&
           k.face.points >= 1 && k.face.points <= MAX_POINTS && k.averageCharWidth >= 0 &&
           k.averageCharWidth <= MAX_HEIGHT;
}

// The faces of a file's text whose stamp line is `stamp`.
std::map<std::string, KnownFace> ParseKnownFaces(const std::string& text,
                                                 const std::string& stamp) {
    std::map<std::string, KnownFace> faces;
    std::istringstream in(text);
    std::string header, stamped, line;
    if (!std::getline(in, header) || header != KNOWN_FACES_HEADER || !std::getline(in, stamped) ||
        stamped != stamp) {
        return faces;
    }
    while (std::getline(in, line)) {
        std::string request;
        KnownFace k;
        if (ParseKnownFace(line, request, k)) faces[request] = k;
    }
    return faces;
}

void LoadKnownFaces(KnownFaces& known) {
    known.loaded = true;
    std::string text;
    if (!known.path.empty() && ReadSmallFile(known.path, text)) {
        known.faces = ParseKnownFaces(text, Stamp());
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

// The face for a request: from the host's font folder when it set one, else the
// installed face closest to the family and weight; false when there is none.
bool MatchFace(const std::string& family, std::int32_t weight, std::int32_t pixels, FaceKey& face) {
    if (FontFolderSet()) {
        face.index = 0;
        return FindFolderFace(family, weight, face.file, face.bold);
    }
    return FindInstalledFace(family, weight, pixels, face.file, face.index, face.bold);
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
        if (!MatchFace(family, matchWeight, pixels, found.face)) return false;
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

}  // namespace

// A font object's face, found the first time it is used.
TTF_Font* ReadyFont(FontObject* font) {
    if (!font) return nullptr;
    if (!font->resolved) Resolve(font, DEFAULT_FACE, DEFAULT_HEIGHT, FONT_WEIGHT_NORMAL);
    return font->font;
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

std::size_t OpenKnownFacesForTests(const std::string& text) {
    if (!RendererReady()) return 0;
    const std::size_t stampEnd = text.find('\n', text.find('\n') + 1);
    const std::size_t stampStart = text.find('\n') + 1;
    if (stampEnd == std::string::npos || stampStart == 0) return 0;
    std::size_t opened = 0;
    for (const auto& [request, k] :
         ParseKnownFaces(text, text.substr(stampStart, stampEnd - stampStart))) {
        if (TTF_Font* font = OpenFontFile(k.face)) {
            TTF_CloseFont(font);
            ++opened;
        }
    }
    return opened;
}
