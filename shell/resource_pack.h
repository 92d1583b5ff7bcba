// The resource pack: the module, chosen by screen size, that holds the layout,
// pictures, texts, menus, dialog templates and sounds; and the game area it
// describes.
#pragma once

#include <cstdint>

#include "platform/resources/resources.h"
#include "platform/runtime/types.h"

extern ModuleHandle resourcePack;
extern ModuleHandle programInstance;  // the program's own module
extern std::int32_t screenWidth;
extern std::int32_t screenHeight;
extern std::int32_t gameWidth;   // layout game_width: the back buffer's width
extern std::int32_t gameHeight;  // layout game_height

// The place words for places 1 to 5 of the high-score table, from the pack.
constexpr std::int32_t PLACE_NAME_SIZE = 100;
extern char16_t placeNames[5][PLACE_NAME_SIZE];

// Loads "<width>x<height>.dll", or one fallback chosen by the size; reads its
// layout text and the game area. On failure shows "Could not load resources"
// and returns false.
bool LoadResourcePack(std::int32_t width, std::int32_t height);

// Creates the soft-key bar of `parent` from the pack's menu bar `menuBarId`; null
// when the shell refuses.
WindowHandle CreatePackMenuBar(WindowHandle parent, std::uint32_t menuBarId);

// Reads the five place words from the pack into placeNames.
void LoadPlaceNames();

// The fallback pack's name for a screen size.
const char16_t* FallbackPackName(std::int32_t width, std::int32_t height);
