// The installed fonts, looked through with fontconfig.
#include <fontconfig/fontconfig.h>

#include "platform/internal/drawing_sdl.h"

// fontconfig reads its whole configuration when it starts: only when a face must
// be matched, not when the faces are known already.
bool FindInstalledFace(const std::string& family, std::int32_t weight, std::int32_t pixels,
                       std::string& file, long& index, bool& embolden) {
    static const bool ready = FcInit();
    if (!ready) return false;
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
    FcChar8* name = nullptr;
    int faceIndex = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    bool found = FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch && name;
    if (found) {
        file = reinterpret_cast<const char*>(name);
        FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        index = faceIndex;
        embolden = weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD;
    }
    FcPatternDestroy(match);
    return found;
}

// fontconfig 2.14 loses a few bytes while it parses its configuration, once per
// process; sanitizer builds leave the library's own leaks out of their report.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
