// Layer-internal: the phone shell sees each input message (keys, characters,
// stylus) after it is routed to its window and before it is returned by the
// message loop, and may take it (the soft keys, an open popup menu, the Back key
// of a dialog's menu bar).
#pragma once

#include "platform/runtime/messages.h"

// Returns true when it took the message; it may also change the message.
using InputFilter = bool (*)(Message& message);
void SetInputFilter(InputFilter filter);
