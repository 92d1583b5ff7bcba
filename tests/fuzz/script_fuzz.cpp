// Feeds arbitrary bytes to the headless script reader. A script it takes must
// hold only commands with sane fields; one it refuses must say which line, on
// one line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/script.h"
#include "platform/runtime/keys.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptCommand> commands;
    std::string error;
    if (!ParseScript(source, commands, error)) {
        if (!error.starts_with("line ") || error.find('\n') != std::string::npos) std::abort();
        return -1;
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const ScriptCommand& c = commands[i];
        if (c.line < 1) std::abort();
        if (c.kind == ScriptCommand::Kind::ClockStart && i != 0) std::abort();
        switch (c.kind) {
            case ScriptCommand::Kind::Down:
            case ScriptCommand::Kind::Up:
            case ScriptCommand::Kind::Press: {
                if (c.code >= KEY_CODE_COUNT) std::abort();
                // The recorder's name for the key reads back as the same key.
                std::uint32_t back = 0;
                if (!KeyCodeFromName(KeyNameForScript(c.code), back) || back != c.code) std::abort();
                break;
            }
            case ScriptCommand::Kind::SoftKey:
                if (c.code > 1) std::abort();
                break;
            default:
                break;
        }
    }
    return 0;
}
