#include "shell/soft_keys.h"

#include <algorithm>

#include "platform/phone_shell/phone_shell.h"
#include "platform/windows/windows.h"
#include "shell/resource_pack.h"

namespace {

constexpr std::int32_t LABEL_CAPACITY = 256;

// Sends a button-information request to the screen's bar; false without a bar.
bool ButtonRequest(const CQuarvelWnd* screen, std::uint32_t message, std::int32_t command,
                   ButtonInfo& info) {
    WindowHandle bar = screen != nullptr ? FindMenuBar(screen->window) : nullptr;
    if (bar == nullptr) return false;
    info.size = BUTTON_INFO_SIZE;
    info.command = command;
    SendMessage(bar, message, static_cast<WParam>(command), reinterpret_cast<LParam>(&info));
    return true;
}

}  // namespace

void SetSoftKeyVisible(const CQuarvelWnd* screen, std::int32_t command, bool visible) {
    ButtonInfo info;
    info.mask = TBIF_STATE | TBIF_COMMAND;
    info.state = visible ? TBSTATE_ENABLED : TBSTATE_HIDDEN;
    ButtonRequest(screen, TB_SETBUTTONINFO, command, info);
}

void SetSoftKeyText(const CQuarvelWnd* screen, std::int32_t command, const char16_t* text) {
    char16_t label[LABEL_CAPACITY] = {};
    std::int32_t length = 0;
    while (text != nullptr && text[length] != 0 && length < LABEL_CAPACITY - 1) {
        label[length] = text[length];
        ++length;
    }
    ButtonInfo info;
    info.mask = TBIF_TEXT | TBIF_COMMAND;
    info.text = label;
    info.textLength = length;
    ButtonRequest(screen, TB_SETBUTTONINFO, command, info);
}

void GetSoftKeyText(const CQuarvelWnd* screen, std::int32_t command, char16_t* buffer,
                    std::int32_t capacity) {
    ButtonInfo info;
    info.mask = TBIF_TEXT | TBIF_COMMAND;
    info.text = buffer;
    info.textLength = capacity;
    ButtonRequest(screen, TB_GETBUTTONINFO, command, info);
}

bool IsSoftKeyVisible(const CQuarvelWnd* screen, std::int32_t command) {
    ButtonInfo info;
    info.mask = TBIF_STATE | TBIF_COMMAND;
    if (!ButtonRequest(screen, TB_GETBUTTONINFO, command, info)) return false;
    return (info.state & TBSTATE_HIDDEN) == 0;
}

void SetSoftKeyLabel(const CQuarvelWnd* screen, std::int32_t command, std::uint32_t stringId) {
    char16_t label[LABEL_CAPACITY];
    LoadString(resourcePack, stringId, label, LABEL_CAPACITY);
    SetSoftKeyText(screen, command, label);
}
