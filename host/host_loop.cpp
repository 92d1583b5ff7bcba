#include "host/host_loop.h"

#include <algorithm>

#include "platform/internal/host_interface.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/messages.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"

void DeliverInput(const ScriptCommand& input) {
    using Kind = ScriptCommand::Kind;
    switch (input.kind) {
        case Kind::Down:
        case Kind::Up:
            DeliverKey(input.code, input.kind == Kind::Down);
            break;
        case Kind::Text:
            // One character message per UTF-16 unit, as the phone sends them.
            for (char16_t unit : Utf8ToUtf16(input.text))
                DeliverChar(unit);
            break;
        case Kind::PenDown:
        case Kind::PenUp:
            DeliverPen(input.kind == Kind::PenDown ? PenAction::Down : PenAction::Up, input.x,
                       input.y);
            break;
        case Kind::Activate:
        case Kind::Deactivate:
            DeliverActivation(input.kind == Kind::Activate);
            break;
        case Kind::KeysType:
            SetCharactersFromKeys(input.code != 0);
            break;
        case Kind::Close:
            if (WindowHandle main = ProgramMainWindow()) PostMessage(main, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

bool HostLoop::record(const std::string& path, bool keysType, std::string& error) {
    record_.open(path, std::ios::trunc);
    if (!record_) {
        error = "cannot write the recording " + path;
        return false;
    }
    record_ << "# Quarvel input recorded on the desktop; replay with\n"
            << "# quarvel --headless --script " << path << " --store " << path << ".store\n";
    ScriptCommand start;
    start.kind = ScriptCommand::Kind::ClockStart;
    start.ms = GetTickCount();
    write(start);
    if (!keysType) {
        ScriptCommand typing;
        typing.kind = ScriptCommand::Kind::KeysType;
        typing.code = 0;
        write(typing);
    }
    return true;
}

void HostLoop::write(const ScriptCommand& input) {
    record_ << FormatScriptCommand(input) << '\n';
    record_.flush();
}

void HostLoop::queue(const ScriptCommand& input) {
    inputs_.push_back(input);
}

void HostLoop::queueKey(std::uint32_t code, bool down) {
    if (code == 0) return;
    ScriptCommand key;
    key.kind = down ? ScriptCommand::Kind::Down : ScriptCommand::Kind::Up;
    key.code = code;
    queue(key);
}

// A close request goes through the queue, so that a recording replays it at the
// same moment.
void HostLoop::queueClose() {
    ScriptCommand close;
    close.kind = ScriptCommand::Kind::Close;
    queue(close);
}

void HostLoop::noteIdle() {
    if (!markPending_) return;
    mark_ = GetTickCount();
    markPending_ = false;
}

bool HostLoop::step(bool hasTimer, std::uint32_t nextTimerDue, std::uint32_t realNow,
                    int maxSleepMs, int& sleepMs) {
    // Time moves to the real clock, but stops at each timer's due time so that
    // timers fire on their own time, as in a headless replay. Input goes first,
    // so that a program slower than its timers still hears it: it is delivered
    // just before the next timer is due, which is where a replay, running every
    // timer up to the input's time first, puts it too.
    const std::uint32_t now = GetTickCount();
    const std::uint32_t target = ClockBefore(now, realNow) ? realNow : now;
    const bool timerDue = hasTimer && !ClockBefore(target, nextTimerDue);
    if (!inputs_.empty()) {
        SetClock(timerDue ? nextTimerDue - 1 : target);
        if (record_.is_open()) {
            const std::uint32_t at = GetTickCount();
            if (at != mark_) {
                ScriptCommand wait;
                wait.kind = ScriptCommand::Kind::Wait;
                wait.ms = at - mark_;
                write(wait);
            }
            write(inputs_.front());
        }
        DeliverInput(inputs_.front());
        inputs_.pop_front();
        markPending_ = true;
        return true;
    }
    if (timerDue) {
        SetClock(nextTimerDue);
        return true;
    }
    SetClock(target);
    const std::int64_t untilTimer = hasTimer ? std::int64_t{nextTimerDue - target} : maxSleepMs;
    sleepMs = static_cast<int>(std::clamp<std::int64_t>(untilTimer, 1, maxSleepMs));
    return false;
}
