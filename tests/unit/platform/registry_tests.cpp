#include "platform/registry.h"
#include "platform/registry_hive.h"

#include "platform/machine.h"
#include "support/temp_dir.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tavox::test::ReadFile;
using tavox::test::TempDir;

namespace fs = std::filesystem;
using tavox::CreateMachineLayout;
using tavox::Registry;
using tavox::RegistryHive;
using tavox::RegistryRoot;
using tavox::test::InstallRegistry;
using tavox::test::kProbeUninstallKey;
using tavox::test::PrefixShape;
using tavox::test::WinePrefixMachineHive;

constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr std::string_view kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n";
constexpr std::string_view kProbeGame = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ProbeGame";

// Replaces the file as another program would: a new file renamed over the old one.
void WriteBytes(const fs::path& path, std::string_view bytes) {
    const fs::path temp = path.string() + ".other";
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(temp.c_str(), "wb"),
                                                                   &std::fclose);
        ASSERT_TRUE(file);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
    }
    fs::rename(temp, path);
}

std::string Fixture(std::string_view name) {
    return std::string(TAVOX_SHARED_DIR "/fixtures/wine-prefix/") += name;
}

RegistryHive Hive(std::string_view blocks) {
    return RegistryHive::Parse(std::string(kHeader) += blocks);
}

// Are the lines of `original` all in `changed`, in the same order?
bool KeepsAllLines(std::string_view original, std::string_view changed) {
    std::size_t from = 0;
    for (std::size_t start = 0; start < original.size();) {
        const std::size_t end = std::min(original.find('\n', start), original.size());
        from = changed.find(original.substr(start, end - start), from);
        if (from == std::string_view::npos) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

class RegistryFiles : public ::testing::Test {
protected:
    fs::path System() const { return dir_.Path() / "system.reg"; }
    fs::path User() const { return dir_.Path() / "user.reg"; }
    Registry Open() const { return Registry(System(), User()); }

    TempDir dir_;
};

TEST(RegistryText, ReadsStringsAsWineEscapesThem) {
    struct Case {
        std::string_view data;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {R"("C:\\windows\\system32")", "C:\\windows\\system32"},
        {R"("say \"hi\"")", "say \"hi\""},
        {R"("\x41B")", "\u041B"}, // Wine takes up to four hex digits
        {R"("\x00e9B")", "\u00E9B"},
        {R"("\xe9t\xe9")", "\u00E9t\u00E9"},
        {R"("\xd83c\xdf0e")", "\U0001F30E"},
        {R"("a\nb\tc\r")", "a\nb\tc\r"},
        {R"("\101\1012")", "AA2"}, // at most three octal digits
        {R"("\0x")", std::string("\0x", 2)},
        {R"("\e\a\q\x")", "\x1b\aqx"},                      // unknown escapes stand for themselves
        {"\"caf\xC3\xA9 caf\xE9\"", "caf\u00E9 caf\u00E9"}, // raw bytes: UTF-8 when valid, else Latin-1
        {R"(str(2):"%SystemRoot%\\temp")", "%SystemRoot%\\temp"},
        {"hex(1):41,00,\\\n  42,00,00,00", "AB"},
        {"dword:00000001", std::nullopt},
        {"hex:41,00", std::nullopt},
        {R"(str(7):"a\0b\0")", std::nullopt},
        {R"("unterminated)", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(Hive("[Key] 1\n\"v\"=" + std::string(c.data) + "\n").ReadString("Key", "v"), c.expected);
    }
}

TEST_F(RegistryFiles, AnyTextSurvivesAWriteAndAFreshRead) {
    const std::string texts[] = {
        "C:\\Games\\Tavox\\menu.exe \\\\server",
        "say \"hi\" \"\"",
        "two\nlines\r\n\tand a tab",
        std::string("\0"
                    "7\0x",
                    4),
        "\x01\x1b\x7f\a",
        "\x01"
        "F",
        "\u00E9 \u010C \u015F \U0001F30E",
        "\u00E9B \u010Caf \U0001F30E0 \u00FF1",
        "a]b[c",
        "",
    };
    {
        Registry writer = Open();
        for (std::size_t i = 0; i < std::size(texts); ++i) {
            const std::string& text = texts[i];
            ASSERT_TRUE(writer.WriteString(kMachine, "Software\\Texts", "v" + std::to_string(i), text));
            ASSERT_TRUE(writer.WriteString(kMachine, "Software\\Texts", text, "named"));
            if (!text.empty() && text.find('\\') == std::string::npos) {
                ASSERT_TRUE(writer.WriteString(kMachine, "Software\\Texts\\" + text, "", text));
            }
        }
    }
    const Registry reader = Open();
    const auto names = reader.ValueNames(kMachine, "Software\\Texts");
    const auto subkeys = reader.SubKeys(kMachine, "Software\\Texts");
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const std::string& text = texts[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(reader.ReadString(kMachine, "Software\\Texts", "v" + std::to_string(i)), text);
        EXPECT_NE(std::find(names.begin(), names.end(), text), names.end());
        if (!text.empty() && text.find('\\') == std::string::npos) {
            EXPECT_NE(std::find(subkeys.begin(), subkeys.end(), text), subkeys.end());
            EXPECT_EQ(reader.ReadString(kMachine, "Software\\Texts\\" + text, ""), text);
        }
    }
    // Wine's files are plain ASCII lines; anything else must have gone into escapes.
    const std::string bytes = ReadFile(System());
    EXPECT_TRUE(
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
}

TEST(RegistryLookup, KeysAndValueNamesMatchWithoutRegardToCase) {
    const auto hive = Hive("[Software\\\\Tavox\\\\\\xc9t\\xe9 \\x10c] 1\n\"Path\"=\"found\"\n");
    const std::string_view keys[] = {
        "Software\\Tavox\\\u00C9t\u00E9 \u010C", "SOFTWARE\\TAVOX\\\u00C9T\u00C9 \u010C",
        "\\software\\tavox\\\u00E9t\u00E9 \u010D\\", "Software\\\\Tavox\\\u00E9T\u00E9 \u010D"};
    for (const auto key : keys) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(hive.KeyExists(key));
        EXPECT_EQ(hive.ReadString(key, "PATH"), "found");
    }
    EXPECT_FALSE(hive.KeyExists("Software\\Tavox\\Ete"));
}

TEST(RegistryLookup, KeysBelowAKeyMakeItExistAndAreListedOnceInFileOrder) {
    const auto hive = Hive("[A\\\\X\\\\1] 1\n\n[A\\\\Y] 1\n@=\"default\"\n\"B\"=\"b\"\n\n"
                           "[a\\\\x\\\\2] 1\n\n[A\\\\Z\\\\Deep\\\\Er] 1\n\n[AB] 1\n");
    EXPECT_TRUE(hive.KeyExists("A"));
    EXPECT_TRUE(hive.KeyExists("a\\z\\deep"));
    EXPECT_FALSE(hive.KeyExists("A\\Q"));
    EXPECT_EQ(hive.SubKeys("A"), (std::vector<std::string>{"X", "Y", "Z"}));
    EXPECT_EQ(hive.SubKeys(""), (std::vector<std::string>{"A", "AB"}));
    EXPECT_EQ(hive.ValueNames("a\\y"), (std::vector<std::string>{"", "B"}));
    EXPECT_EQ(hive.ReadString("A\\Y", ""), "default");
}

TEST_F(RegistryFiles, DeleteKeyTreeTakesSubkeysAlongButDeleteKeyWantsThemGone) {
    WriteBytes(System(), std::string(kHeader) +
                             "[Games\\\\A] 1\n\"v\"=\"1\"\n\n[Games\\\\A\\\\Sub] 1\n\n"
                             "[Games\\\\Ab] 1\n\"v\"=\"2\"\n\n[Other\\\\Deep\\\\Leaf] 1\n");
    Registry registry = Open();
    EXPECT_FALSE(registry.DeleteKey(kMachine, "Games\\A"));
    EXPECT_TRUE(registry.KeyExists(kMachine, "Games\\A\\Sub"));
    EXPECT_TRUE(registry.DeleteKeyTree(kMachine, "games\\a"));
    EXPECT_FALSE(registry.KeyExists(kMachine, "Games\\A"));
    EXPECT_FALSE(registry.KeyExists(kMachine, "Games\\A\\Sub"));
    EXPECT_EQ(registry.ReadString(kMachine, "Games\\Ab", "v"), "2"); // a name that only starts the same stays
    EXPECT_FALSE(registry.DeleteKeyTree(kMachine, "Games\\A"));
    EXPECT_FALSE(registry.DeleteKey(kMachine, "Games\\A"));

    // "Other\\Deep" existed only through its subkey; like Windows, it stays when that goes.
    EXPECT_TRUE(registry.DeleteKey(kMachine, "Other\\Deep\\Leaf"));
    EXPECT_TRUE(Open().KeyExists(kMachine, "Other\\Deep"));
    EXPECT_TRUE(registry.DeleteKeyTree(kMachine, "Other"));
    EXPECT_EQ(Open().SubKeys(kMachine, ""), (std::vector<std::string>{"Games"}));
}

TEST_F(RegistryFiles, WhatChangesNothingWritesNothing) {
    const std::string original = std::string(kHeader) + "[Software\\\\Wine\\\\Drives] 1\n\"d:\"=\"cdrom\"\n";
    WriteBytes(System(), original);
    const auto stamp = [this] {
        struct stat st {};
        EXPECT_EQ(::stat(System().c_str(), &st), 0);
        return std::pair(st.st_ino, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
    };
    const auto before = stamp();
    Registry registry = Open();
    EXPECT_TRUE(registry.WriteString(kMachine, "software\\wine\\drives", "D:", "cdrom"));
    EXPECT_TRUE(registry.CreateKey(kMachine, "Software\\Wine"));
    EXPECT_FALSE(registry.DeleteKeyTree(kMachine, "Software\\Missing"));
    EXPECT_FALSE(registry.DeleteValue(kMachine, "Software\\Wine\\Drives", "e:"));
    EXPECT_EQ(stamp(), before);
    EXPECT_EQ(ReadFile(System()), original);
    EXPECT_FALSE(fs::exists(User())) << "nothing to write, nothing created";

    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Wine\\Drives", "d:", "hd"));
    EXPECT_NE(stamp().first, before.first);
}

TEST_F(RegistryFiles, DeleteValueRemovesOnlyThatValue) {
    WriteBytes(System(), std::string(kHeader) + "[K] 1\n@=\"d\"\n\"Keep\"=\"k\"\n\"Gone\"=\"g\"\n");
    Registry registry = Open();
    EXPECT_TRUE(registry.DeleteValue(kMachine, "k", "GONE"));
    EXPECT_FALSE(registry.DeleteValue(kMachine, "K", "Gone"));
    EXPECT_FALSE(registry.DeleteValue(kMachine, "Missing", "Keep"));
    EXPECT_TRUE(registry.DeleteValue(kMachine, "K", ""));
    EXPECT_EQ(Open().ValueNames(kMachine, "K"), (std::vector<std::string>{"Keep"}));
}

TEST_F(RegistryFiles, AWriteKeepsEveryByteItDidNotChange) {
    const std::string before = std::string(kHeader) +
                               "[Software\\\\A] 1796748397\n#time=1dd8733b0dc7e00\n#class=\"odd\"\n"
                               "\"Bin\"=hex:00,01,\\\n  02\n\"Multi\"=str(7):\"a\\0b\\0\"\n\n";
    const std::string target = "[Software\\\\B] 1796748397\n#time=1dd8733b0dc7e00\n"
                               "\"Num\"=dword:0000001f\n\"Spaced\" = \"kept as written\"\n; a comment\n\n";
    const std::string after = "[Software\\\\C] 1796748397\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00\n"
                              "unknown line\n\"Last\"=\"no line end\"";
    WriteBytes(System(), before + target + after);
    ASSERT_TRUE(Open().WriteString(kMachine, "software\\b", "New", "value"));

    const std::string written = ReadFile(System());
    ASSERT_GE(written.size(), before.size() + after.size());
    EXPECT_EQ(written.substr(0, before.size()), before);
    EXPECT_EQ(written.substr(written.size() - after.size()), after);
    const std::string block = written.substr(before.size(), written.size() - before.size() - after.size());
    EXPECT_TRUE(block.starts_with("[Software\\\\B] ")) << block;
    EXPECT_NE(block.find("\"New\"=\"value\"\n"), std::string::npos) << block;
    EXPECT_TRUE(
        KeepsAllLines("\"Num\"=dword:0000001f\n\"Spaced\" = \"kept as written\"\n; a comment\n", block));
}

TEST_F(RegistryFiles, AMissingFileReadsEmptyAndIsCreatedWithItsHivesHeader) {
    Registry registry = Open();
    EXPECT_FALSE(registry.KeyExists(kMachine, "Software"));
    EXPECT_TRUE(registry.SubKeys(RegistryRoot::CurrentUser, "").empty());
    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Tavox", "Dir", "C:\\TAVOX"));
    ASSERT_TRUE(registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Tavox"));
    EXPECT_TRUE(ReadFile(System()).starts_with("WINE REGISTRY Version 2\n;; All keys relative to "
                                               "REGISTRY\\\\Machine\n\n#arch=win64\n\n[Software\\\\Tavox] "));
    EXPECT_TRUE(ReadFile(User()).starts_with("WINE REGISTRY Version 2\n;; All keys relative to "
                                             "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"));
    EXPECT_EQ(Open().ReadString(kMachine, "Software\\Tavox", "Dir"), "C:\\TAVOX");
    EXPECT_TRUE(Open().KeyExists(RegistryRoot::CurrentUser, "Software\\Tavox"));
}

TEST_F(RegistryFiles, SeesAndKeepsWhatAnotherProgramWrote) {
    WriteBytes(System(), std::string(kHeader) + "[K] 1\n\"v\"=\"old\"\n");
    Registry registry = Open();
    ASSERT_EQ(registry.ReadString(kMachine, "K", "v"), "old");
    WriteBytes(System(), std::string(kHeader) + "[K] 1\n\"v\"=\"new\"\n\"w\"=\"installer\"\n");
    EXPECT_EQ(registry.ReadString(kMachine, "K", "v"), "new");
    WriteBytes(System(), std::string(kHeader) + "[K] 1\n\"v\"=\"newer\"\n");
    ASSERT_TRUE(registry.WriteString(kMachine, "K", "ours", "1"));
    EXPECT_EQ(Open().ReadString(kMachine, "K", "v"), "newer");
}

TEST_F(RegistryFiles, AFailedWriteLeavesNoTrace) {
    // The file is a directory: it cannot be read, so it must not be replaced.
    fs::create_directory(System());
    Registry registry = Open();
    EXPECT_FALSE(registry.WriteString(kMachine, "K", "v", "x"));
    EXPECT_TRUE(fs::is_directory(System()));

    // The directory cannot be created: nothing written, and nothing pretends it was.
    WriteBytes(dir_.Path() / "file", "");
    Registry blocked(dir_.Path() / "file" / "system.reg", dir_.Path() / "file" / "user.reg");
    EXPECT_FALSE(blocked.WriteString(kMachine, "K", "v", "x"));
    EXPECT_EQ(blocked.ReadString(kMachine, "K", "v"), std::nullopt);
    EXPECT_FALSE(blocked.KeyExists(kMachine, "K"));
}

TEST_F(RegistryFiles, AFailedWriteKeepsTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write into a read-only directory";
    }
    const std::string original = std::string(kHeader) + "[K] 1\n\"v\"=\"old\"\n";
    WriteBytes(System(), original);
    fs::permissions(dir_.Path(), fs::perms::owner_write, fs::perm_options::remove);
    Registry registry = Open();
    EXPECT_FALSE(registry.WriteString(kMachine, "K", "v", "new"));
    EXPECT_EQ(registry.ReadString(kMachine, "K", "v"), "old");
    fs::permissions(dir_.Path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadFile(System()), original);
}

TEST_F(RegistryFiles, JunkNeitherStopsReadingNorGetsLostByAWrite) {
    std::string every_byte;
    for (int i = 0; i < 256 * 4; ++i) {
        every_byte += static_cast<char>(i * 37 % 256);
    }
    const std::string good = "[Good] 1\n\"v\"=\"ok\"\n";
    const std::string cases[] = {
        std::string(kHeader) + every_byte + "\n" + good,
        std::string(kHeader) + "[Good] 1\n\"long\"=\"" + std::string(100'000, 'x') + "\n\"v\"=\"ok\"\n",
        std::string(kHeader) + std::string(100'000, '\\') + "\n" + good,
        std::string(kHeader) + "[Software\\\\Open\n\"a\"=\"b\"\n" + good,
        std::string(kHeader) + good + "\"name=\"x\"\n@\n\"w\"=\n",
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=\"b\"\n\n" + good,
        "WINE REGISTRY Version 2\r\n\r\n[Good] 1\r\n\"v\"=\"ok\"\r\n\"h\"=hex:01,\\\r\n",
        std::string(kHeader) + good + "\"h\"=hex:01,\\",
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        WriteBytes(System(), cases[i]);
        Registry registry = Open();
        EXPECT_EQ(registry.ReadString(kMachine, "Good", "v"), "ok");
        ASSERT_TRUE(registry.WriteString(kMachine, "Zed", "new", "value"));
        const Registry reread = Open();
        EXPECT_EQ(reread.ReadString(kMachine, "Good", "v"), "ok");
        EXPECT_EQ(reread.ReadString(kMachine, "Zed", "new"), "value");
        EXPECT_TRUE(KeepsAllLines(cases[i], ReadFile(System())));
    }
}

TEST(RegistryText, AnyBytesComeBackUnchanged) {
    const std::string_view pieces[] = {
        "[",    "]",       "\\",      "\"",     "@",    "=", "\n", "\r",       "x",    "\\x", "\\0",
        "hex:", "hex(2):", "str(2):", "#time=", "\\\n", " ", "A",  "\xC3\xA9", "\xFF", "1"};
    std::mt19937 random(1995);
    for (int round = 0; round < 500; ++round) {
        std::string text(kHeader);
        const int count = static_cast<int>(random() % 200);
        for (int i = 0; i < count; ++i) {
            text += pieces[random() % std::size(pieces)];
        }
        const auto hive = RegistryHive::Parse(text);
        ASSERT_EQ(hive.Serialize("REGISTRY\\\\Machine"), text) << text;
        for (const auto& key : hive.SubKeys("")) {
            EXPECT_TRUE(hive.KeyExists(key));
        }
    }
}

TEST(RegistryWinePrefix, ReadsWhatWineWrote) {
    if (!fs::exists(Fixture("system.reg")) || !fs::exists(Fixture("user.reg"))) {
        GTEST_SKIP() << "no Wine prefix fixture";
    }
    const Registry registry(Fixture("system.reg"), Fixture("user.reg"));
    constexpr auto user = RegistryRoot::CurrentUser;
    const std::string shell_folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    EXPECT_EQ(registry.ReadString(user, shell_folders, "Programs"),
              "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(registry.ReadString(user, shell_folders, "Desktop"), "C:\\users\\root\\Desktop");
    EXPECT_EQ(registry.ReadString(user, "Environment", "TMP"), "C:\\users\\root\\Temp");
    EXPECT_EQ(registry.ReadString(kMachine, kProbeGame, "UninstallString"),
              "C:\\Games\\ProbeGame\\uninst.exe /S");
    EXPECT_EQ(registry.ReadString(kMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot"),
              "C:\\windows");
    EXPECT_EQ(registry.ReadString(
                  kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                  "Common Desktop"),
              "%PUBLIC%\\Desktop");
    EXPECT_EQ(registry.ReadString(user, "Control Panel\\Accessibility\\AudioDescription", "Locale"),
              std::nullopt);
    EXPECT_EQ(registry.SubKeys(user, "Control Panel\\International"),
              (std::vector<std::string>{"Geo", "\U0001F30E\U0001F30F\U0001F30D"}));
}

TEST(RegistryWinePrefix, ParsesTheSystemHiveOnceNotPerLookup) {
    if (!fs::exists(Fixture("system.reg"))) {
        GTEST_SKIP() << "no Wine prefix fixture";
    }
    const Registry registry(Fixture("system.reg"), Fixture("user.reg"));
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ASSERT_TRUE(registry.KeyExists(kMachine, kProbeGame));
    const auto parse = Clock::now() - start;
    // Parsing on each lookup would blow the budget long before the end.
    constexpr int kLookups = 2000;
    int done = 0;
    while (done < kLookups && Clock::now() - start < parse * 50) {
        ASSERT_TRUE(registry.ReadString(kMachine, kProbeGame, "UninstallString"));
        ++done;
    }
    const auto lookups = Clock::now() - start - parse;
    std::printf("system.reg: parsed in %.1f ms, %d lookups in %.1f ms\n",
                std::chrono::duration<double, std::milli>(parse).count(), done,
                std::chrono::duration<double, std::milli>(lookups).count());
    EXPECT_EQ(done, kLookups) << "lookups look like they parse the file again";
}

TEST(RegistryWinePrefix, AWriteToTheSystemHiveChangesOnlyItsBlock) {
    if (!fs::exists(Fixture("system.reg"))) {
        GTEST_SKIP() << "no Wine prefix fixture";
    }
    const TempDir dir;
    const std::string original = ReadFile(Fixture("system.reg"));
    WriteBytes(dir.Path() / "system.reg", original);
    Registry registry(dir.Path() / "system.reg", dir.Path() / "user.reg");
    const std::string environment = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
    ASSERT_TRUE(registry.WriteString(kMachine, environment, "TAVOX", "C:\\TAVOX"));

    const std::size_t block_start =
        original.find("\n[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment]") + 1;
    const std::size_t block_end = original.find("\n[", block_start) + 1;
    const std::string written = ReadFile(dir.Path() / "system.reg");
    const std::size_t tail = original.size() - block_end;
    ASSERT_GT(written.size(), block_start + tail);
    EXPECT_EQ(written.compare(0, block_start, original, 0, block_start), 0);
    EXPECT_EQ(written.compare(written.size() - tail, tail, original, block_end, tail), 0);
    const std::string block = written.substr(block_start, written.size() - tail - block_start);
    EXPECT_NE(block.find("\"TAVOX\"=\"C:\\\\TAVOX\"\n"), std::string::npos) << block;
    EXPECT_NE(block.find("\"OS\"=\"Windows_NT\"\n"), std::string::npos);

    // A new key is one new block, in the place Wine would have put it: a 32-bit program's HKLM\Software key
    // goes to the 32-bit view of this 64-bit prefix.
    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Tavox", "Dir", "C:\\TAVOX"));
    const std::string with_key = ReadFile(dir.Path() / "system.reg");
    const std::string added = "[Software\\\\Wow6432Node\\\\Tavox] ";
    const std::size_t at = with_key.find(added);
    ASSERT_NE(at, std::string::npos);
    const std::size_t next = with_key.find("\n[", at) + 1;
    // (no EXPECT_EQ: gtest would diff 1.7 MB line by line)
    EXPECT_TRUE(with_key.substr(0, at) + with_key.substr(next) == written) << "more than one block changed";
    EXPECT_TRUE(with_key.substr(next).starts_with("[Software\\\\Wow6432Node\\\\Wine\\\\"));
}

// A 32-bit program's view of a 64-bit prefix, on the registry files Wine wrote.
class RegistryWow64 : public ::testing::Test {
protected:
    // The prefix in `shape`, after `reshape` edited its machine hive; false when the fixtures are absent.
    bool Install(PrefixShape shape, const std::function<void(RegistryHive&)>& reshape = {}) {
        auto hive = WinePrefixMachineHive(shape);
        if (!hive) {
            return false;
        }
        if (reshape) {
            reshape(*hive);
        }
        InstallRegistry(dir_.Path(), *hive);
        return true;
    }
    Registry Open() const { return Registry(dir_ / "system.reg", dir_ / "user.reg"); }
    RegistryHive Written(std::string_view file) const { return RegistryHive::Parse(ReadFile(dir_ / file)); }

    TempDir dir_;
};

TEST_F(RegistryWow64, ReadsLookInThe32BitViewFirstAndWritesGoThere) {
    if (!Install(PrefixShape::Win64, [](RegistryHive& hive) {
            hive.WriteString("Software\\Wow6432Node\\TavoxProbe", "Bits", "32");
            hive.WriteString("Software\\TavoxProbe", "Bits", "64");
            hive.WriteString("Software\\TavoxProbe", "Only64", "x");
        })) {
        GTEST_SKIP() << "no wow64 Wine prefix fixture";
    }
    // The user hive has one view, even where it happens to hold a key named Wow6432Node.
    RegistryHive user_hive = Written("user.reg");
    user_hive.WriteString("Software\\Wow6432Node\\Maker\\Game", "Dir", "C:\\WOW");
    tavox::test::WriteFile(dir_ / "user.reg", user_hive.Serialize("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000"));
    Registry registry = Open();
    EXPECT_EQ(registry.ReadString(RegistryRoot::CurrentUser, "Software\\Maker\\Game", "Dir"), std::nullopt);
    EXPECT_EQ(registry.ReadString(kMachine, "software\\tavoxprobe", "Bits"), "32");
    EXPECT_EQ(registry.ReadString(kMachine, "\\Software\\TavoxProbe", "Only64"), "x");
    EXPECT_EQ(registry.ReadString(kMachine, kProbeUninstallKey, "DisplayName"), "Probe");
    const auto uninstall =
        registry.SubKeys(kMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(std::count(uninstall.begin(), uninstall.end(), "TavoxProbe"), 1);
    const auto values = registry.ValueNames(kMachine, "Software\\TavoxProbe");
    EXPECT_EQ(std::count(values.begin(), values.end(), "Bits"), 1);
    EXPECT_EQ(std::count(values.begin(), values.end(), "Only64"), 1);

    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Maker\\Game", "Dir", "C:\\GAME"));
    // Wine's drive types are read by its 64-bit side: they stay in the one place it looks.
    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Wine\\Drives", "d:", "cdrom"));
    // File associations are shared by both views.
    ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Classes\\.tvx", "", "TavoxDemo"));
    ASSERT_TRUE(registry.WriteString(RegistryRoot::CurrentUser, "Software\\Maker\\Game", "Dir", "C:\\GAME"));
    const RegistryHive system = Written("system.reg");
    EXPECT_EQ(system.ReadString("Software\\Wow6432Node\\Maker\\Game", "Dir"), "C:\\GAME");
    EXPECT_FALSE(system.KeyExists("Software\\Maker"));
    EXPECT_EQ(system.ReadString("Software\\Wine\\Drives", "d:"), "cdrom");
    EXPECT_FALSE(system.KeyExists("Software\\Wow6432Node\\Wine\\Drives"));
    EXPECT_EQ(system.ReadString("Software\\Classes\\.tvx", ""), "TavoxDemo");
    EXPECT_FALSE(system.KeyExists("Software\\Wow6432Node\\Classes\\.tvx"));
    const RegistryHive user = Written("user.reg");
    EXPECT_EQ(user.ReadString("Software\\Maker\\Game", "Dir"), "C:\\GAME");
    EXPECT_EQ(user.ReadString("Software\\Wow6432Node\\Maker\\Game", "Dir"), "C:\\WOW");
    EXPECT_EQ(registry.ReadString(kMachine, "Software\\Maker\\Game", "Dir"), "C:\\GAME");
}

TEST_F(RegistryWow64, DeletionsReachBothViews) {
    if (!Install(PrefixShape::Win64)) {
        GTEST_SKIP() << "no wow64 Wine prefix fixture";
    }
    Registry registry = Open();
    ASSERT_TRUE(Written("system.reg").KeyExists("Software\\Wow6432Node\\TavoxProbe"));
    ASSERT_TRUE(Written("system.reg").KeyExists("Software\\TavoxProbe"));

    EXPECT_TRUE(registry.DeleteKeyTree(kMachine, kProbeUninstallKey));
    EXPECT_TRUE(registry.DeleteValue(kMachine, "Software\\TavoxProbe", "Installed"));
    const RegistryHive system = Written("system.reg");
    EXPECT_FALSE(
        system.KeyExists(std::string("Software\\Wow6432Node") + std::string(kProbeUninstallKey.substr(8))));
    EXPECT_FALSE(system.KeyExists(kProbeUninstallKey));
    EXPECT_FALSE(system.ValueExists("Software\\Wow6432Node\\TavoxProbe", "Installed"));
    EXPECT_FALSE(system.ValueExists("Software\\TavoxProbe", "Installed"));
    EXPECT_FALSE(registry.KeyExists(kMachine, kProbeUninstallKey));
    EXPECT_FALSE(registry.DeleteKeyTree(kMachine, kProbeUninstallKey)) << "nothing was left to delete";
}

TEST_F(RegistryWow64, APrefixWithOneViewIsNotRedirected) {
    const auto writes_in_place = [](const fs::path& root) {
        Registry registry(root / "system.reg", root / "user.reg");
        ASSERT_TRUE(registry.WriteString(kMachine, "Software\\Maker\\Game", "Dir", "C:\\GAME"));
        const RegistryHive system = RegistryHive::Parse(ReadFile(root / "system.reg"));
        EXPECT_EQ(system.ReadString("Software\\Maker\\Game", "Dir"), "C:\\GAME");
        EXPECT_FALSE(system.KeyExists("Software\\Wow6432Node\\Maker\\Game"));
    };
    {
        SCOPED_TRACE("the menu's own machine");
        const TempDir own;
        ASSERT_TRUE(CreateMachineLayout(own.Path()));
        writes_in_place(own.Path());
    }
    if (!Install(PrefixShape::Win32, [](RegistryHive& hive) {
            hive.WriteString("Software\\Wow6432Node\\Maker\\Other", "Dir", "C:\\OTHER");
        })) {
        GTEST_SKIP() << "no wow64 Wine prefix fixture";
    }
    SCOPED_TRACE("a 32-bit Wine prefix");
    writes_in_place(dir_.Path());
    // A key named Wow6432Node is only a key there.
    EXPECT_EQ(Open().ReadString(kMachine, "Software\\Maker\\Other", "Dir"), std::nullopt);
}

} // namespace
