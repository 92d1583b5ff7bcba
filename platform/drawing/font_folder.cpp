// Faces from a folder of font files, for a host that brings its own fonts
// instead of the installed ones: each file's family and style are read from the
// file itself.
#include <SDL_ttf.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/internal/drawing_internal.h"
#include "platform/internal/drawing_sdl.h"

namespace {

struct FolderFace {
    std::string file;
    std::string family;  // lower case
    bool bold = false;
};

struct FontFolder {
    std::string path;  // empty: none set
    bool scanned = false;
    std::vector<FolderFace> faces;  // the upright ones, in file-name order
};

FontFolder& Folder() {
    static auto* folder = new FontFolder;
    return *folder;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void Scan(FontFolder& folder) {
    folder.scanned = true;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(folder.path, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const std::filesystem::path& file : files) {
        TTF_Font* font = TTF_OpenFont(file.c_str(), 12);
        if (!font) continue;
        const int style = TTF_GetFontStyle(font);
        const char* family = TTF_FontFaceFamilyName(font);
        if (!(style & TTF_STYLE_ITALIC)) {
            folder.faces.push_back(
                {file.string(), Lower(family ? family : ""), (style & TTF_STYLE_BOLD) != 0});
        }
        TTF_CloseFont(font);
    }
}

}  // namespace

void SetFontFolder(const char* path) {
    SetFontCacheFile(nullptr);  // the faces fontconfig found are of no use now
    FontFolder& folder = Folder();
    folder.path = path != nullptr ? path : "";
    folder.scanned = false;
    folder.faces.clear();
}

bool FontFolderSet() {
    return !Folder().path.empty();
}

// The faces of the family asked for, or every face when the folder has none of
// it; of those the one nearest in weight (bold is 700, regular 400; a tie takes
// the bold one), drawn emboldened when bold is asked and the folder has none.
bool FindFolderFace(const std::string& family, std::int32_t weight, std::string& file,
                    bool& embolden) {
    FontFolder& folder = Folder();
    if (!folder.scanned) Scan(folder);
    const std::string wanted = Lower(family);
    const bool anyOfFamily =
        std::any_of(folder.faces.begin(), folder.faces.end(),
                    [&](const FolderFace& face) { return face.family == wanted; });
    const bool bold = weight >= 550;
    const FolderFace* best = nullptr;
    for (const FolderFace& face : folder.faces) {
        if (anyOfFamily && face.family != wanted) continue;
        if (!best || (face.bold == bold && best->bold != bold)) best = &face;
    }
    if (!best) return false;
    file = best->file;
    embolden = weight >= 600 && !best->bold;
    return true;
}
