// The screens' small operations on the main window's soft-key bar, by command id.
// Each finds the bar of the screen's window anew and does nothing (or answers
// false) when there is none.
#pragma once

#include <cstdint>

#include "shell/screen.h"

void SetSoftKeyVisible(const CQuarvelWnd* screen, std::int32_t command, bool visible);
void SetSoftKeyText(const CQuarvelWnd* screen, std::int32_t command, const char16_t* text);
void GetSoftKeyText(const CQuarvelWnd* screen, std::int32_t command, char16_t* buffer,
                    std::int32_t capacity);
bool IsSoftKeyVisible(const CQuarvelWnd* screen, std::int32_t command);
// The label from the resource pack's string `stringId` (empty when missing).
void SetSoftKeyLabel(const CQuarvelWnd* screen, std::int32_t command, std::uint32_t stringId);
