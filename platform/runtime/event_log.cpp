#include "platform/runtime/event_log.h"

namespace {
EventSink sink;
}

void SetEventSink(EventSink newSink) {
    sink = std::move(newSink);
}

void LogEvent(const std::string& line) {
    if (sink) sink(line);
}
