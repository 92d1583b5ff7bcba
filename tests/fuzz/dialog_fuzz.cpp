// Feeds arbitrary bytes to the reader of DIALOG templates. A template it takes
// must have controls of known kinds with sizes it could lay out.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/internal/dialogs_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    DialogTemplate dialog;
    if (!ParseDialogTemplate(text, dialog)) return -1;
    if (dialog.fontPoints < 0 || dialog.width < 0 || dialog.height < 0) std::abort();
    (void)FontPixelsForPoints(dialog.fontPoints);
    for (const ControlTemplate& control : dialog.controls) {
        if (control.kind < ControlKind::Static || control.kind > ControlKind::Button) std::abort();
        if (control.width < 0 || control.height < 0) std::abort();
    }
    return 0;
}
