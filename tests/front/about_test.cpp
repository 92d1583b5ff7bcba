#include <string>

#include "platform/dialogs/dialogs.h"
#include "platform/runtime/keys.h"
#include "platform/runtime/program.h"
#include "platform/text/text.h"
#include "platform/windows/windows.h"
#include "shell/resource_ids.h"
#include "tests/shell/program_support.h"

namespace {

using AboutTest = ProgramTest;

// The About box and the host's --version show the program's version from one
// definition.
TEST_F(AboutTest, ShowsTheVersionThatVersionPrints) {
    ASSERT_TRUE(Start());
    std::string shown;
    host.steps.push_back([&] {
        char16_t text[64] = {};
        GetDialogItemText(GetActiveWindow(), IDC_VERSION_TEXT, text, 64);
        shown = Utf16ToUtf8(text);
        DeliverKey(VK_F1, true), DeliverKey(VK_F1, false);  // Done
    });
    Command(IDM_ABOUT);
    EXPECT_EQ(shown, "Quarvel 1.1 (Build 150)");
    EXPECT_EQ(shown, ProgramVersion());
}

}  // namespace
