// The program's start: the main window's class and its creation. The entry point
// itself is ProgramMain (platform/runtime/program.h).
#pragma once

#include <cstdint>

#include "platform/resources/resources.h"

// Registers the class "Quarvel" with MainWndProc; 0 when it cannot.
std::uint16_t RegisterMainWindowClass(ModuleHandle instance);
// Creates the main window (which loads the settings, makes the back buffer and
// fonts, enters the title screen and creates the menu bar), places it and paints
// it; false when it cannot be created.
bool CreateMainWindow(ModuleHandle instance, std::int32_t showState);
