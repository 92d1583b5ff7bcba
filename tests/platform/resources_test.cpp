#include <sys/wait.h>

#include <initializer_list>
#include <tuple>

#include "platform/internal/resources_internal.h"
#include "platform/resources/resources.h"
#include "platform/text/text.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_writer.h"

namespace fs = std::filesystem;

namespace {

#ifdef RESOURCES_TEST_WITHOUT_PROGRAM_MODULE

TEST(ProgramModuleTest, WithoutEmbeddedModuleIsEmpty) {
    const ModuleHandle program = ProgramModule();
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(ProgramModule(), program);
    EXPECT_EQ(FindResource(program, 103, RT_DIALOG).bytes, nullptr);
    char16_t buffer[8] = u"x";
    EXPECT_EQ(LoadString(program, 1, buffer, 8), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_FALSE(FreeModule(program));
}

#else

std::string Text(ResourceData data) {
    return data.bytes ? std::string(reinterpret_cast<const char*>(data.bytes), data.size) : "";
}

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and error together
};

// Runs a program with its arguments, each quoted for the shell.
ToolRun RunTool(std::initializer_list<std::string> argv) {
    ToolRun run;
    std::string command;
    for (const std::string& arg : argv)
        command += "'" + arg + "' ";
    FILE* pipe = popen((command + "2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char chunk[4096];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
        run.output.append(chunk, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ResourcesTest : public testing::Test {
  protected:
    void SetUp() override {
        SetModuleFolder(TEST_MODULE_FOLDER);
        pack = LoadModule(u"240x320.dll");
        ASSERT_NE(pack, nullptr);
        scratch = FreshTestFolder();
    }
    void TearDown() override {
        FreeModule(pack);
        SetModuleFolder(nullptr);
        fs::remove_all(scratch);
    }

    ModuleHandle pack = nullptr;
    fs::path scratch;
};

TEST_F(ResourcesTest, LoadsFromModuleFolderFirstThenNextToExecutable) {
    // The module folder holds a "resources-test.dll" with other contents than
    // the one in the packs folder next to the test program.
    ModuleHandle shadow = LoadModule(u"resources-test.dll");
    ASSERT_NE(shadow, nullptr);
    EXPECT_NE(FindResource(shadow, 103, RT_DIALOG).bytes, nullptr);
    EXPECT_EQ(FindResource(shadow, 101, "TEXT").bytes, nullptr);
    FreeModule(shadow);

    SetModuleFolder(nullptr);
    ModuleHandle near = LoadModule(u"resources-test.dll");
    ASSERT_NE(near, nullptr);
    EXPECT_NE(FindResource(near, 101, "TEXT").bytes, nullptr);
    FreeModule(near);
    EXPECT_EQ(LoadModule(u"240x320.dll"), nullptr);

    // A folder set by the host is the only one searched.
    SetModuleFolder(scratch.c_str());
    EXPECT_EQ(LoadModule(u"resources-test.dll"), nullptr);

    // Names are plain file names: nothing reaches outside the searched folders.
    SetModuleFolder(fs::path(TEST_MODULE_FOLDER).parent_path().c_str());
    for (const char16_t* name : {u"packs/resources-test.dll", u"../tests/packs/resources-test.dll",
                                 u"packs\\resources-test.dll", u"..", u"", u"missing.dll"}) {
        EXPECT_EQ(LoadModule(name), nullptr) << Utf16ToUtf8(name);
    }
    EXPECT_EQ(LoadModule(nullptr), nullptr);
}

TEST_F(ResourcesTest, EntriesAreReadWhenFirstLookedUpAndAnUnreadableOneGivesWayToTheNext) {
    // Two entries for string 7, the first with a broken checksum, and string 8.
    const fs::path path = scratch / "lazy.dll";
    ASSERT_TRUE(WriteZip(
        path,
        {{"STRING/7.txt", "first text"}, {"STRING/7", "second text"}, {"STRING/8.txt", "eight"}}));
    std::string bytes = FileText(path);
    const std::size_t at = bytes.find("first text");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'F';  // the stored bytes no longer match their checksum
    ModuleHandle module = LoadModuleFromMemory(bytes.data(), bytes.size());
    ASSERT_NE(module, nullptr);
    char16_t text[32];
    EXPECT_EQ(LoadString(module, 7, text, 32), 11);
    EXPECT_EQ(std::u16string(text), u"second text");
    EXPECT_EQ(LoadString(module, 8, text, 32), 5);
    const std::vector<ModuleEntry> entries = ListModuleEntries(module);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, "7");
    EXPECT_EQ(Text(entries[0].data), "second text");
    EXPECT_EQ(entries[1].id, "8");
    FreeModule(module);
}

TEST_F(ResourcesTest, FindsByNumberAndByNameIgnoringCaseOfNames) {
    EXPECT_EQ(Text(FindResource(pack, 101, "TEXT")), FileText(TEST_PACK_SOURCE "/TEXT/101.txt"));
    EXPECT_EQ(FindResource(pack, 101, "text").bytes, FindResource(pack, 101, "TEXT").bytes);

    const ResourceData pop = FindResource(pack, "sndPop", "WAVE");
    EXPECT_EQ(pop.size, 60u);
    EXPECT_EQ(FindResource(pack, "SNDPOP", "wave").bytes, pop.bytes);
    EXPECT_EQ(Text(FindResource(pack, "thing", "DATA")), "thing bytes");

    EXPECT_EQ(Text(FindResource(pack, 7, 300)), "\x01\x02\x03");
    EXPECT_EQ(FindResource(pack, "#7", "#300").bytes, FindResource(pack, 7, 300).bytes);
    EXPECT_EQ(FindResource(pack, 104, RT_BITMAP).size, 75u);
    EXPECT_EQ(FindResource(pack, 104, "#2").bytes, FindResource(pack, 104, RT_BITMAP).bytes);

    // Misses: another type, a name that only looks like the number, no module.
    EXPECT_EQ(FindResource(pack, 101, RT_BITMAP).bytes, nullptr);
    EXPECT_EQ(FindResource(pack, "101", "TEXT").bytes, nullptr);
    EXPECT_EQ(FindResource(pack, "sndPo", "WAVE").bytes, nullptr);
    EXPECT_EQ(FindResource(nullptr, 101, "TEXT").bytes, nullptr);
}

// One final line break is dropped (LF or CR LF, not a second); a text cut to the
// capacity never ends in half of a surrogate pair; a missing string is empty.
TEST_F(ResourcesTest, LoadsStringsCutToCapacityAndTerminated) {
    const std::tuple<std::uint32_t, std::int32_t, std::u16string> cases[] = {
        {40016, 256, u"You reached %s place!"},
        {40018, 256, u"Rotate"},
        {40020, 256, u"Left\n"},
        {40019, 256, u"Drop"},
        {40017, 256, u"Gr\u00fc\u00dfe \u2605 \U0001F600"},
        {40016, 5, u"You "},
        {40017, 10, u"Gr\u00fc\u00dfe \u2605 "},
        {40016, 1, u""},
        {39999, 256, u""}};
    for (const auto& [id, capacity, expected] : cases) {
        char16_t buffer[256];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        EXPECT_EQ(LoadString(pack, id, buffer, capacity),
                  static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(std::u16string(buffer), expected) << id << " " << capacity;
    }
    char16_t untouched[2] = {u'#', u'#'};
    EXPECT_EQ(LoadString(pack, 40016, untouched, 0), 0);
    EXPECT_EQ(LoadString(pack, 40016, untouched, -1), 0);
    EXPECT_EQ(untouched[0], u'#');
}

TEST_F(ResourcesTest, LoadsBitmapsAndImages) {
    struct Case {
        BitmapHandle bitmap;
        std::int32_t width, height;
    };
    const Case loaded[] = {
        {LoadBitmapResource(pack, 104), 3, 2},  // PNG
        {LoadBitmapResource(pack, 106), 2, 2},  // BMP
        {LoadImageResource(pack, 109), 1, 1},
        {LoadImageResource(pack, 130), 4, 1},  // a PNG-type resource
    };
    for (const Case& c : loaded) {
        std::int32_t width = 0, height = 0;
        ASSERT_NE(c.bitmap, nullptr);
        EXPECT_TRUE(GetBitmapSize(c.bitmap, width, height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        DeleteBitmap(c.bitmap);
    }
    EXPECT_EQ(LoadBitmapResource(pack, 105), nullptr);  // not an image
    EXPECT_EQ(LoadImageResource(pack, 105), nullptr);
    EXPECT_EQ(LoadBitmapResource(pack, 130), nullptr);  // only the image loader takes PNG type
    EXPECT_EQ(LoadBitmapResource(pack, 999), nullptr);
    EXPECT_EQ(LoadBitmapResource(nullptr, 104), nullptr);
}

TEST_F(ResourcesTest, NamesTheEntryOfResourceBytes) {
    const ResourceData pop = FindResource(pack, "SNDPOP", "wave");
    EXPECT_EQ(ResourceEntryName(pop.bytes), "WAVE/sndPop");
    EXPECT_EQ(ResourceEntryName(FindResource(pack, 104, RT_BITMAP).bytes), "BITMAP/104");
    EXPECT_EQ(ResourceEntryName(FindResource(pack, 7, 300).bytes), "#300/7");
    EXPECT_EQ(ResourceEntryName(FindResource(ProgramModule(), 103, RT_DIALOG).bytes), "DIALOG/103");
    EXPECT_EQ(ResourceEntryName(pop.bytes + 1), "");
    EXPECT_EQ(ResourceEntryName(nullptr), "");
    FreeModule(pack);
    pack = nullptr;
    EXPECT_EQ(ResourceEntryName(pop.bytes), "");
}

// Copies the complete test pack's sources, changes them, packs and checks them.
TEST_F(ResourcesTest, PackToolsBuildReproduciblyAndCheckWhatTheProgramNeeds) {
    const fs::path sources = scratch / "sources";
    const fs::path built = scratch / "out" / "copy.dll";
    fs::copy(TEST_PACK_SOURCE, sources, fs::copy_options::recursive);
    ASSERT_EQ(RunTool({PACK_BUILD_TOOL, sources, built}).status, 0);
    EXPECT_EQ(FileText(built), FileText(fs::path(TEST_MODULE_FOLDER) / "240x320.dll"));

    ToolRun run = RunTool({PACK_TOOL, "check", built});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("all 46 resources present"), std::string::npos) << run.output;

    run = RunTool({PACK_TOOL, "list", built});
    EXPECT_EQ(run.status, 0);
    const std::size_t line = run.output.find("STRING   40016 ");
    ASSERT_NE(line, std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(line, run.output.find('\n', line) - line),
              "STRING   40016               22  \"You reached %s place!\"");

    struct Breakage {
        const char* file;
        const char* content;  // null removes the file
        const char* line;
    };
    const Breakage breakages[] = {
        {"WAVE/sndJunk.wav", nullptr, "missing WAVE sndJunk (sound)"},
        {"BITMAP/113.png", nullptr, "missing BITMAP 113 (level background)"},
        {"WAVE/sndPop.wav", "not a wave", "broken WAVE sndPop (sound): no RIFF/WAVE header"},
        {"BITMAP/104.png", "not a png", "broken BITMAP 104 (tile sheet): not a readable image"},
        {"TEXT/101.txt", "game_width: 240\ngame_height : 320\n",
         "broken TEXT 101 (layout text): reading stops at line 2"},
        {"TEXT/101.txt", "game_width: 240\n", "broken TEXT 101 (layout text): no game_height"},
    };
    for (const Breakage& breakage : breakages) {
        fs::remove_all(sources);
        fs::copy(TEST_PACK_SOURCE, sources, fs::copy_options::recursive);
        if (breakage.content) {
            std::ofstream(sources / breakage.file, std::ios::trunc) << breakage.content;
        } else {
            fs::remove(sources / breakage.file);
        }
        RunTool({PACK_BUILD_TOOL, sources, built});
        run = RunTool({PACK_TOOL, "check", built});
        EXPECT_EQ(run.status, 1) << breakage.line;
        EXPECT_NE(run.output.find(breakage.line), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("1 of 46 resources missing or broken"), std::string::npos);
    }

    // Bad entry names, bad usage and unreadable packs fail with status 2.
    std::ofstream(sources / "BITMAP" / "0104.png") << "x";
    run = RunTool({PACK_BUILD_TOOL, sources, built});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("bad entry name \"BITMAP/0104.png\""), std::string::npos)
        << run.output;
    EXPECT_EQ(RunTool({PACK_TOOL, "check"}).status, 2);
    EXPECT_EQ(RunTool({PACK_TOOL, "check", sources / "TEXT" / "101.txt"}).status, 2);
}

TEST(EntryNameTest, AcceptsTheNamingRuleOnly) {
    for (const std::vector<std::string>& row : TableRows(TABLES "/entry_names.txt", 3)) {
        EntryName parsed;
        std::string why;
        if (row[0] == "takes") {
            EXPECT_TRUE(ParseEntryName(row[2], parsed, &why)) << row[2];
            EXPECT_EQ(parsed.key, row[1]) << row[2];
        } else {
            EXPECT_FALSE(ParseEntryName(row[2], parsed, &why)) << row[2];
            EXPECT_FALSE(why.empty()) << row[2];
        }
    }
}

#endif

}  // namespace
