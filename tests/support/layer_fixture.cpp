#include "tests/support/layer_fixture.h"

#include "platform/internal/sound_names.h"
#include "platform/resources/resources.h"
#include "platform/runtime/event_log.h"
#include "platform/sound/sound.h"

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

void FillWindow(WindowHandle window, const Rect& rect, Colour colour) {
    SurfaceHandle surface = GetWindowSurface(window);
    BrushHandle brush = CreateSolidBrush(colour);
    FillRect(surface, rect, brush);
    DeleteBrush(brush);
    ReleaseWindowSurface(window, surface);
}

std::vector<Message> heard;
std::function<void(const Message&)> onHeard;
namespace {
std::vector<std::uint32_t> recordedKinds;
}  // namespace

void RegisterRecordingClass(std::initializer_list<std::uint32_t> kinds) {
    heard.clear();
    onHeard = nullptr;
    recordedKinds = kinds;
    WindowClass c;
    c.procedure = [](WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
        const Message m{window, message, wParam, lParam};
        if (std::find(recordedKinds.begin(), recordedKinds.end(), message) != recordedKinds.end()) {
            if (onHeard) onHeard(m);
            heard.push_back(m);
        }
        return DefaultWindowProcedure(window, message, wParam, lParam);
    };
    c.name = u"Recording";
    c.background = GetStockBrush(StockBrush::White);
    RegisterWindowClass(c);
}

WindowHandle RecordingWindow(const char16_t* title, std::uint32_t style, WindowHandle owner) {
    return CreateWindow(u"Recording", title, style, USE_DEFAULT, USE_DEFAULT, USE_DEFAULT,
                        USE_DEFAULT, owner, nullptr, nullptr);
}

std::size_t HeardCount(std::uint32_t message, WParam wParam) {
    return std::count_if(heard.begin(), heard.end(), [&](const Message& m) {
        return m.message == message && (wParam == ~WParam{0} || m.wParam == wParam);
    });
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

std::int32_t LayerTest::ScreenPixelsOf(const Rect& r, Colour colour) {
    std::int32_t count = 0;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x)
            count += ScreenPixel(x, y) == colour;
    }
    return count;
}
