#include "shell/resource_pack.h"

#include "platform/dialogs/dialogs.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/text/text.h"
#include "shell/layout_text.h"
#include "shell/resource_ids.h"

ModuleHandle resourcePack = nullptr;
ModuleHandle programInstance = nullptr;
std::int32_t screenWidth = 0;
std::int32_t screenHeight = 0;
std::int32_t gameWidth = 0;
std::int32_t gameHeight = 0;
char16_t placeNames[5][PLACE_NAME_SIZE] = {};

const char16_t* FallbackPackName(std::int32_t width, std::int32_t height) {
    if (width < 176 || width >= 480) return u"240x320.dll";
    if (width < 240 || height <= 176) return u"176x220.dll";
    if (height <= 240) return u"240x240.dll";
    return u"240x320.dll";
}

bool LoadResourcePack(std::int32_t width, std::int32_t height) {
    char16_t name[64];
    FormatText(name, 64, u"%dx%d.dll", {width, height});
    resourcePack = LoadModule(name);
    if (resourcePack == nullptr) resourcePack = LoadModule(FallbackPackName(width, height));
    if (resourcePack == nullptr) {
        MessageBox(nullptr, u"Could not load resources", u"Error", MB_OK);
        return false;
    }
    ResourceData layout = FindResource(resourcePack, IDR_LAYOUT_TEXT, LAYOUT_TEXT_TYPE);
    if (layout.bytes != nullptr) {
        LoadLayoutText(reinterpret_cast<const char*>(layout.bytes), layout.size);
    }
    // Clamped: an absurd size gives no back buffer rather than an overflow.
    gameWidth = GetLayoutPixels("game_width");
    gameHeight = GetLayoutPixels("game_height");
    return true;
}

WindowHandle CreatePackMenuBar(WindowHandle parent, std::uint32_t menuBarId) {
    MenuBarCreateInfo bar;
    bar.size = MENU_BAR_CREATE_SIZE;
    bar.parent = parent;
    bar.resourceId = menuBarId;
    bar.module = resourcePack;
    return CreateMenuBar(bar) ? bar.menuBar : nullptr;
}

void LoadPlaceNames() {
    for (std::int32_t i = 0; i < 5; ++i) {
        LoadString(resourcePack, IDS_PLACES[i], placeNames[i], PLACE_NAME_SIZE);
    }
}
