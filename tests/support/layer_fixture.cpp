#include "tests/support/layer_fixture.h"

#include "platform/internal/drawing_internal.h"
#include "platform/internal/sound_names.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/resources/resources.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/messages.h"
#include "platform/sound/sound.h"
#include "platform/windows/windows.h"

bool TestHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    if (!steps.empty()) {
        std::function<void()> step = std::move(steps.front());
        steps.pop_front();
        step();
        return true;
    }
    if (!timed || !ClockBefore(GetTickCount(), until)) return false;
    SetClock(hasTimer && !ClockBefore(until, nextTimerDue) ? nextTimerDue : until);
    return true;
}

void DeliverPresses(std::initializer_list<std::uint32_t> keys) {
    for (std::uint32_t key : keys) {
        DeliverKey(key, true);
        DeliverKey(key, false);
    }
}

void DeliverTap(std::int32_t x, std::int32_t y) {
    DeliverPen(PenAction::Down, x, y);
    DeliverPen(PenAction::Up, x, y);
}

void DeliverTapOn(WindowHandle window, std::int32_t dx) {
    const Rect r = GetWindowRect(window);
    DeliverTap(dx < 0 ? (r.left + r.right) / 2 : r.left + dx, (r.top + r.bottom) / 2);
}

void LayerTest::SetUp() {
    ResetWindowManager();
    ReleaseAllKeys();
    ClearPostedMessages();
    SetClock(startClock_);
    SetScreenSize(240, 320);
    SetHostDriver(&host);
    SetAudioEnabled(false);
    SetSoundNameLookup(ResourceEntryName);
    SetEventSink([this](const std::string& line) { log.push_back(line); });
    SetInputPanel(false);
}

void LayerTest::TearDown() {
    SetEventSink(nullptr);
    SetSoundNameLookup(nullptr);
    SetHostDriver(nullptr);
    ResetWindowManager();
    ClearPostedMessages();
    ReleaseAllKeys();
}

std::int32_t LayerTest::Pump() {
    Message message;
    std::int32_t got = 0;
    while ((got = GetMessage(message)) == 1) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    return got;
}

void LayerTest::Wait(std::uint32_t ms) {
    host.timed = true;
    host.until = GetTickCount() + ms;
    Pump();
    host.timed = false;
}

void LayerTest::Press(std::uint32_t key) {
    DeliverKey(key, true);
    Pump();
    DeliverKey(key, false);
    Pump();
}

void LayerTest::Tap(std::int32_t x, std::int32_t y) {
    DeliverPen(PenAction::Down, x, y);
    Pump();
    DeliverPen(PenAction::Up, x, y);
    Pump();
}

std::vector<std::string> LayerTest::TakeLog() {
    std::vector<std::string> taken;
    taken.swap(log);
    return taken;
}

bool LayerTest::Logged(const std::string& text) const {
    for (const std::string& line : log) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

Colour LayerTest::ScreenPixel(std::int32_t x, std::int32_t y) {
    PixelRows rows = BitmapPixels(ComposeScreen());
    if (rows.pixels == nullptr || x < 0 || y < 0 || x >= rows.width || y >= rows.height) {
        return INVALID_COLOUR;
    }
    std::uint32_t p = rows.pixels[y * rows.pitch + x];
    return Rgb(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
               static_cast<std::uint8_t>(p));
}
