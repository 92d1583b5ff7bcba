// The whole program on a fresh layer (tests/support/layer_fixture.h), in the
// test process: the built resource packs and a store file of the test's own.
// The program's globals are put back to their state at program load before
// each test. With it, the program's headers that its users share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "front/screens.h"
#include "platform/internal/phone_shell_internal.h"
#include "platform/resources/resources.h"
#include "shell/back_buffer.h"
#include "shell/main_window/main_window.h"
#include "shell/records/control_layout.h"
#include "shell/records/game_over_report.h"
#include "shell/records/options.h"
#include "shell/resource_ids.h"
#include "shell/resource_pack.h"
#include "shell/screen_switching.h"
#include "shell/settings.h"
#include "shell/soft_keys.h"
#include "tests/support/layer_fixture.h"
#include "tests/support/test_files.h"

class ProgramTest : public LayerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The program's start as its main takes it, up to the message loop: the pack
    // for the screen, the place names, the class and the main window. False when
    // no pack loads.
    bool Start(std::int32_t width = 240, std::int32_t height = 320);
    // Destroys the main window (the settings are saved) and frees the pack.
    void Stop();
    void Key(std::uint32_t key, bool down);
    // A press of `key` when the loop next waits for input: in a dialog or a
    // message box opened meanwhile.
    void PressLater(std::uint32_t key);
    // Sends a menu command to the main window as the soft-key menu does.
    void Command(std::uint16_t id);

    // Loads packs from a folder of the test's own (dir/packs), holding the built
    // 240x320 pack without the entries whose names (before the extension) are
    // listed, e.g. "MENUBAR/102" or "WAVE/sndDrop".
    void UsePackWithout(const std::vector<std::string>& left_out);

    std::string StoreText() const { return FileText(storePath); }
    void WriteStore(const std::string& text) const;

    std::filesystem::path dir;
    std::filesystem::path storePath;
};

// The label of a soft key on the bar of `screen`'s window; "unchanged" when
// there is none to read.
inline std::u16string SoftKeyLabel(const CQuarvelWnd& screen, std::int32_t command) {
    char16_t text[100] = u"unchanged";
    GetSoftKeyText(&screen, command, text, 100);
    return text;
}
