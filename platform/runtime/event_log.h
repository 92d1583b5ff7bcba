// The layer's log of observable events (sounds, links, message boxes, windows),
// for tests and for the headless host's --log file. The layer writes to it; the
// game never does.
#pragma once

#include <functional>
#include <string>

// Receives one line per event, without a line break.
using EventSink = std::function<void(const std::string& line)>;
void SetEventSink(EventSink sink);

// Writes a line to the sink, if one is set.
void LogEvent(const std::string& line);
