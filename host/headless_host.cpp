#include "host/headless_host.h"

#include "platform/clock.h"
#include "platform/drawing_internal.h"
#include "platform/event_log.h"
#include "platform/internal/shell_internal.h"
#include "platform/keys.h"
#include "platform/text.h"
#include "platform/windows.h"

namespace {

constexpr std::uint32_t PRESS_MS = 50;

bool Before(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

}  // namespace

HeadlessHost::HeadlessHost(std::vector<ScriptCommand> commands) : commands_(std::move(commands)) {}

void HeadlessHost::runUntil(std::uint32_t target, bool hasTimer, std::uint32_t nextTimerDue) {
    if (!Before(GetTickCount(), target)) {
        waiting_ = false;  // a synchronous sound has already carried the clock past it
        return;
    }
    if (hasTimer && !Before(target, nextTimerDue)) {
        SetClock(nextTimerDue);  // the timer fires on its own time, then we go on
    } else {
        SetClock(target);
        waiting_ = false;
    }
}

bool HeadlessHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    if (waiting_) {
        runUntil(waitTarget_, hasTimer, nextTimerDue);
        return true;
    }
    while (next_ < commands_.size() || !pending_.empty()) {
        if (step()) return true;
    }
    // The script has ended: ask the program to close, and let it run on until it
    // exits, for a while at most.
    if (!closeSent_) {
        closeSent_ = true;
        closeDeadline_ = GetTickCount() + CLOSE_GRACE_MS;
        WindowHandle main = ProgramMainWindow();
        if (main == nullptr) return false;
        PostMessage(main, WM_CLOSE, 0, 0);
        return true;
    }
    if (!hasTimer || Before(closeDeadline_, nextTimerDue)) return false;
    SetClock(nextTimerDue);
    return true;
}

bool HeadlessHost::step() {
    ScriptCommand c;
    if (!pending_.empty()) {
        c = pending_.front();
        pending_.erase(pending_.begin());
    } else {
        c = commands_[next_++];
    }
    using Kind = ScriptCommand::Kind;
    auto wait = [this](std::uint32_t ms) {
        waiting_ = true;
        waitTarget_ = GetTickCount() + ms;
    };
    switch (c.kind) {
        case Kind::Down:
        case Kind::Up:
            DeliverKey(c.code, c.kind == Kind::Down);
            return true;
        case Kind::Press:
        case Kind::SoftKey: {
            std::uint32_t code = c.kind == Kind::Press ? c.code : (c.code == 0 ? VK_F1 : VK_F2);
            DeliverKey(code, true);
            ScriptCommand pause;
            pause.kind = Kind::Wait;
            pause.ms = PRESS_MS;
            ScriptCommand release;
            release.kind = Kind::Up;
            release.code = code;
            pending_ = {pause, release};
            return true;
        }
        case Kind::Text:
            for (char16_t ch : Utf8ToUtf16(c.text))
                DeliverChar(ch);
            return true;
        case Kind::PenDown:
        case Kind::PenUp:
            DeliverPen(c.kind == Kind::PenDown ? PenAction::Down : PenAction::Up, c.x, c.y);
            return true;
        case Kind::Tap: {
            DeliverPen(PenAction::Down, c.x, c.y);
            ScriptCommand pause;
            pause.kind = Kind::Wait;
            pause.ms = PRESS_MS;
            ScriptCommand up = c;
            up.kind = Kind::PenUp;
            pending_ = {pause, up};
            return true;
        }
        case Kind::Wait:
            wait(c.ms);
            return true;
        case Kind::ClockStart:  // taken by the host before the program starts
            return false;
        case Kind::Shot:
            if (!SaveBitmapPng(ComposeScreen(), c.text.c_str())) {
                failure_ = "could not write " + c.text;
            } else {
                LogEvent("shot " + c.text);
            }
            return false;
        case Kind::Command:
            if (ChooseMenuCommand(c.code) == MenuChoice::NotFound && failure_.empty()) {
                failure_ = "line " + std::to_string(c.line) + ": no command " +
                           std::to_string(c.code) + " on the soft keys";
            }
            return true;
        case Kind::Close:
            if (WindowHandle main = ProgramMainWindow()) PostMessage(main, WM_CLOSE, 0, 0);
            return true;
    }
    return false;
}
