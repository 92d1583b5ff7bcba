#include "platform/runtime/messages.h"

#include <deque>

namespace {
std::deque<Message> posted;
}

bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    posted.push_back(Message{window, message, wParam, lParam});
    return true;
}

bool TakePostedMessage(Message& out) {
    if (posted.empty()) return false;
    out = posted.front();
    posted.pop_front();
    return true;
}

void ClearPostedMessages() {
    posted.clear();
}
