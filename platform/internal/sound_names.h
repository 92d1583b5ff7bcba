// Names for the sound service's event log lines. Layer-internal: the host or the
// resource service installs the lookup.
#pragma once

#include <string>

// `lookup` gives the name of the resource whose bytes start at the given address
// ("WAVE/sndPop"), or an empty string; null removes it. Without a name a sound is
// logged by its size.
void SetSoundNameLookup(std::string (*lookup)(const void* bytes));
