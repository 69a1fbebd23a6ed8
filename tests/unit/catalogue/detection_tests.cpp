#include "catalogue/detection.h"

#include "catalogue/records.h"
#include "support/test_machine.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

using test::TestMachine;

constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class DetectionTest : public ::testing::Test {
protected:
    DetectionContext Context() {
        return {machine.Get(), settings, "1298", "D:", "C:\\WINDOWS\\", "D:\\TAVOX\\"};
    }

    static TDemos Item(std::int32_t install_type, std::int32_t dir_detect = 0) {
        TDemos item;
        item.ListName = "QUAKE";
        item.InstallDir = "D:\\DEMOS\\QUAKE";
        item.Gamename = "QUAKE.EXE";
        item.RegUninstall = "Quake";
        item.Uninstall = "DGC:\\GAMES\\QUAKE";
        item.InstallType = install_type;
        item.DirDetect = dir_detect;
        item.NotInstalled = 1;
        return item;
    }

    void Register(std::string_view uninstall_string) {
        ASSERT_TRUE(machine.Get().Reg().WriteString(RegistryRoot::LocalMachine,
                                                    std::string(kUninstallKey) + "Quake", "UninstallString",
                                                    uninstall_string));
    }

    TDemos Checked(TDemos item) {
        CheckDemo(Context(), item);
        return item;
    }

    static bool Installed(const TDemos& item) {
        return item.Runnable == 1 && item.Removable == 1 && item.NotInstalled == 0;
    }

    std::string Recorded(std::string_view key) { return settings.ReadString("CD1298", key, "<none>"); }

    TestMachine machine;
    ProfileFile settings = machine.Settings();
};

TEST_F(DetectionTest, ItemsThatRunFromTheCdNeverTouchTheSettings) {
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\OLD"));
    const TDemos item = Checked(Item(0));
    EXPECT_EQ(item.InstalledDir, "D:\\DEMOS\\QUAKE");
    EXPECT_EQ(item.Runnable, 1);
    EXPECT_EQ(item.NotInstalled, 0);
    EXPECT_EQ(item.Removable, 0);
    EXPECT_EQ(Recorded("QUAKE"), "C:\\OLD");
}

TEST_F(DetectionTest, RecordedDirectoryWithTheProgramMeansInstalled) {
    for (const std::int32_t type : {1, 2, 3}) {
        EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\GAMES\\QUAKE\\"));
        machine.Write("C:\\GAMES\\QUAKE\\QUAKE.EXE", "MZ");
        const TDemos item = Checked(Item(type));
        EXPECT_TRUE(Installed(item)) << type;
        EXPECT_EQ(item.InstalledDir, "C:\\GAMES\\QUAKE") << type;
        EXPECT_EQ(Recorded("QUAKE"), "C:\\GAMES\\QUAKE");
        EXPECT_EQ(Recorded("QUAKE_"), "QUAKE.EXE,Quake,DGC:\\GAMES\\QUAKE");
        EXPECT_EQ(Recorded("QUAKE__"), "<none>") << "no uninstall command, no third key";
    }
}

TEST_F(DetectionTest, ARecordedDirectoryWithoutTheProgramIsForgotten) {
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\GAMES\\QUAKE"));
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE_", "QUAKE.EXE,Quake,"));
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE__", "C:\\GAMES\\QUAKE\\UNINST.EXE"));
    EXPECT_TRUE(settings.WriteString("CD1298", "OTHER", "C:\\OTHER"));
    machine.Write("C:\\GAMES\\QUAKE\\README.TXT", "text");
    const TDemos item = Checked(Item(2));
    EXPECT_EQ(item.NotInstalled, 1);
    EXPECT_EQ(item.Runnable, 0);
    EXPECT_EQ(item.Removable, 0);
    for (const std::string_view key : {"QUAKE", "QUAKE_", "QUAKE__"}) {
        EXPECT_EQ(Recorded(key), "<none>") << key;
    }
    EXPECT_EQ(Recorded("OTHER"), "C:\\OTHER");
}

TEST_F(DetectionTest, SetupProgramsAreFoundThroughTheirUninstallLog) {
    Register("C:\\WINDOWS\\UNINST.EXE -f\"C:\\GAMES\\X\\DeIsL1.isu\"");
    machine.Write("C:\\GAMES\\X\\QUAKE.EXE", "MZ");
    const TDemos item = Checked(Item(4));
    EXPECT_TRUE(Installed(item));
    EXPECT_EQ(item.InstalledDir, "C:\\GAMES\\X");
    EXPECT_EQ(item.UnInstallName, "C:\\WINDOWS\\UNINST.EXE -f\"C:\\GAMES\\X\\DeIsL1.isu\"");
    EXPECT_EQ(Recorded("QUAKE"), "C:\\GAMES\\X");
    EXPECT_EQ(Recorded("QUAKE__"), item.UnInstallName);
}

// On the registry files Wine wrote, with the probe's uninstall key moved to where a 32-bit setup's would be.
TEST_F(DetectionTest, A32BitSetupIsFoundWhereItsWinePrefixKeptItsUninstallKey) {
    using test::PrefixShape;
    const std::string wow64_key = "Software\\Wow6432Node" + std::string(test::kProbeUninstallKey.substr(8));
    struct Case {
        PrefixShape shape;
        std::string key;
        bool installed;
    };
    const Case cases[] = {
        {PrefixShape::Win64, wow64_key, true},
        {PrefixShape::Win32, std::string(test::kProbeUninstallKey), true},
        // A 32-bit prefix has one view: a key that happens to be named Wow6432Node is not part of it.
        {PrefixShape::Win32, wow64_key, false},
    };
    machine.Write("C:\\GAMES\\PROBE\\QUAKE.EXE", "MZ");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + (c.shape == PrefixShape::Win64 ? " on a 64-bit prefix" : " on a 32-bit prefix"));
        auto hive = test::WinePrefixMachineHive(c.shape);
        if (!hive) {
            GTEST_SKIP() << "no wow64 Wine prefix fixture";
        }
        hive->DeleteKeyTree(test::kProbeUninstallKey);
        hive->DeleteKeyTree(wow64_key);
        hive->WriteString(c.key, "UninstallString", "C:\\GAMES\\PROBE\\UNINST.EXE");
        test::InstallRegistry(machine.Get().Root(), *hive);
        TDemos item = Item(4);
        item.RegUninstall = "TavoxProbe";
        item = Checked(item);
        EXPECT_EQ(Installed(item), c.installed);
        EXPECT_EQ(Recorded("QUAKE"), c.installed ? "C:\\GAMES\\PROBE" : "<none>");
    }
}

TEST_F(DetectionTest, AMissingTestFileMeansNotInstalled) {
    Register("C:\\WINDOWS\\UNINST.EXE C:\\GAMES\\X\\INSTALL.LOG");
    machine.Write("C:\\GAMES\\X\\QUAKE.EXE", "MZ");
    TDemos item = Item(4);
    item.InstallParam = "PAK0.PAK";
    EXPECT_FALSE(Installed(Checked(item)));
    machine.Write("C:\\GAMES\\X\\PAK0.PAK", "data");
    EXPECT_TRUE(Installed(Checked(item)));
}

TEST_F(DetectionTest, WithoutAnUninstallEntryASetupItemIsNotInstalled) {
    machine.Write("C:\\QUAKE.EXE", "MZ");
    const TDemos item = Checked(Item(4));
    EXPECT_EQ(item.UnInstallName, "");
    EXPECT_EQ(item.NotInstalled, 1);
}

TEST_F(DetectionTest, DetectionRulesFindTheDirectory) {
    struct Case {
        std::int32_t install_type;
        std::int32_t dir_detect;
        std::string_view uninstall_string;
        std::string_view param;
    };
    const Case cases[] = {
        {5, 1, "C:\\WINDOWS\\UNINST.EXE C:\\GAMES\\X\\INSTALL.LOG", ""},
        {4, 1, "C:\\WINDOWS\\UNINST.EXE C:\\GAMES\\X\\INSTALL.LOG", ""},
        {5, 9, "C:\\GAMES\\X\\UNWISE.EXE /A", ""},
        {7, 0, "C:\\GAMES\\X\\UNWISE.EXE /A", ""},
        {5, 6, "", "game,Paths,Dir"},
        {5, 6, "", "GAME.INI;Paths;Dir"},
    };
    machine.Write("C:\\GAMES\\X\\QUAKE.EXE", "MZ");
    machine.Write("C:\\GAMES\\X\\UNWISE.EXE", "MZ");
    machine.Write("C:\\WINDOWS\\GAME.INI", "[Paths]\r\nDir=C:\\GAMES\\X\\\r\n");
    for (const Case& c : cases) {
        Register(c.uninstall_string);
        TDemos item = Item(c.install_type, c.dir_detect);
        item.InstallParam = c.param;
        item = Checked(item);
        EXPECT_TRUE(Installed(item)) << c.install_type << "/" << c.dir_detect;
        EXPECT_EQ(item.InstalledDir, "C:\\GAMES\\X") << c.install_type << "/" << c.dir_detect;
    }
}

TEST_F(DetectionTest, AnUninstallCommandFromTheCatalogueIsKept) {
    Register("C:\\ELSEWHERE\\UNINST.EXE C:\\ELSEWHERE\\LOG.TXT");
    machine.Write("C:\\GAMES\\X\\QUAKE.EXE", "MZ");
    TDemos item = Item(5, 1);
    item.UnInstallName = "C:\\WINDOWS\\UNINST.EXE C:\\GAMES\\X\\INSTALL.LOG";
    item = Checked(item);
    EXPECT_EQ(item.UnInstallName, "C:\\WINDOWS\\UNINST.EXE C:\\GAMES\\X\\INSTALL.LOG");
    EXPECT_EQ(item.InstalledDir, "C:\\GAMES\\X");
}

TEST_F(DetectionTest, SierraInstallsCountOnlyOffTheCd) {
    machine.Write("C:\\SIERRA\\QUAKE\\QUAKE.EXE", "MZ");
    machine.Write("D:\\SIERRA\\QUAKE\\QUAKE.EXE", "MZ");
    machine.Write("C:\\WINDOWS\\SIERRA.INI", "[Sierra]\r\nSierraDir=C:\\SIERRA\\QUAKE\r\n");
    EXPECT_TRUE(Installed(Checked(Item(6))));
    for (const std::string_view on_cd : {"D:\\SIERRA\\QUAKE", "d:\\sierra\\quake"}) {
        machine.Write("C:\\WINDOWS\\SIERRA.INI", "[Sierra]\r\nSierraDir=" + std::string(on_cd) + "\r\n");
        EXPECT_FALSE(Installed(Checked(Item(6)))) << on_cd;
    }
}

TEST_F(DetectionTest, WithoutSierraIniTheDirectoryOfThePreviousCheckStays) {
    TDemos item = Item(6);
    item.InstalledDir = "C:\\SIERRA\\QUAKE";
    machine.Write("C:\\SIERRA\\QUAKE\\QUAKE.EXE", "MZ");
    EXPECT_TRUE(Installed(Checked(item)));
}

TEST_F(DetectionTest, CdItemsRunWhenTheirTestFileExists) {
    machine.Write("D:\\DEMOS\\QUAKE\\QUAKE.EXE", "MZ");
    TDemos item = Item(10);
    item.InstallParam = "..\\DEMOS\\QUAKE\\NEEDED.DAT";
    EXPECT_FALSE(Installed(Checked(item)));
    machine.Write("D:\\DEMOS\\QUAKE\\NEEDED.DAT", "x");
    item = Checked(item);
    EXPECT_TRUE(Installed(item));
    EXPECT_EQ(item.InstalledDir, "D:\\DEMOS\\QUAKE");
}

TEST_F(DetectionTest, RuleTenMarksInstalledEvenWithoutTheProgram) {
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\GAMES\\QUAKE"));
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE_", "QUAKE.EXE,Quake,"));
    machine.Write("D:\\TAVOX\\FLAG.DAT", "x");
    TDemos item = Item(10, 10);
    item.InstallParam = "FLAG.DAT";
    item = Checked(item);
    EXPECT_TRUE(Installed(item));
    EXPECT_EQ(Recorded("QUAKE"), "<none>") << "the failed program test still deleted the keys";
}

TEST_F(DetectionTest, OnlyTheFirstProgramOfAVersionListIsTested) {
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\GAMES\\QUAKE"));
    machine.Write("C:\\GAMES\\QUAKE\\DEMO.EXE", "MZ");
    TDemos item = Item(1);
    item.Gamename = "GAME.EXE:Full game;DEMO.EXE:Demo";
    EXPECT_FALSE(Installed(Checked(item)));
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\GAMES\\QUAKE")); // the failed check forgot it
    machine.Write("C:\\GAMES\\QUAKE\\GAME.EXE", "MZ");
    EXPECT_TRUE(Installed(Checked(item)));
}

TEST_F(DetectionTest, DirectoriesOutsideEveryDriveCountAsAbsent) {
    Register("Q:\\UNINST.EXE Q:\\GAMES\\INSTALL.LOG");
    EXPECT_FALSE(Installed(Checked(Item(4))));
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\..\\..\\etc"));
    EXPECT_FALSE(Installed(Checked(Item(1))));
}

TEST_F(DetectionTest, RecordedDirFallsBackToTheOlderSettingsCopies) {
    EXPECT_EQ(RecordedDir(Context(), "QUAKE"), "");
    machine.Write("C:\\WINDOWS\\tavox.ini", "");
    machine.Write("C:\\tavox.ini", "[CD1298]\r\nQUAKE=C:\\FROM-ROOT\r\n");
    EXPECT_EQ(RecordedDir(Context(), "quake"), "C:\\FROM-ROOT");
    EXPECT_TRUE(settings.WriteString("CD1298", "QUAKE", "C:\\CURRENT"));
    EXPECT_EQ(RecordedDir(Context(), "QUAKE"), "C:\\CURRENT");
}

TEST_F(DetectionTest, TheWindowsCopyIsReadOnlyBesideARootCopyOnAnotherWindowsDirectory) {
    machine.Write("C:\\windows\\tavox.ini", "[CD1298]\r\nQUAKE=C:\\FROM-WINDOWS\r\n");
    ProfileFile win98_settings(machine.Host("C:\\WIN98\\tavox.ini"));
    DetectionContext context{machine.Get(), win98_settings, "1298", "D:", "C:\\WIN98\\", "D:\\TAVOX\\"};
    EXPECT_EQ(RecordedDir(context, "QUAKE"), "") << "consulted only when C:\\tavox.ini exists";
    machine.Write("C:\\tavox.ini", "[Main]\r\n");
    EXPECT_EQ(RecordedDir(context, "QUAKE"), "C:\\FROM-WINDOWS");
    context.WindowsDir = "c:\\windows\\";
    EXPECT_EQ(RecordedDir(context, "QUAKE"), "") << "on C:\\WINDOWS that copy is the settings file itself";
}

} // namespace
} // namespace tavox
