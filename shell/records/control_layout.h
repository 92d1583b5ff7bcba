// The key layout: which key code triggers each of the game's five actions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/runtime/keys.h"
#include "platform/runtime/types.h"

class CQuarvelControlLayout {
  public:
    // Releases all six application keys.
    virtual ~CQuarvelControlLayout();

    // With a window: associates every assigned application key (VK_APP1..VK_APP6)
    // with it; keys already associated stay so. With none: releases all six.
    void claimAppKeys(WindowHandle window) const;

    std::int32_t move_left_key = VK_LEFT;
    std::int32_t move_right_key = VK_RIGHT;
    std::int32_t rotate_cw_key = VK_RETURN;  // Enter, the phone's action key
    std::int32_t rotate_ccw_key = VK_UP;
    std::int32_t drop_key = VK_DOWN;
};

extern constinit CQuarvelControlLayout controlLayout;

// The stored image: a reserved 32-bit word (written as 0, ignored when read), then
// the five codes in slot order, little-endian.
constexpr std::size_t CONTROLS_RECORD_SIZE = 24;

void ControlsToBytes(const CQuarvelControlLayout& layout,
                     std::uint8_t (&bytes)[CONTROLS_RECORD_SIZE]);

// Replaces the first `count` bytes of the layout's image (at most 24) with `bytes`.
void ControlsFromBytes(CQuarvelControlLayout& layout, const std::uint8_t* bytes, std::size_t count);
