// Links opened through the phone shell's execute record, handed to the host's
// link opener, and the temporary folder.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/internal/phone_shell_internal.h"
#include "platform/phone_shell/phone_shell.h"
#include "platform/runtime/event_log.h"
#include "platform/text/text.h"

namespace {

bool (*linkOpener)(const char*) = nullptr;

}  // namespace

bool ExecuteLink(ExecuteInfo& info) {
    if (info.size != EXECUTE_INFO_SIZE || info.file == nullptr || info.file[0] == 0) return false;
    if (info.verb != nullptr) {
        std::u16string verb(info.verb);
        for (char16_t& c : verb) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (verb != u"open") return false;
    }
    std::string link = Utf16ToUtf8(info.file);
    LogEvent("link " + link);
    bool (*opener)(const char*) = linkOpener;
    return opener == nullptr || opener(link.c_str());
}

void SetLinkOpener(bool (*opener)(const char* utf8Link)) {
    linkOpener = opener;
}

std::int32_t GetTempFolder(char16_t* buffer, std::int32_t capacity) {
    const char* folder = std::getenv("TMPDIR");
    std::u16string path = Utf8ToUtf16(folder != nullptr && folder[0] != 0 ? folder : "/tmp");
    auto length = static_cast<std::int32_t>(path.size());
    if (buffer == nullptr || capacity <= length) {
        // Too small: nothing copied; the answer is the capacity it needs.
        if (buffer != nullptr && capacity > 0) buffer[0] = 0;
        return length + 1;
    }
    std::copy(path.begin(), path.end(), buffer);
    buffer[length] = 0;
    return length;
}
