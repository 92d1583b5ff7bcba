#include "host/web_keys.h"

#include <SDL.h>

#include "host/desktop_keys.h"

namespace {

struct NamedKey {
    std::string_view code;
    SDL_Keycode key;
};

// The keys whose names are not a letter, a digit or a function key's.
constexpr NamedKey KEYS[] = {
    {"ArrowLeft", SDLK_LEFT},
    {"ArrowUp", SDLK_UP},
    {"ArrowRight", SDLK_RIGHT},
    {"ArrowDown", SDLK_DOWN},
    {"Enter", SDLK_RETURN},
    {"NumpadEnter", SDLK_KP_ENTER},
    {"Escape", SDLK_ESCAPE},
    {"Backspace", SDLK_BACKSPACE},
    {"Space", SDLK_SPACE},
    {"Tab", SDLK_TAB},
    {"ShiftLeft", SDLK_LSHIFT},
    {"ShiftRight", SDLK_RSHIFT},
    {"ControlLeft", SDLK_LCTRL},
    {"ControlRight", SDLK_RCTRL},
    {"NumpadMultiply", SDLK_KP_MULTIPLY},
    {"NumpadAdd", SDLK_KP_PLUS},
    {"NumpadSubtract", SDLK_KP_MINUS},
    {"NumpadDecimal", SDLK_KP_PERIOD},
    {"NumpadDivide", SDLK_KP_DIVIDE},
    {"Insert", SDLK_INSERT},
    {"Home", SDLK_HOME},
    {"PageUp", SDLK_PAGEUP},
    {"Delete", SDLK_DELETE},
    {"End", SDLK_END},
    {"PageDown", SDLK_PAGEDOWN},
};

// The SDL controller button at each index of the standard mapping; -1 for
// those SDL has no button for (the triggers, the centre button).
constexpr int STANDARD_BUTTONS[] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    -1,
    -1,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

// The number after `prefix` in `code`, when that is all that follows it and it
// lies in first..last; else -1.
int NumberAfter(std::string_view code, std::string_view prefix, int first, int last) {
    if (!code.starts_with(prefix) || code.size() == prefix.size() ||
        code.size() > prefix.size() + 2)
        return -1;
    int n = 0;
    for (char c : code.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n >= first && n <= last ? n : -1;
}

// The desktop's SDL key code for the browser's key; 0 for none.
SDL_Keycode SdlKey(std::string_view code, std::string_view key) {
    if (key.size() == 1) {
        const char c = key[0];
        if (c >= 'a' && c <= 'z') return SDLK_a + (c - 'a');
        if (c >= 'A' && c <= 'Z') return SDLK_a + (c - 'A');
    }
    if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z')
        return SDLK_a + (code[3] - 'A');
    if (int n = NumberAfter(code, "Digit", 0, 9); n >= 0 && code.size() == 6) return SDLK_0 + n;
    if (int n = NumberAfter(code, "Numpad", 0, 9); n >= 0 && code.size() == 7)
        return n == 0 ? SDLK_KP_0 : SDLK_KP_1 + (n - 1);
    if (int n = NumberAfter(code, "F", 1, 12); n >= 0) return SDLK_F1 + (n - 1);
    for (const NamedKey& k : KEYS) {
        if (k.code == code) return k.key;
    }
    return 0;
}

}  // namespace

std::uint32_t WebKeyCode(std::string_view code, std::string_view key) {
    const SDL_Keycode sdl = SdlKey(code, key);
    return sdl == 0 ? 0 : PhoneKeyCode(sdl);
}

std::uint32_t WebButtonCode(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(STANDARD_BUTTONS))) return 0;
    const int button = STANDARD_BUTTONS[index];
    return button < 0 ? 0 : PhoneButtonCode(static_cast<std::uint8_t>(button));
}
