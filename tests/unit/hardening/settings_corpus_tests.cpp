// Hostile settings and registry files, as a crash, a full disk, a hand edit or another program may leave
// them. Start-up reads what it can, writes its own record, and loses nothing that was there; detection reads
// what it can of the registry and keeps the rest through a write.

#include "catalogue/detection.h"
#include "catalogue/records.h"
#include "catalogue/settings_records.h"
#include "platform/registry.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tavox {
namespace {

using test::ReadFile;
using test::TestMachine;

// What start-up does with the settings file: writes [Main] Language=1 and reads the user's choices.
struct StartUp {
    bool written = false;
    int language = 0;
    bool full_screen = false;
};

StartUp Start(ProfileFile& settings) {
    StartUp start;
    start.written = settings.WriteInteger(SettingsKey::Main, SettingsKey::Language, 1).Ok();
    start.language = settings.ReadInteger(SettingsKey::Main, SettingsKey::Language2, 10);
    start.full_screen = settings.ReadBool(SettingsKey::Main, SettingsKey::FullScreen, false);
    return start;
}

class HostileSettings : public ::testing::Test {
protected:
    std::string Path() const { return machine.Host("C:\\WINDOWS\\tavox.ini"); }
    void Write(std::string_view bytes) { machine.Write("C:\\WINDOWS\\tavox.ini", bytes); }

    TestMachine machine;
    ProfileFile settings = machine.Settings();
};

TEST_F(HostileSettings, DamagedFilesGiveTheUsersChoicesWhereTheyCanBeReadAndLoseNoByte) {
    struct Case {
        const char* what;
        std::string file;
        int language; // Language2 as start-up sees it; 10 brings the forced settings dialog
        bool full_screen;
        std::string quake; // the recorded directory of QUAKE in [CD0398]
    };
    const std::string zeros(4096, '\0');
    const Case cases[] = {
        {"cut in the middle of a record", "[Main]\r\nLanguage2=2\r\n[CD0398]\r\nQUAKE=C:\\GAM", 2, false,
         "C:\\GAM"},
        {"cut in the middle of a header", "[Main]\r\nLanguage2=3\r\nFullScreen=1\r\n[CD03", 3, true, ""},
        {"zeros from a crash after allocation", zeros, 10, false, ""},
        {"zeros after the records", "[Main]\r\nLanguage2=0\r\n[CD0398]\r\nQUAKE=C:\\Q\r\n" + zeros, 0, false,
         "C:\\Q"},
        {"NUL bytes inside a line",
         "[Main]\r\nLanguage2=1\r\nJunk=" + std::string(2, '\0') + "x\r\n[CD0398]\r\nQUAKE=C:\\N\r\n", 1,
         false, "C:\\N"},
        {"an unterminated quote is no number",
         "[Main]\r\nLanguage2=\"2\r\nFullScreen='1\r\n[CD0398]\r\nQUAKE=\"C:\\Q\r\n", 10, false, "\"C:\\Q"},
        {"a huge value", "[Main]\r\nLanguage2=1\r\n[CD0398]\r\nQUAKE=C:\\" + std::string(5000, 'Q') + "\r\n",
         1, false, "C:\\" + std::string(1020, 'Q')},
        {"CR-only lines are one line", "[Main]\rLanguage2=2\r[CD0398]\rQUAKE=C:\\Q\r", 10, false, ""},
        {"a UTF-8 byte order mark",
         "\xEF\xBB\xBF[Main]\r\nLanguage2=2\r\nFullScreen=1\r\n[CD0398]\r\nQUAKE=C:\\Q\r\n", 2, true,
         "C:\\Q"},
        {"two [Main] sections",
         "[Main]\r\nLanguage2=1\r\n[CD0398]\r\nQUAKE=C:\\Q\r\n[main]\r\nLanguage2=3\r\n", 1, false, "C:\\Q"},
        {"blanks, tabs and trailing junk on headers",
         "  [ Main ] junk\r\n\tLanguage2 \t=\t 3 \r\n[CD0398]x\r\n"
         " QUAKE = C:\\Q \r\n",
         3, false, "C:\\Q"},
        {"LF only, no line end at the end", "[Main]\nLanguage2=2\n[CD0398]\nQUAKE=C:\\Q", 2, false, "C:\\Q"},
    };
    for (const Case& c : cases) {
        Write(c.file);
        const StartUp start = Start(settings);
        EXPECT_TRUE(start.written) << c.what;
        EXPECT_EQ(start.language, c.language) << c.what;
        EXPECT_EQ(start.full_screen, c.full_screen) << c.what;
        EXPECT_EQ(settings.ReadString("CD0398", "QUAKE", ""), c.quake) << c.what;
        EXPECT_EQ(settings.ReadInteger("Main", "Language", 0), 1) << c.what;

        // Nothing that was in the file is lost by the write: every line before it is still there.
        const std::string after = ReadFile(Path());
        std::size_t at = 0;
        for (std::size_t start_of_line = 0; start_of_line < c.file.size();) {
            const std::size_t end = std::min(c.file.find('\n', start_of_line), c.file.size());
            std::string line = c.file.substr(start_of_line, end - start_of_line);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            start_of_line = end + 1;
            if (line.find("Language=") != std::string::npos || line.empty()) {
                continue;
            }
            const std::size_t found = after.find(line, at);
            ASSERT_NE(found, std::string::npos) << c.what << ": lost \"" << line.substr(0, 40) << "\"";
            at = found + line.size();
        }
        // And the next start reads what this one wrote, without adding a second [Main].
        Start(settings);
        EXPECT_EQ(ReadFile(Path()), after) << c.what << ": a second start changes nothing";
    }
}

TEST_F(HostileSettings, ASettingsFileThatCannotBeAFileLeavesTheDefaults) {
    std::filesystem::create_directories(Path());
    const StartUp start = Start(settings);
    EXPECT_FALSE(start.written);
    EXPECT_EQ(start.language, 10);
    EXPECT_TRUE(std::filesystem::is_directory(Path())) << "nothing is put in its place";
}

TEST_F(HostileSettings, InstalledRecordsWithOddSeparatorsReadBackAsTheInstalledPageShowsThem) {
    Write("[CD0398]\r\nQUAKE=C:\\GAMES\\QUAKE\r\nQUAKE_=QUAKE.EXE;Quake;D*C:\\GAMES\\QUAKE\r\n"
          "QUAKE__=C:\\UNINST.EXE -f\"C:\\GAMES\\QUAKE\\u.log\"\r\n"
          "DOOM=C:\\DOOM\r\nDOOM_=DOOM.EXE,Doom,D*C:\\DOOM,F*C:\\x\r\n"
          "LONE_=orphan,,\r\n"
          "EMPTY=\r\n");
    const std::vector<RecordedItem> items = ReadRecordedItems(settings);
    ASSERT_EQ(items.size(), 2u) << "neither a companion alone nor a key without one is a record";
    EXPECT_EQ(items[0].ListName, "DOOM") << "sorted by name";
    EXPECT_EQ(items[0].Uninstall, "D*C:\\DOOM") << "commas cut the list, as they always did";
    EXPECT_EQ(items[1].Uninstall, "D*C:\\GAMES\\QUAKE") << "semicolons keep the list whole";
    EXPECT_EQ(items[1].UnInstallName, "C:\\UNINST.EXE -f\"C:\\GAMES\\QUAKE\\u.log\"");
    EXPECT_EQ(items[1].Issue, "0398");
}

// Registry files as detection meets them: an InstallType 4 demo is installed when its uninstall entry can be
// read and names a directory that holds the game.
class HostileRegistry : public ::testing::Test {
protected:
    HostileRegistry() {
        machine.Write("C:\\GAMES\\QUAKE\\QUAKE.EXE", "MZ");
        machine.Write("C:\\GAMES\\QUAKE\\uninst.log", "log");
        demo.ListName = "QUAKE";
        demo.InstallType = InstallType::SetupWatched;
        demo.RegUninstall = "Quake";
        demo.Gamename = "QUAKE.EXE";
    }

    // Detection of the demo with the system hive holding `before` + the uninstall entry + `after`.
    TDemos Detect(std::string_view before, std::string_view entry, std::string_view after) {
        test::WriteFile(machine.Root() / "machine" / "system.reg",
                        std::string(before) + std::string(entry) + std::string(after));
        TDemos item = demo;
        CheckDemo(context, item);
        return item;
    }

    TestMachine machine;
    ProfileFile settings = machine.Settings();
    DetectionContext context{machine.Get(), settings, "0398", "D:", "C:\\WINDOWS\\", "D:\\TAVOX\\"};
    TDemos demo;
};

constexpr std::string_view kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
constexpr std::string_view kEntry =
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Quake] 1\n"
    "\"UninstallString\"=\"C:\\\\UNINST.EXE -f\\\"C:\\\\GAMES\\\\QUAKE\\\\uninst.log\\\"\"\n";

TEST_F(HostileRegistry, DamageAroundTheEntryDoesNotHideIt) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"a clean file", std::string(kHeader), ""},
        {"no header", "", ""},
        {"a byte order mark", "\xEF\xBB\xBF" + std::string(kHeader), ""},
        {"CRLF lines", "WINE REGISTRY Version 2\r\n\r\n", "\r\n[Other] 1\r\n\"a\"=\"b\"\r\n"},
        {"NUL bytes and junk before",
         std::string(kHeader) + "[Junk] 1\n\"x\"=\"a" + std::string(1, '\0') + "b\"\n" +
             std::string(3, '\0') + "\n",
         ""},
        {"an unterminated key line before", std::string(kHeader) + "[Software\\\\Broken\n\"v\"=\"1\"\n", ""},
        {"an unterminated string before", std::string(kHeader) + "[A] 1\n\"open\"=\"never closed\n", ""},
        {"a huge value before",
         std::string(kHeader) + "[Big] 1\n\"v\"=\"" + std::string(200'000, 'x') + "\"\n", ""},
        {"a file cut after the entry", std::string(kHeader), "[Software\\\\Next] 1\n\"Half\"=\"C:\\\\GA"},
    };
    for (const Case& c : cases) {
        const TDemos item = Detect(c.before, kEntry, c.after);
        EXPECT_EQ(item.Runnable, 1) << c.what;
        EXPECT_EQ(item.InstalledDir, "C:\\GAMES\\QUAKE") << c.what;
        EXPECT_EQ(item.UnInstallName, "C:\\UNINST.EXE -f\"C:\\GAMES\\QUAKE\\uninst.log\"") << c.what;
    }
}

TEST_F(HostileRegistry, ADamagedEntryCountsAsNoEntryAndAWriteKeepsTheDamage) {
    struct Case {
        const char* what;
        std::string entry;
    };
    const Case cases[] = {
        {"cut inside the command", std::string(kEntry.substr(0, kEntry.size() - 30))},
        {"a number instead of a string", "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\"
                                         "\\Quake] 1\n\"UninstallString\"=dword:1\n"},
        {"CR-only lines", "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Quake] 1\r"
                          "\"UninstallString\"=\"C:\\\\UNINST.EXE\"\r"},
    };
    for (const Case& c : cases) {
        const TDemos item = Detect(kHeader, c.entry, "");
        EXPECT_EQ(item.NotInstalled, 1) << c.what;
        EXPECT_EQ(item.UnInstallName, "") << c.what;

        // An installer's registration written afterwards keeps the damaged bytes for Wine to judge.
        const auto system_reg = machine.Root() / "machine" / "system.reg";
        ASSERT_TRUE(machine.Get().Reg().WriteString(RegistryRoot::LocalMachine, "Software\\Other", "v", "1"));
        EXPECT_NE(ReadFile(system_reg).find(c.entry), std::string::npos) << c.what;
        EXPECT_EQ(machine.Get().Reg().ReadString(RegistryRoot::LocalMachine, "Software\\Other", "v"), "1");
    }
}

} // namespace
} // namespace tavox
