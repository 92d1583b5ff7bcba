#include "shell/records/options.h"

#include <algorithm>
#include <cstring>

constinit OptionsRecord options{};

void OptionsToBytes(const OptionsRecord& record, std::uint8_t (&bytes)[OPTIONS_RECORD_SIZE]) {
    auto speed = static_cast<std::uint32_t>(record.repeat_speed);
    const std::uint8_t image[OPTIONS_RECORD_SIZE] = {
        record.rising_junk,
        record.level_backgrounds,
        record.show_shadow,
        record.single_press_drop,
        static_cast<std::uint8_t>(speed),
        static_cast<std::uint8_t>(speed >> 8),
        static_cast<std::uint8_t>(speed >> 16),
        static_cast<std::uint8_t>(speed >> 24),
        record.fixed_seed,
        record.extra_pieces,
        record.sound_on,
        record.reserved,
    };
    std::memcpy(bytes, image, OPTIONS_RECORD_SIZE);
}

void OptionsFromBytes(OptionsRecord& record, const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t image[OPTIONS_RECORD_SIZE];
    OptionsToBytes(record, image);
    std::memcpy(image, bytes, std::min(count, OPTIONS_RECORD_SIZE));
    record.rising_junk = image[0];
    record.level_backgrounds = image[1];
    record.show_shadow = image[2];
    record.single_press_drop = image[3];
    record.repeat_speed =
        static_cast<std::int32_t>(std::uint32_t{image[4]} | std::uint32_t{image[5]} << 8 |
                                  std::uint32_t{image[6]} << 16 | std::uint32_t{image[7]} << 24);
    record.fixed_seed = image[8];
    record.extra_pieces = image[9];
    record.sound_on = image[10];
    record.reserved = image[11];
}

std::int32_t ClampedRepeatSpeed(const OptionsRecord& record) {
    return std::clamp(record.repeat_speed, std::int32_t{1}, std::int32_t{10});
}
