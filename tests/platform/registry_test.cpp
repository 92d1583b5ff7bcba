#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <csignal>

#include "platform/internal/registry_testing.h"
#include "platform/store/registry.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class RegistryTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        store_ = (folder_ / "settings.reg").string();
        SetRegistryStorePath(store_.c_str());
    }
    void TearDown() override {
        SetStoreWriteHookForTests(nullptr);
        SetStoreMirror(nullptr);
        SetStoreTroubleHandler(nullptr);
        fs::remove_all(folder_);
    }

    void WriteStore(const std::string& text) {
        std::ofstream(store_, std::ios::binary) << text;
        SetRegistryStorePath(store_.c_str());  // reload
    }
    static bool Set(const char16_t* name, std::uint32_t type, const Bytes& data) {
        RegistryKey key = nullptr;
        bool done = CreateRegistryKey(u"Software\\Quarvel", KEY_READ | KEY_WRITE, key) &&
                    SetRegistryValue(key, name, type, data.data(), data.size());
        CloseRegistryKey(key);
        return done;
    }
    // The value's bytes; nothing when the key or the value is missing.
    static std::optional<Bytes> Get(const char16_t* name, std::uint32_t* type = nullptr) {
        RegistryKey key = nullptr;
        Bytes data(256);
        std::size_t size = data.size();
        std::uint32_t unused = 0;
        bool found = OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key) &&
                     QueryRegistryValue(key, name, type ? *type : unused, data.data(), size);
        CloseRegistryKey(key);
        data.resize(size);
        return found ? std::optional(data) : std::nullopt;
    }

    // The temporary files that saves left in the store's folder.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("settings.reg.tmp-")) names.push_back(name);
        }
        return names;
    }

    fs::path folder_;
    std::string store_;
};

TEST_F(RegistryTest, KeysMustBeCreatedBeforeTheyOpen) {
    RegistryKey key = nullptr;
    EXPECT_FALSE(OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key));
    EXPECT_FALSE(CreateRegistryKey(u"Software\\\\Quarvel", KEY_WRITE, key));  // empty component
    ASSERT_TRUE(CreateRegistryKey(u"Software\\Quarvel", KEY_READ | KEY_WRITE, key));
    EXPECT_TRUE(CloseRegistryKey(key));
    EXPECT_FALSE(CloseRegistryKey(key));
    for (const char16_t* path : {u"Software\\Quarvel", u"SOFTWARE\\quarvel", u"Software"}) {
        ASSERT_TRUE(OpenRegistryKey(path, KEY_READ, key));
        CloseRegistryKey(key);
    }
    EXPECT_EQ(FileText(store_), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\n");
}

TEST_F(RegistryTest, QueryReportsTypeAndSizeAndFailsWithoutChangingAnything) {
    ASSERT_TRUE(Set(u"Options", REG_BINARY, Bytes(12, 7)));
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {12, 0, 0, 0}));
    RegistryKey key;
    ASSERT_TRUE(OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key));
    std::uint32_t type = 99;
    std::size_t size = 11;
    Bytes buffer(16, 0xAA);
    EXPECT_FALSE(QueryRegistryValue(key, u"Options", type, buffer.data(), size));  // too long
    EXPECT_FALSE(QueryRegistryValue(key, u"Missing", type, buffer.data(), size));
    EXPECT_TRUE(type == 99 && size == 11 && buffer == Bytes(16, 0xAA));
    ASSERT_TRUE(QueryRegistryValue(key, u"options", type, nullptr, size));  // type and size only
    EXPECT_TRUE(type == REG_BINARY && size == 12);
    size = buffer.size();
    ASSERT_TRUE(QueryRegistryValue(key, u"HIGHESTLEVEL", type, buffer.data(), size));
    EXPECT_TRUE(type == REG_DWORD && size == 4);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{12, 0, 0, 0, 0xAA}));
    // A read-only handle cannot write, nor a write-only one read.
    EXPECT_FALSE(SetRegistryValue(key, u"Options", REG_BINARY, buffer.data(), 1));
    CloseRegistryKey(key);
    ASSERT_TRUE(OpenRegistryKey(u"Software\\Quarvel", KEY_WRITE, key));
    EXPECT_FALSE(QueryRegistryValue(key, u"Options", type, nullptr, size));
    CloseRegistryKey(key);
}

TEST_F(RegistryTest, OverwriteKeepsTheFirstSpellingAndPersistsAcrossReloads) {
    Bytes scores(180);
    for (std::size_t i = 0; i < scores.size(); ++i)
        scores[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(Set(u"HighScores", REG_BINARY, Bytes(3, 1)));
    ASSERT_TRUE(Set(u"HIGHSCORES", REG_BINARY, scores));
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {0x0c, 0, 0, 0}));
    ASSERT_TRUE(Set(u"Odd \"name\" \\ é", 11, {1, 2}));
    ASSERT_TRUE(Set(nullptr, REG_BINARY, {}));

    SetRegistryStorePath(store_.c_str());
    std::uint32_t type = 0;
    EXPECT_EQ(Get(u"highscores", &type), scores);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(Get(u"HighestLevel", &type), (Bytes{0x0c, 0, 0, 0}));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(Get(u"ODD \"NAME\" \\ É", &type), (Bytes{1, 2}));
    EXPECT_EQ(type, 11u);
    EXPECT_EQ(Get(u""), Bytes{});

    std::string text = FileText(store_);
    EXPECT_NE(text.find("\n\"HighScores\"=hex:00,07,0e,15,"), std::string::npos);
    EXPECT_EQ(text.find("HIGHSCORES"), std::string::npos);
    EXPECT_NE(text.find("\n\"HighestLevel\"=dword:0000000c\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Odd \\\"name\\\" \\\\ \xC3\xA9\"=hex(b):01,02\n"), std::string::npos);
    EXPECT_NE(text.find("\n@=hex:\n"), std::string::npos);
}

TEST_F(RegistryTest, ReadsFilesAsRegeditWritesThem) {
    WriteStore(
        "REGEDIT4\r\n\r\n; comment\r\n[hkey_current_user\\software\\QUARVEL]\r\n"
        "\"Controls\"=hex:00,25,\\\r\n  5A,28\r\n\"Name\"=\"a\\\"b\"\r\n\r\n");
    std::uint32_t type = 0;
    EXPECT_EQ(Get(u"Controls", &type), (Bytes{0, 0x25, 0x5A, 0x28}));
    EXPECT_EQ(Get(u"Name", &type), (Bytes{'a', 0, '"', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(type, 1u);  // a string value
}

// A text editor may drop the final line break: the last line reads all the
// same, in LF and CR LF files, and nothing is set aside at the next save.
TEST_F(RegistryTest, LastLineWithoutItsLineBreakReads) {
    const Bytes scores = HighScoreBytes(
        {{90000, u"Ann"}, {70000, u"Zo\u00EB"}, {50000, u"Kim"}, {30000, u"Lou"}, {10000, u"Bo"}});
    const std::string lf =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n"
        "\"HighestLevel\"=dword:00000007\n\"HighScores\"=" +
        HexBytes(scores);
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    for (const std::string& text : {lf, crlf}) {
        WriteStore(text);
        EXPECT_EQ(Get(u"HighScores"), scores);
        EXPECT_EQ(Get(u"HighestLevel"), (Bytes{7, 0, 0, 0}));
        ASSERT_TRUE(Set(u"Options", REG_BINARY, Bytes(12, 1)));
        EXPECT_FALSE(fs::exists(store_ + ".bad"));
        SetRegistryStorePath(store_.c_str());
        EXPECT_EQ(Get(u"HighScores"), scores);
    }
}

// Stores the parser refuses are in tests/fuzz/corpus/store/reject/.
TEST_F(RegistryTest, UnparsableStoreReadsEmptyAndIsKeptAsideBeforeTheNextWrite) {
    const std::string damaged[] = {
        "",
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"Name\"=\"Pla",  // cut in a string
    };
    // The host hears of it once, when the file is read, before anything is saved.
    static int unreadable = 0;
    SetStoreTroubleHandler(+[](StoreTrouble trouble, const char*, const char*) {
        unreadable += trouble == StoreTrouble::Unreadable;
    });
    for (const std::string& text : damaged) {
        unreadable = 0;
        WriteStore(text);
        RegistryKey key;
        EXPECT_FALSE(OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key)) << text;
        EXPECT_FALSE(OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key)) << text;
        EXPECT_EQ(unreadable, 1);
        EXPECT_EQ(FileText(store_), text);  // reading changes nothing on disk
        ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {3, 0, 0, 0}));
        EXPECT_EQ(FileText(store_ + ".bad"), text);
        SetRegistryStorePath(store_.c_str());
        EXPECT_EQ(Get(u"HighestLevel"), (Bytes{3, 0, 0, 0}));
        fs::remove(store_ + ".bad");
    }
    // A folder, or a file set aside before, at that name stays: the next free
    // name is taken.
    fs::create_directory(store_ + ".bad");
    std::ofstream(store_ + ".bad.1") << "earlier";
    WriteStore(damaged[1]);
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {4, 0, 0, 0}));
    EXPECT_TRUE(fs::is_directory(store_ + ".bad"));
    EXPECT_EQ(FileText(store_ + ".bad.1"), "earlier");
    EXPECT_EQ(FileText(store_ + ".bad.2"), damaged[1]);
}

// A player's file to load is judged as the store's own file is read.
TEST_F(RegistryTest, StoreFileReadsAsTheStoreWould) {
    const std::string file = (folder_ / "loaded.reg").string();
    std::ofstream(file) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"HighestLevel\"=dword:00000009";
    EXPECT_TRUE(StoreFileReads(file.c_str()));
    std::ofstream(file) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"HighestLevel\"=dword:zz\n";
    EXPECT_FALSE(StoreFileReads(file.c_str()));
    std::ofstream(file) << "REGEDIT4\n" << std::string(2 << 20, ';') << "\n";
    EXPECT_FALSE(StoreFileReads(file.c_str()));
    EXPECT_FALSE(StoreFileReads(folder_.c_str()));
    EXPECT_FALSE(StoreFileReads((folder_ / "none.reg").c_str()));
}

// A store that reads also writes: a long string that another tool stored goes
// back as a string, at the size it was read. One that would still grow past the
// limit (hex on one line gains line breaks) keeps the game's key and sets the
// rest aside.
TEST_F(RegistryTest, StoresThatReadAlsoWrite) {
    const std::string game =
        "[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"HighestLevel\"=dword:00000002\n";
    const std::string note = "\"Note\"=\"" + std::string(180000, 'n') + "\"\n";
    WriteStore("REGEDIT4\n\n" + game + note);
    ASSERT_TRUE(Set(u"Options", REG_BINARY, Bytes(12, 1)));
    EXPECT_LT(FileText(store_).size(), 181000u);
    EXPECT_NE(FileText(store_).find(note), std::string::npos);

    std::string blob = "00";
    for (int i = 1; i < 346000; ++i)
        blob += ",00";
    const std::string full = "REGEDIT4\n\n" + game +
                             "\n[HKEY_CURRENT_USER\\Software\\Other]\n\"Blob\"=hex:" + blob + "\n";
    ASSERT_LT(full.size(), 1u << 20);
    WriteStore(full);
    ASSERT_TRUE(Set(u"Options", REG_BINARY, Bytes(12, 2)));
    EXPECT_EQ(FileText(store_ + ".bad"), full);
    EXPECT_EQ(FileText(store_).find("Other"), std::string::npos);
    SetRegistryStorePath(store_.c_str());
    EXPECT_EQ(Get(u"HighestLevel"), (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(Get(u"Options"), Bytes(12, 2));
}

// A store that is a link (here to a file not there yet) is written where the
// link points, and stays a link.
TEST_F(RegistryTest, LinkedStoreIsWrittenWhereItPoints) {
    fs::create_directory(folder_ / "real");
    fs::create_symlink("real/settings.reg", store_);
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {2, 0, 0, 0}));
    EXPECT_TRUE(fs::is_symlink(store_));
    EXPECT_NE(FileText(folder_ / "real" / "settings.reg").find("dword:00000002"),
              std::string::npos);
}

TEST_F(RegistryTest, FailedSaveLeavesTheValueAsItWas) {
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {1, 0, 0, 0}));
    const fs::path moved = folder_.string() + "-moved";
    fs::rename(folder_, moved);  // the store's folder is gone
    EXPECT_FALSE(Set(u"HighestLevel", REG_DWORD, {2, 0, 0, 0}));
    EXPECT_FALSE(Set(u"Other", REG_DWORD, {2, 0, 0, 0}));
    fs::rename(moved, folder_);
    EXPECT_EQ(Get(u"HighestLevel"), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(Get(u"Other"), std::nullopt);
}

// A browser keeps its store in its own storage: the mirror sees each save's
// text, and one it refuses is a failed save.
TEST_F(RegistryTest, MirrorGetsEverySaveAndCanFailIt) {
    static std::string mirrored;
    static bool accept = true;
    SetStoreMirror(+[](const char* text, std::size_t size) {
        mirrored.assign(text, size);
        return accept;
    });
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {3, 0, 0, 0}));
    EXPECT_EQ(mirrored, FileText(store_));
    accept = false;
    EXPECT_FALSE(Set(u"HighestLevel", REG_DWORD, {4, 0, 0, 0}));
    accept = true;
    EXPECT_EQ(Get(u"HighestLevel"), (Bytes{3, 0, 0, 0}));
    EXPECT_NE(mirrored, FileText(store_));
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(RegistryTest, KillBetweenWriteAndRenameLeavesTheOldStore) {
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {5, 0, 0, 0}));
    const std::string before = FileText(store_);
    EXPECT_EXIT(
        {
            SetStoreWriteHookForTests(+[] { std::raise(SIGKILL); });
            Set(u"HighestLevel", REG_DWORD, {6, 0, 0, 0});
            std::exit(0);
        },
        testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(FileText(store_), before);
    EXPECT_EQ(Temporaries().size(), 1u);
    SetRegistryStorePath(store_.c_str());
    EXPECT_EQ(Get(u"HighestLevel"), (Bytes{5, 0, 0, 0}));
    // The next save removes what the killed ones left, but not a file that a
    // save in progress holds.
    const fs::path busy = store_ + ".tmp-busy00";
    std::ofstream(busy) << "x";
    int held = open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_TRUE(Set(u"HighestLevel", REG_DWORD, {7, 0, 0, 0}));
    EXPECT_EQ(Temporaries(), std::vector<std::string>{busy.filename().string()});
    close(held);
}

// A FIFO (or anything else that is not a file) at the store's path is neither
// read, which would block until someone writes to it, nor replaced: the
// program runs on its defaults. The check runs in a child that an alarm ends
// if the read blocks.
TEST_F(RegistryTest, NonFileAtTheStorePathIsLeftAlone) {
    ASSERT_EQ(mkfifo(store_.c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            alarm(10);
            SetRegistryStorePath(store_.c_str());
            RegistryKey key;
            bool opened = OpenRegistryKey(u"Software\\Quarvel", KEY_READ, key);
            bool saved = Set(u"HighestLevel", REG_DWORD, {3, 0, 0, 0});
            std::exit(!opened && !saved ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    SetRegistryStorePath(store_.c_str());
    EXPECT_FALSE(Set(u"HighestLevel", REG_DWORD, {3, 0, 0, 0}));
    EXPECT_TRUE(fs::is_fifo(store_));
    EXPECT_FALSE(fs::exists(store_ + ".bad"));
}

// Stores far beyond anything the game writes are refused, both ways: one too
// large to read is set aside, and a save that would write one fails.
TEST_F(RegistryTest, OversizedStoresAreRefused) {
    const std::string valid =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"HighestLevel\"=dword:00000009\n";
    WriteStore(valid + std::string(2 << 20, ';') + "\n");
    EXPECT_EQ(Get(u"HighestLevel"), std::nullopt);
    ASSERT_TRUE(Set(u"Options", REG_BINARY, Bytes(12, 1)));
    EXPECT_TRUE(fs::exists(store_ + ".bad"));
    EXPECT_FALSE(Set(u"Big", REG_BINARY, Bytes(1 << 20, 1)));
    EXPECT_EQ(Get(u"Options"), Bytes(12, 1));
    EXPECT_EQ(Get(u"Big"), std::nullopt);
    // A key nested 520,000 deep, in a file just under the limit: the implied
    // parents' paths alone would fill gigabytes, and the file reads as damaged
    // (bench/store_bench times it). One 500 deep reads.
    for (int depth : {520000, 500}) {
        std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quarvel";
        for (int i = 0; i < depth; ++i)
            deep += "\\k";
        WriteStore(deep + "]\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n\"Options\"=hex:01\n");
        EXPECT_EQ(Get(u"Options"), depth == 500 ? std::optional(Bytes{1}) : std::nullopt);
    }
}

}  // namespace
