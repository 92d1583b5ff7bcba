#include "host/host_main.h"

#include <SDL.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>

#include "host/desktop_host.h"
#include "host/desktop_services.h"
#include "host/headless_host.h"
#include "host/host_options.h"
#include "host/single_instance.h"
#include "host/soak.h"
#include "platform/internal/drawing_internal.h"
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

#ifndef QUARVEL_VERSION
#define QUARVEL_VERSION "0"
#endif

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quarvel: %s\n", message.c_str());
    return 2;
}

bool ReadFile(const std::string& path, std::string& text) {
    // A folder opens as a stream that reads as empty: only files are read.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

// One line on stderr that tools/quarvel-soak reads: the ticks that ran of those
// asked for (the program may end the soak early, by its Exit command) and the
// process's memory.
void ReportSoak(const HostOptions& options, const SoakInput& soak, std::int32_t code,
                std::chrono::steady_clock::time_point started) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const SoakInput::Memory start = soak.memoryAtStart();
    const SoakInput::Memory end = SoakInput::MemoryNow();
    std::fprintf(stderr,
                 "quarvel soak: seed %llu, %llu of %llu ticks, exit %d, %.1f s; RSS at the start "
                 "%ld KiB (peak %ld KiB), at the end %ld KiB (peak %ld KiB)\n",
                 static_cast<unsigned long long>(options.seed),
                 static_cast<unsigned long long>(soak.ticksRun()),
                 static_cast<unsigned long long>(*options.soakTicks), code, seconds, start.rssKb,
                 start.peakKb, end.rssKb, end.peakKb);
}

// What the store tells the host, on stderr only: the game itself says nothing of
// a save that failed. A save that fails again for the same reason is told once.
void TellStoreTrouble(StoreTrouble trouble, const char* path, const char* reason) {
    static std::string last;
    std::string line;
    switch (trouble) {
    case StoreTrouble::HeldByAnother:
        line = std::string(path) + " is in use by another running game; nothing will be saved";
        break;
    case StoreTrouble::Unreadable:
        line = "could not read settings from " + std::string(path) +
               ": starting from the defaults; the file will be kept as " + path + ".bad";
        break;
    case StoreTrouble::SaveFailed:
        line = "could not save settings to " + std::string(path) + ": " + reason;
        break;
    }
    if (line == last) return;
    last = line;
    std::fprintf(stderr, "quarvel: %s\n", line.c_str());
}

}  // namespace

namespace {

// Reads and parses the headless script; a script's clock start (a recording's)
// applies from the program's start. Empty when it succeeds, else the error.
std::string ReadScript(HostOptions& options, std::vector<ScriptCommand>& commands) {
    std::string source, error;
    if (!ReadFile(options.scriptPath, source)) return "cannot read " + options.scriptPath;
    if (!ParseScript(source, commands, error)) return options.scriptPath + ": " + error;
    if (!commands.empty() && commands.front().kind == ScriptCommand::Kind::ClockStart) {
        if (!options.clockStart) options.clockStart = commands.front().ms;
        commands.erase(commands.begin());
    }
    return "";
}

// The text of an event log line `message box "CAPTION" "TEXT"`, unquoted and on
// one line.
std::string MessageBoxText(std::string_view line) {
    line.remove_prefix(std::string_view("message box \"").size());
    std::size_t i = 0;
    while (i < line.size() && line[i] != '"')
        i += line[i] == '\\' ? 2 : 1;  // the caption
    std::string text;
    for (i += 3; i + 1 < line.size(); ++i) {  // after `" "`, to the closing quote
        char c = line[i];
        if (c == '\\') {
            c = line[++i];
            if (c == 'n') c = ' ';
        }
        text += c;
    }
    return text;
}

// The layer as the program finds it: the log (which also keeps the last message
// box shown), the faces found before, the store, the packs' folders, the clock,
// the screen and the phone shell.
void SetUpLayer(const HostOptions& options, std::ofstream& log, std::string& lastMessageBox) {
    SetEventSink([&log, &lastMessageBox](const std::string& line) {
        if (line.starts_with("message box \"")) lastMessageBox = MessageBoxText(line);
        if (!log.is_open()) return;
        log << '[' << GetTickCount() << "] " << line << '\n';
        log.flush();
    });
    SetFontCacheFile(FontCacheFile().c_str());
    SetSoundNameLookup(ResourceEntryName);  // sounds are logged by their resource names
    SetStoreTroubleHandler(TellStoreTrouble);
    // A headless run touches only the store it is given (RunHost gives one of
    // its own when --store names none); a desktop run defaults to the player's.
    std::string store = options.storePath;
    if (store.empty() && !options.headless) {
        std::string error;
        store = DefaultStorePath(&error);
        if (!error.empty()) std::fprintf(stderr, "quarvel: %s\n", error.c_str());
    }
    SetRegistryStorePath(store.c_str());
    SetModuleSearchFolders(PackSearchFolders());
    if (!options.packsFolder.empty()) SetModuleFolder(options.packsFolder.c_str());
    // A phone's tick count is its time since start: the desktop clock starts where
    // the system's monotonic clock stands, so games seeded from it differ between
    // runs. Headless runs start at 0; --clock-start (and a recording) fix it.
    std::uint32_t clockStart = 0;
    if (!options.headless) {
        clockStart =
            static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
    }
    SetClock(options.clockStart.value_or(clockStart));
    SetScreenSize(options.screenWidth, options.screenHeight);
    StartPhoneShell(u"Quarvel");
}

// A folder of the run's own under the temporary folder, removed with what it
// holds when the run ends; empty when it cannot be made.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code ec;
        std::string name = (std::filesystem::temp_directory_path(ec) / "quarvel-XXXXXX").string();
        if (!ec && mkdtemp(name.data()) != nullptr) path_ = name;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A recording's replay needs the store as it was at the start: a copy beside
// the recording. Empty when it succeeds, else the error.
std::string CopyStoreForReplay(const std::string& recordPath) {
    std::error_code ec;
    std::filesystem::path store = RegistryStorePath();
    std::filesystem::path copy = recordPath + ".store";
    if (std::filesystem::exists(store, ec)) {
        std::filesystem::copy_file(store, copy, std::filesystem::copy_options::overwrite_existing,
                                   ec);
    } else {
        std::ofstream(copy, std::ios::trunc) << "REGEDIT4\n";
    }
    return ec ? "cannot copy the store to " + copy.string() : "";
}

}  // namespace

int RunHost(int argc, const char* const* argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, options, error)) return Fail(error);
    if (options.help) {
        std::fputs(HostHelpText(), stdout);
        return 0;
    }
    if (options.version) {
        // The desktop edition's version, then the phone program's own.
        std::printf("quarvel %s (desktop edition)\n%s\n", QUARVEL_VERSION, ProgramVersion());
        return 0;
    }

    std::vector<ScriptCommand> commands;
    if (options.headless && !options.scriptPath.empty()) {
        error = ReadScript(options, commands);
        if (!error.empty()) return Fail(error);
    }

    if (!options.headless && DisplayMissing()) return Fail(NO_DISPLAY);
    // Desktop runs are single-instance; headless runs never are, so tests can run
    // side by side.
    SingleInstance instance;
    if (!options.headless) {
        switch (instance.acquire(error)) {
            case SingleInstance::Result::AnotherRuns:
                return 0;
            case SingleInstance::Result::Failed:
                std::fprintf(stderr, "quarvel: %s (running without the single-instance check)\n",
                             error.c_str());
                break;
            case SingleInstance::Result::First:
                break;
        }
    }

    // Headless without --store: a fresh store, dropped at the end, so a script
    // plays as on a first run and never reads or changes the player's scores.
    std::optional<ScratchFolder> scratch;
    if (options.headless && options.storePath.empty()) {
        scratch.emplace();
        if (!scratch->path().empty()) options.storePath = scratch->path() + "/settings.reg";
    }

    std::ofstream log;
    if (!options.logPath.empty()) {
        log.open(options.logPath, std::ios::trunc);
        if (!log) return Fail("cannot write " + options.logPath);
    }
    std::string lastMessageBox;
    SetUpLayer(options, log, lastMessageBox);

    std::unique_ptr<HeadlessHost> headless;
    std::unique_ptr<DesktopHost> desktop;
    std::unique_ptr<SoakInput> soak;
    if (options.headless) {
        headless = std::make_unique<HeadlessHost>(std::move(commands));
        if (options.soakTicks) {
            soak = std::make_unique<SoakInput>(options.seed, *options.soakTicks,
                                               options.screenWidth, options.screenHeight);
            headless->setSoak(soak.get());
        }
        SetAudioEnabled(false);
        SetHostDriver(headless.get());
    } else {
        if (!options.recordPath.empty()) {
            error = CopyStoreForReplay(options.recordPath);
            if (!error.empty()) return Fail(error);
        }
        desktop = std::make_unique<DesktopHost>();
        if (!desktop->open(options, error)) return Fail(error);
        static SingleInstance* running = &instance;
        desktop->setRaiseCheck([] { return running->raiseRequested(); }, instance.raiseSocket());
        SetAudioEnabled(!options.mute);
        SetLinkOpener(OpenLinkOnDesktop);
        SetHostDriver(desktop.get());
    }

    const auto started = std::chrono::steady_clock::now();
    LogEvent("start");
    std::int32_t code = ProgramMain(ProgramModule(), nullptr, u"", SW_SHOWNORMAL);
    LogEvent("exit " + std::to_string(code));
    ResetWindowManager();  // the phone shell's windows outlive the program's
    if (soak) ReportSoak(options, *soak, code, started);
    SetHostDriver(nullptr);
    SetEventSink(nullptr);
    // A program that ends with a failure said why in its last message box, which
    // nobody sees in a headless run.
    if (headless && code != 0 && !lastMessageBox.empty()) {
        std::fprintf(stderr, "quarvel: %s\n", lastMessageBox.c_str());
    }
    if (headless && !headless->failure().empty()) {
        return Fail(options.scriptPath + ": " + headless->failure());
    }
    if (desktop && desktop->displayLost()) {
        std::fprintf(stderr,
                     "quarvel: the connection to the display was lost; the game closed "
                     "in order\n");
        return 1;
    }
    return code;
}
