#include "shell/records/control_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/runtime/app_keys.h"
#include "platform/runtime/keys.h"

// Its destructor (releasing the application keys) runs after the screens are
// gone and before the layout map: the priorities order it among the globals.
constinit CQuarvelControlLayout controlLayout __attribute__((init_priority(102))){};

namespace {

constexpr int SLOT_COUNT = 5;
using Codes = std::array<std::int32_t, SLOT_COUNT>;

Codes CodesOf(const CQuarvelControlLayout& l) {
    return {l.move_left_key, l.move_right_key, l.rotate_cw_key, l.rotate_ccw_key, l.drop_key};
}

void SetCodes(CQuarvelControlLayout& l, const Codes& c) {
    l.move_left_key = c[0];
    l.move_right_key = c[1];
    l.rotate_cw_key = c[2];
    l.rotate_ccw_key = c[3];
    l.drop_key = c[4];
}

}  // namespace

CQuarvelControlLayout::~CQuarvelControlLayout() {
    claimAppKeys(nullptr);
}

void CQuarvelControlLayout::claimAppKeys(WindowHandle window) const {
    if (window == nullptr) {
        for (std::uint32_t code = VK_APP1; code <= VK_APP6; ++code)
            AssociateAppKey(code, nullptr);
        return;
    }
    for (std::int32_t code : CodesOf(*this)) {
        auto c = static_cast<std::uint32_t>(code);
        if (c >= VK_APP1 && c <= VK_APP6) AssociateAppKey(c, window);
    }
}

void ControlsToBytes(const CQuarvelControlLayout& layout,
                     std::uint8_t (&bytes)[CONTROLS_RECORD_SIZE]) {
    std::memset(bytes, 0, CONTROLS_RECORD_SIZE);
    Codes codes = CodesOf(layout);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        auto code = static_cast<std::uint32_t>(codes[i]);
        for (int b = 0; b < 4; ++b)
            bytes[4 + 4 * i + b] = static_cast<std::uint8_t>(code >> (8 * b));
    }
}

void ControlsFromBytes(CQuarvelControlLayout& layout, const std::uint8_t* bytes,
                       std::size_t count) {
    std::uint8_t image[CONTROLS_RECORD_SIZE];
    ControlsToBytes(layout, image);
    std::memcpy(image, bytes, std::min(count, CONTROLS_RECORD_SIZE));
    Codes codes{};
    for (int i = 0; i < SLOT_COUNT; ++i) {
        std::uint32_t code = 0;
        for (int b = 0; b < 4; ++b)
            code |= std::uint32_t{image[4 + 4 * i + b]} << (8 * b);
        codes[i] = static_cast<std::int32_t>(code);
    }
    SetCodes(layout, codes);
}
