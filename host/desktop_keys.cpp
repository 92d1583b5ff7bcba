#include "host/desktop_keys.h"

#include <SDL.h>

#include "platform/runtime/keys.h"

namespace {

struct KeyPair {
    SDL_Keycode key;
    std::uint32_t code;
};

constexpr KeyPair KEYS[] = {
    {SDLK_LEFT, VK_LEFT},         {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},       {SDLK_DOWN, VK_DOWN},
    {SDLK_RETURN, VK_RETURN},     {SDLK_KP_ENTER, VK_ACTION},
    {SDLK_ESCAPE, VK_ESCAPE},     {SDLK_BACKSPACE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},       {SDLK_TAB, VK_TAB},
    {SDLK_LSHIFT, VK_SHIFT},      {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},     {SDLK_RCTRL, VK_CONTROL},
    {SDLK_KP_0, VK_NUMPAD0},      {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},       {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL}, {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_INSERT, VK_APP1},       {SDLK_HOME, VK_APP2},
    {SDLK_PAGEUP, VK_APP3},       {SDLK_DELETE, VK_APP4},
    {SDLK_END, VK_APP5},          {SDLK_PAGEDOWN, VK_APP6},
};

struct ButtonPair {
    std::uint8_t button;
    std::uint32_t code;
};

constexpr ButtonPair BUTTONS[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, VK_DOWN},
    {SDL_CONTROLLER_BUTTON_A, VK_ACTION},
    {SDL_CONTROLLER_BUTTON_B, VK_ESCAPE},
    {SDL_CONTROLLER_BUTTON_START, VK_F1},
    {SDL_CONTROLLER_BUTTON_BACK, VK_F2},
    {SDL_CONTROLLER_BUTTON_X, VK_APP1},
    {SDL_CONTROLLER_BUTTON_Y, VK_APP2},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, VK_APP3},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, VK_APP4},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, VK_APP5},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, VK_APP6},
};

}  // namespace

std::uint32_t PhoneKeyCode(std::int32_t key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<std::uint32_t>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    for (const KeyPair& k : KEYS) {
        if (k.key == key) return k.code;
    }
    return 0;
}

std::uint32_t PhoneButtonCode(std::uint8_t button) {
    for (const ButtonPair& b : BUTTONS) {
        if (b.button == button) return b.code;
    }
    return 0;
}
