#include "host/web_host.h"

#include <emscripten.h>

#include <algorithm>
#include <string>

#include "host/web_keys.h"
#include "platform/internal/drawing_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/clock.h"
#include "platform/sound/sound.h"
#include "platform/store/registry.h"
#include "platform/windows/windows.h"

// The page's side (host/web/page.js, Module.quarvelPage). WaitForInput is the
// one that yields: it returns when input comes or after `ms`, whichever is
// first; the page may also end it from inside an event handler (the page being
// left), so that the program runs on at once, before the handler returns.
// `programMs` is how long the program itself would sleep, before the sound's
// own wake-ups shorten it: short while it animates (a game in play).
EM_JS(void, WaitForInput, (int ms, int programMs), {
    Asyncify.handleSleep(function(wakeUp) { Module.quarvelPage.sleep(ms, wakeUp, programMs); });
});
EM_JS(void, ShowBand, (const std::uint8_t* rgba, int x, int y, int width, int height), {
    Module.quarvelPage.show(HEAPU8.subarray(rgba, rgba + width * height * 4), x, y, width, height);
});
EM_JS(void, TellFirstFrame, (), { Module.quarvelPage.firstFrame(); });
EM_JS(void, TellInputPanel, (int up), { Module.quarvelPage.inputPanel(!!up); });
EM_JS(void, TellClosed, (int code), { Module.quarvelPage.closed(code); });
EM_JS(void, TellStoreUnreadable, (), { Module.quarvelPage.storeUnreadable(); });
EM_JS(void, TellAudioResting, (int resting), { Module.quarvelPage.audioResting(!!resting); });
EM_JS(int, MirrorStore, (const char* text, int size),
      { return Module.quarvelPage.saveStore(UTF8ToString(text, size)) ? 1 : 0; });
EM_JS(int, OpenLink, (const char* link),
      { return Module.quarvelPage.openLink(UTF8ToString(link)) ? 1 : 0; });
EM_JS(int, MsSinceMidnight, (), {
    const now = new Date();
    return ((now.getHours() * 60 + now.getMinutes()) * 60 + now.getSeconds()) * 1000 +
           now.getMilliseconds();
});

namespace {

// The size of the page's buffer for strings (QuarvelWebBuffer).
constexpr std::size_t WEB_TEXT_BYTES = 1024;
// The longest the program sleeps without a timer.
constexpr int MAX_SLEEP_MS = 30000;
// A script yields to the browser this often, so that the page stays alive.
constexpr double SCRIPT_YIELD_MS = 50;

WebHost* current = nullptr;

void Queue(ScriptCommand::Kind kind) {
    if (current == nullptr) return;
    ScriptCommand input;
    input.kind = kind;
    current->loop().queue(input);
}

}  // namespace

void WebCanvas::present(bool all) {
    Bands bands;
    BitmapHandle screen = ComposeScreen(nullptr, nullptr, &bands);
    const PixelRows rows = BitmapPixels(screen);
    if (rows.pixels == nullptr) return;
    if (all) {
        bands.clear();
        bands.add(Rect{0, 0, rows.width, rows.height});
    }
    bands.clip(Rect{0, 0, std::min(width_, rows.width), std::min(height_, rows.height)});
    for (const Rect& area : bands) {
        const std::int32_t w = area.right - area.left, h = area.bottom - area.top;
        rgba_.resize(std::size_t(w) * h * 4);
        std::uint8_t* out = rgba_.data();
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            const std::uint32_t* in = rows.pixels + std::size_t(y) * rows.pitch + area.left;
            for (std::int32_t x = 0; x < w; ++x, out += 4) {
                const std::uint32_t p = in[x];  // 0x00RRGGBB
                out[0] = static_cast<std::uint8_t>(p >> 16);
                out[1] = static_cast<std::uint8_t>(p >> 8);
                out[2] = static_cast<std::uint8_t>(p);
                out[3] = 255;
            }
        }
        ShowBand(rgba_.data(), area.left, area.top, w, h);
    }
    if (!bands.empty() && !firstFrameTold_ && ProgramMainWindow() != nullptr) {
        firstFrameTold_ = true;
        TellFirstFrame();
    }
}

WebHost::WebHost(std::int32_t width, std::int32_t height) : canvas_(width, height) {
    current = this;
    // The page types with the text its keyboard or input method makes.
    SetCharactersFromKeys(false);
    realStart_ = emscripten_get_now();
    clockStart_ = GetTickCount();
}

WebHost::~WebHost() {
    current = nullptr;
    SetCharactersFromKeys(true);
}

std::uint32_t WebHost::realClock() const {
    return clockStart_ + static_cast<std::uint32_t>(emscripten_get_now() - realStart_);
}

bool WebHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    loop_.noteIdle();
    for (;;) {
        canvas_.present();
        if (const bool up = InputPanelUp(); up != panelUp_) {
            panelUp_ = up;
            TellInputPanel(up);
        }
        int programMs = 0;
        if (loop_.step(hasTimer, nextTimerDue, realClock(), MAX_SLEEP_MS, programMs)) return true;
        // The browser's audio calls in for more sound as long as the device is
        // open: it closes after a silence.
        int sleepMs = programMs;
        if (const int due = CloseAudioWhenSilent(SteadyMs()); due >= 0)
            sleepMs = std::min(sleepMs, due + 1);
        // The browser's audio graph runs while the device is open, sound or
        // not: it rests between sounds.
        if (const bool resting = AudioResting(); resting != audioResting_) {
            audioResting_ = resting;
            TellAudioResting(resting);
        }
        WaitForInput(sleepMs, programMs);
    }
}

WebScriptHost::WebScriptHost(std::int32_t width, std::int32_t height,
                             std::vector<ScriptCommand> commands)
    : canvas_(width, height), headless_(std::move(commands)) {}

bool WebScriptHost::idle(bool hasTimer, std::uint32_t nextTimerDue) {
    if (const double now = emscripten_get_now(); now - lastYield_ > SCRIPT_YIELD_MS) {
        emscripten_sleep(0);
        lastYield_ = emscripten_get_now();
    }
    const bool more = headless_.idle(hasTimer, nextTimerDue);
    if (shot_) {
        // The shot composed the screen: all of it is shown, not what changed since.
        shot_ = false;
        canvas_.present(true);
    }
    return more;
}

bool MirrorStoreInPage(const char* text, std::size_t size) {
    return MirrorStore(text, static_cast<int>(size)) != 0;
}

bool OpenLinkInPage(const char* link) {
    return OpenLink(link) != 0;
}

std::uint32_t PageTimeOfDay() {
    return static_cast<std::uint32_t>(MsSinceMidnight());
}

void TellPageClosed(int code) {
    TellClosed(code);
}

void TellPageStoreUnreadable() {
    TellStoreUnreadable();
}

// The page's input. Each is queued and delivered in order when the program
// next looks; the page then ends the program's wait. The page calls them
// while the program waits, so it passes strings in a buffer of the host's
// (not on the stack, which belongs to the waiting program).
extern "C" {

// Where the page writes the strings it passes: WEB_TEXT_BYTES bytes.
EMSCRIPTEN_KEEPALIVE char* QuarvelWebBuffer() {
    static char buffer[WEB_TEXT_BYTES];
    return buffer;
}

// A key of the keyboard or of the page's keypad, by the browser's names for it
// (KeyboardEvent.code and .key); the phone's code, 0 when the phone has no
// such key (the page then leaves the key to the browser).
EMSCRIPTEN_KEEPALIVE int QuarvelWebKey(const char* code, const char* key, int down) {
    const std::uint32_t phone = WebKeyCode(code, key);
    if (current != nullptr && phone != 0) current->loop().queueKey(phone, down != 0);
    return static_cast<int>(phone);
}

// A gamepad button by its index in the standard mapping.
EMSCRIPTEN_KEEPALIVE void QuarvelWebButton(int index, int down) {
    if (current != nullptr) current->loop().queueKey(WebButtonCode(index), down != 0);
}

// Text typed (UTF-8).
EMSCRIPTEN_KEEPALIVE void QuarvelWebText(const char* text) {
    if (current == nullptr || *text == '\0') return;
    ScriptCommand input;
    input.kind = ScriptCommand::Kind::Text;
    input.text = text;
    current->loop().queue(input);
}

// The stylus on a pixel of the phone's screen.
EMSCRIPTEN_KEEPALIVE void QuarvelWebPen(int down, int x, int y) {
    if (current == nullptr) return;
    ScriptCommand input;
    input.kind = down ? ScriptCommand::Kind::PenDown : ScriptCommand::Kind::PenUp;
    input.x = x;
    input.y = y;
    current->loop().queue(input);
}

// The page shown with the focus, or hidden or without it.
EMSCRIPTEN_KEEPALIVE void QuarvelWebActivate(int active) {
    Queue(active ? ScriptCommand::Kind::Activate : ScriptCommand::Kind::Deactivate);
}

// Whether the file the page wrote at `path` (a player's settings file to
// load) reads as a store.
EMSCRIPTEN_KEEPALIVE int QuarvelWebStoreReads(const char* path) {
    return StoreFileReads(path) ? 1 : 0;
}

// The page is being left: the program closes in order.
EMSCRIPTEN_KEEPALIVE void QuarvelWebClose() {
    if (current != nullptr) current->loop().queueClose();
}

}  // extern "C"
