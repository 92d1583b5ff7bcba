// The web edition's start: the page passes host options as the command line
// (--screen, --store, --packs, and for its tests --headless --script and --log),
// with the pack, the store and the script already in the page's file system.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "host/host_options.h"
#include "host/web_host.h"
#include "platform/internal/drawing_internal.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/internal/resources_internal.h"
#include "platform/internal/sound_names.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/resources/resources.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/event_log.h"
#include "platform/runtime/program.h"
#include "platform/sound/sound.h"
#include "platform/store/registry.h"
#include "platform/windows/windows.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quarvel: %s\n", message.c_str());
    TellPageClosed(2);
    return 2;
}

// The script's commands, a recording's clock start taken off the front; empty
// when it reads, else the error.
std::string ReadScript(HostOptions& options, std::vector<ScriptCommand>& commands) {
    std::ifstream in(options.scriptPath, std::ios::binary);
    if (!in) return "cannot read " + options.scriptPath;
    std::ostringstream source;
    source << in.rdbuf();
    std::string error;
    if (!ParseScript(source.str(), commands, error)) return options.scriptPath + ": " + error;
    if (!commands.empty() && commands.front().kind == ScriptCommand::Kind::ClockStart) {
        if (!options.clockStart) options.clockStart = commands.front().ms;
        commands.erase(commands.begin());
    }
    return "";
}

// A failed save is told on the console, once for the same reason; the page
// itself says once in its text that the browser's storage refused it. A store
// that cannot be read is the page's to keep aside and to tell of.
void TellStoreTrouble(StoreTrouble trouble, const char* path, const char* reason) {
    if (trouble == StoreTrouble::Unreadable) {
        std::fprintf(stderr, "quarvel: could not read settings from %s: starting from the defaults\n",
                     path);
        TellPageStoreUnreadable();
        return;
    }
    static std::string last;
    const std::string line = "could not save settings to " + std::string(path) + ": " + reason;
    if (line == last) return;
    last = line;
    std::fprintf(stderr, "quarvel: %s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, options, error)) return Fail(error);
    std::vector<ScriptCommand> commands;
    if (options.headless) {
        if (options.scriptPath.empty()) return Fail("the page runs scripts only");
        error = ReadScript(options, commands);
        if (!error.empty()) return Fail(error);
    }

    std::ofstream log;
    if (!options.logPath.empty()) {
        log.open(options.logPath, std::ios::trunc);
        if (!log) return Fail("cannot write " + options.logPath);
    }
    WebScriptHost* script = nullptr;
    SetEventSink([&log, &script](const std::string& line) {
        if (script != nullptr && line.starts_with("shot ")) script->noteShot();
        if (!log.is_open()) return;
        log << '[' << GetTickCount() << "] " << line << std::endl;
    });
    SetFontFolder(QUARVEL_FONT_FOLDER);
    // The browser mixes at its own rate (mostly 44.1 or 48 kHz), to which SDL
    // converts each of the device's buffers on the page's thread: the sounds
    // are converted once, when they play, to a rate near it.
    SetAudioDeviceFormat(44100, 1024);
    SetSoundNameLookup(ResourceEntryName);
    SetStoreTroubleHandler(TellStoreTrouble);
    SetRegistryStorePath(options.storePath.c_str());
    if (!options.packsFolder.empty()) SetModuleFolder(options.packsFolder.c_str());
    // A script starts its clock at 0, as a headless run does; a game where the
    // browser's clock stands, so that games differ between runs.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    SetClock(options.clockStart.value_or(
        options.headless
            ? 0
            : static_cast<std::uint32_t>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(now).count())));
    SetScreenSize(options.screenWidth, options.screenHeight);
    StartPhoneShell(u"Quarvel");

    std::unique_ptr<HostDriver> host;
    if (options.headless) {
        auto scripted = std::make_unique<WebScriptHost>(options.screenWidth, options.screenHeight,
                                                        std::move(commands));
        script = scripted.get();
        host = std::move(scripted);
        SetAudioEnabled(false);
    } else {
        host = std::make_unique<WebHost>(options.screenWidth, options.screenHeight);
        SetAudioEnabled(!options.mute);
        SetNoAudioDeviceHandler(
            [] { std::fputs("quarvel: no sound in this browser, playing without\n", stderr); });
        SetStoreMirror(MirrorStoreInPage);
        SetLinkOpener(OpenLinkInPage);
        SetTimeOfDaySource(PageTimeOfDay);
    }
    SetHostDriver(host.get());

    LogEvent("start");
    std::int32_t code = ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL);
    LogEvent("exit " + std::to_string(code));
    ResetWindowManager();
    SetHostDriver(nullptr);
    SetStoreMirror(nullptr);
    if (script != nullptr && !script->failure().empty()) {
        code = Fail(options.scriptPath + ": " + script->failure());
    } else {
        TellPageClosed(code);
    }
    script = nullptr;
    SetEventSink(nullptr);
    return code;
}
