// The program's entry point, called by the host once the layer is set up. The
// command line is the host's, which the program may ignore; the show state is
// SW_SHOWNORMAL.
#pragma once

#include <cstdint>

#include "platform/runtime/types.h"

std::int32_t ProgramMain(ModuleHandle instance, ModuleHandle previous, const char16_t* commandLine,
                         std::int32_t showState);

// The program's name and version as it shows them itself (UTF-8), for the host's
// --version.
const char* ProgramVersion();
