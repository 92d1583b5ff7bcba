// The phone program's own version, as its About box shows it ("Quarvel 1.1
// (Build 150)"). The desktop edition around it has a version of its own (the
// build's), which the host's --version prints before this one.
#pragma once

#include <cstdint>

constexpr std::int32_t PROGRAM_VERSION_MAJOR = 1;
constexpr std::int32_t PROGRAM_VERSION_MINOR = 1;
constexpr std::int32_t PROGRAM_BUILD = 150;
constexpr const char16_t* PROGRAM_VERSION_FORMAT = u"Quarvel %d.%d (Build %d)";
