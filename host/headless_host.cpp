#include "host/headless_host.h"

#include "host/close_signals.h"
#include "host/host_loop.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

namespace {

constexpr std::uint32_t PRESS_MS = 50;
constexpr std::uint32_t MAX_WAIT_STEP_MS = 0x40000000;

}  // namespace

HeadlessHost::HeadlessHost(std::vector<ScriptCommand> commands) : commands_(std::move(commands)) {
    CatchCloseSignals();
}

HeadlessHost::~HeadlessHost() {
    RestoreCloseSignals();
}

void HeadlessHost::runUntil(std::uint32_t target, bool hasTimer, std::uint32_t nextTimerDue) {
    if (!ClockBefore(GetTickCount(), target)) {
        // A synchronous sound has already carried the clock past it.
    } else if (hasTimer && !ClockBefore(target, nextTimerDue)) {
        SetClock(nextTimerDue);  // the timer fires on its own time, then we go on
        return;
    } else {
        SetClock(target);
    }
    if (waitBeyond_ == 0) {
        waiting_ = false;
        return;
    }
    const std::uint32_t step =
        waitBeyond_ > MAX_WAIT_STEP_MS ? MAX_WAIT_STEP_MS : static_cast<std::uint32_t>(waitBeyond_);
    waitBeyond_ -= step;
    waitTarget_ += step;
}

bool HeadlessHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    if (TakeCloseSignal() && !closeSent_) {
        // Closed in order, as at the end of the script: the program saves its
        // settings on the way out.
        LogEvent("close signal");
        waiting_ = false;
        waitBeyond_ = 0;
        pending_.clear();
        next_ = commands_.size();
        soak_ = nullptr;
    }
    if (waiting_) {
        runUntil(waitTarget_, hasTimer, nextTimerDue);
        return true;
    }
    for (;;) {
        if (next_ == commands_.size() && pending_.empty() && soak_ != nullptr && !soak_->done()) {
            commands_.clear();
            next_ = 0;
            soak_->next(commands_);
        }
        if (next_ == commands_.size() && pending_.empty()) break;
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
    if (!hasTimer || ClockBefore(closeDeadline_, nextTimerDue)) return false;
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
        const std::uint32_t step = ms > MAX_WAIT_STEP_MS ? MAX_WAIT_STEP_MS : ms;
        waitTarget_ = GetTickCount() + step;
        waitBeyond_ = ms - step;
    };
    switch (c.kind) {
        case Kind::Down:
        case Kind::Up:
        case Kind::Text:
        case Kind::PenDown:
        case Kind::PenUp:
        case Kind::Close:
        case Kind::Activate:
        case Kind::Deactivate:
        case Kind::KeysType:
            DeliverInput(c);
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
                failure_ = "line " + std::to_string(c.line) + ": could not write " + c.text;
            } else {
                LogEvent("shot " + c.text);
            }
            return false;
        case Kind::Command:
            // A script's command must be there; a soak's (line 0) is tried at random.
            if (ChooseMenuCommand(c.code) == MenuChoice::NotFound && c.line > 0 &&
                failure_.empty()) {
                failure_ = "line " + std::to_string(c.line) + ": no command " +
                           std::to_string(c.code) + " on the soft keys";
            }
            return true;
    }
    return false;
}
