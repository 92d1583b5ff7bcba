// Feeds arbitrary bytes to the reader of the file of faces found before, then
// opens every face it takes: nothing it reads may crash the font library, block
// or run away with memory.
#include <cstdint>
#include <string>

#include "platform/internal/drawing_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OpenKnownFacesForTests(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
