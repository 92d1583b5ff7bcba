// Builds without fontconfig (the web edition) have no installed fonts to look
// through: faces come only from the host's font folder.
#include "platform/internal/drawing_sdl.h"

bool FindInstalledFace(const std::string&, std::int32_t, std::int32_t, std::string&, long&, bool&) {
    return false;
}
