// Feeds arbitrary bytes to the registry's store-file parser. Whatever it accepts
// must come back unchanged from a second round of parsing and writing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/internal/registry_testing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string written;
    if (!ReformatStoreForTests(text, written)) return -1;
    std::string again;
    if (!ReformatStoreForTests(written, again) || again != written) std::abort();
    return 0;
}
