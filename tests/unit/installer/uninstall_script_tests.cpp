#include "installer/uninstall_script.h"

#include "support/test_machine.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using Action = UninstallAction;

const UninstallFolders kFolders{"C:\\GAMES\\X", "C:\\WINDOWS\\SYSTEM\\", "C:\\WINDOWS\\",
                                "C:\\WINDOWS\\Start Menu\\Programs\\", "C:\\WINDOWS\\Desktop\\"};

UninstallInstruction OnPath(Action action, std::string path) {
    UninstallInstruction instruction;
    instruction.action = action;
    instruction.path = std::move(path);
    return instruction;
}

UninstallInstruction OnKey(Action action, RegistryRoot root, std::string key, std::string value = {}) {
    UninstallInstruction instruction;
    instruction.action = action;
    instruction.root = root;
    instruction.key = std::move(key);
    instruction.value = std::move(value);
    return instruction;
}

std::vector<UninstallInstruction> Parse(std::string_view script, const UninstallFolders& folders = kFolders) {
    return ParseUninstallScript(script, folders);
}

TEST(UninstallScript, EachEntryResolvesItsPlace) {
    struct Row {
        std::string_view entry;
        UninstallInstruction expected;
    };
    const RegistryRoot hkcu = RegistryRoot::CurrentUser;
    const RegistryRoot hklm = RegistryRoot::LocalMachine;
    const std::vector<Row> rows = {
        {"D?:\\SAVES", OnPath(Action::RemoveTree, "C:\\SAVES")},
        {"DE", OnPath(Action::DeleteEmptyBranch, "C:\\GAMES\\X")},
        {"DEVERYTHING", OnPath(Action::DeleteEmptyBranch, "C:\\GAMES\\X")},
        {"DG", OnPath(Action::RemoveTree, "C:\\GAMES\\X")},
        {"DGDATA\\..\\SAVES", OnPath(Action::RemoveTree, "C:\\GAMES\\X\\SAVES")},
        {"F?:\\GAME.CFG", OnPath(Action::DeleteFile, "C:\\GAME.CFG")},
        {"FC:\\WINDOWS\\GAME.INI", OnPath(Action::DeleteFile, "C:\\WINDOWS\\GAME.INI")},
        {"FE:\\GAME.INI", OnPath(Action::DeleteFile, "E:\\GAME.INI")},
        {"FDGame.lnk", OnPath(Action::DeleteFile, "C:\\WINDOWS\\Desktop\\Game.lnk")},
        {"FGSAVES\\SLOT.SAV", OnPath(Action::DeleteFile, "C:\\GAMES\\X\\SAVES\\SLOT.SAV")},
        {"FPMaker\\Game.lnk",
         OnPath(Action::DeleteFile, "C:\\WINDOWS\\Start Menu\\Programs\\Maker\\Game.lnk")},
        {"FSGAME.DLL", OnPath(Action::DeleteFile, "C:\\WINDOWS\\SYSTEM\\GAME.DLL")},
        {"FW.\\GAME.INI", OnPath(Action::DeleteFile, "C:\\WINDOWS\\GAME.INI")},
        {"RMD\\Software\\Maker\\Game", OnKey(Action::DeleteKeyTree, hklm, "\\Software\\Maker\\Game")},
        {"RMDSoftware\\X", OnKey(Action::DeleteKeyTree, hklm, "\\Software\\X")},
        {"RUESoftware\\Maker", OnKey(Action::DeleteKey, hkcu, "\\Software\\Maker")},
        {"RXESoftware\\Maker", OnKey(Action::DeleteKey, hkcu, "\\Software\\Maker")},
        {"RUFSoftware\\X|LastDir", OnKey(Action::DeleteValue, hkcu, "\\Software\\X", "LastDir")},
        {"RMF\\Software\\X|A name of thirty-three characters",
         OnKey(Action::DeleteValue, hklm, "\\Software\\X", "A name of thirty-three charact")},
        {"SDGame.lnk", OnPath(Action::DeleteFileQuietly, "C:\\WINDOWS\\Desktop\\Game.lnk")},
        {"SNMaker\\Game", OnPath(Action::RemoveTree, "C:\\WINDOWS\\Start Menu\\Programs\\Maker\\Game")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        EXPECT_EQ(Parse(row.entry), std::vector<UninstallInstruction>{row.expected});
    }
}

TEST(UninstallScript, AProgramGroupEntryRemovesBothRegistrationsAndTheGroupFile) {
    const RegistryRoot hkcu = RegistryRoot::CurrentUser;
    const std::string groups = "\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\";
    EXPECT_EQ(Parse("SFMaker Games|MAKERGRP.GRP"),
              (std::vector<UninstallInstruction>{
                  OnKey(Action::DeleteValue, hkcu, groups + "MapGroups", "Maker Games"),
                  OnKey(Action::DeleteValue, hkcu, groups + "Groups", "C:\\WINDOWS\\MAKERGRP.GRP"),
                  OnPath(Action::DeleteFileQuietly, "C:\\WINDOWS\\MAKERGRP.GRP"),
              }));
    EXPECT_EQ(Parse("SFMaker Games"), (std::vector<UninstallInstruction>{OnKey(
                                          Action::DeleteValue, hkcu, groups + "MapGroups", "Maker Games")}));
}

TEST(UninstallScript, EntriesSplitAtCommasOrElseSemicolonsAndKeepTheirOrder) {
    const std::vector<UninstallInstruction> expected{OnPath(Action::RemoveTree, "C:\\GAMES\\X"),
                                                     OnPath(Action::DeleteFile, "C:\\WINDOWS\\A;B.INI")};
    EXPECT_EQ(Parse("DG,FWA;B.INI"), expected);
    EXPECT_EQ(Parse("FWA.INI;DG"),
              (std::vector<UninstallInstruction>{OnPath(Action::DeleteFile, "C:\\WINDOWS\\A.INI"),
                                                 OnPath(Action::RemoveTree, "C:\\GAMES\\X")}));
}

TEST(UninstallScript, EntriesOutsideTheLanguageAreLeftOut) {
    for (const std::string_view script : {"",
                                          ",",
                                          ",,;",
                                          "D",
                                          "F",
                                          "R",
                                          "S",
                                          "RM",
                                          "RMD",
                                          "RMD\\",
                                          "RUFSoftware\\X",
                                          "RUFSoftware\\X|",
                                          "RMXSoftware\\X",
                                          "DX",
                                          "SX",
                                          "SN",
                                          "SN ",
                                          "SF",
                                          "SF|",
                                          "X:\\",
                                          "dg",
                                          "fwGAME.INI",
                                          "!DG"}) {
        SCOPED_TRACE(script);
        EXPECT_TRUE(Parse(script).empty());
    }
}

TEST(UninstallScript, WithoutAnInstalledDirectoryOnlyFixedPlacesRemain) {
    UninstallFolders folders = kFolders;
    folders.InstalledDir.clear();
    EXPECT_EQ(Parse("DG,DGSAVES,DE,D?:\\SAVES,F?:\\X.INI,FGX.INI,FWX.INI", folders),
              (std::vector<UninstallInstruction>{OnPath(Action::DeleteFile, "C:\\WINDOWS\\X.INI")}));
}

TEST(FullPath, ResolvesDotsWithinTheDriveAndNeedsADrive) {
    EXPECT_EQ(FullPath("C:\\GAMES\\.\\X\\..\\Y\\"), "C:\\GAMES\\Y\\");
    EXPECT_EQ(FullPath("C:/GAMES//X"), "C:\\GAMES\\X");
    EXPECT_EQ(FullPath("C:\\..\\..\\WINDOWS"), "C:\\WINDOWS");
    EXPECT_EQ(FullPath("C:"), "C:\\");
    EXPECT_EQ(FullPath("\\GAMES"), "");
    EXPECT_EQ(FullPath("C:GAMES"), "");
    EXPECT_EQ(FullPath("GAMES\\X"), "");
}

TEST(UninstallScript, FilesGoWithTheirEmptiedDirectoriesAndOnlyRealFailuresAreTold) {
    test::TestMachine machine;
    Machine& m = machine.Get();
    const UninstallFolders folders{"C:\\GAMES\\X", m.SystemDir() + "\\", m.WindowsDir() + "\\",
                                   m.ShellFolder("Programs") + "\\", m.ShellFolder("Desktop") + "\\"};
    for (const std::string& file :
         {folders.WindowsDir + "GAME.INI", folders.SystemDir + "GAME.DLL", folders.SystemDir + "KERNEL.DLL",
          folders.DesktopDir + "Game.lnk", folders.StartMenuDir + "Maker\\Game.lnk",
          folders.StartMenuDir + "Other.lnk", std::string("C:\\GAMES\\X\\SAVES\\SLOT.SAV"),
          std::string("C:\\GAME.CFG")}) {
        machine.Write(file, "x");
    }
    ASSERT_TRUE(m.Files().SetAttributes(folders.WindowsDir + "GAME.INI", FileAttribute::ReadOnly));
    std::vector<std::string> reported;

    RunUninstallScript(
        ParseUninstallScript(
            "FWGAME.INI,FSGAME.DLL,FDGame.lnk,FPMaker\\Game.lnk,FGSAVES\\SLOT.SAV,F?:\\GAME.CFG,"
            "FC:\\GONE.INI,FC:\\WINDOWS\\SYSTEM",
            folders),
        {m.Files(), m.Reg(), {}, [&reported](const std::string& path) { reported.push_back(path); }});

    const auto exists = [&machine](const std::string& path) { return fs::exists(machine.Host(path)); };
    for (const std::string& gone :
         {folders.WindowsDir + "GAME.INI", folders.SystemDir + "GAME.DLL", folders.DesktopDir + "Game.lnk",
          folders.StartMenuDir + "Maker", std::string("C:\\GAMES"), std::string("C:\\GAME.CFG")}) {
        EXPECT_FALSE(exists(gone)) << gone;
    }
    // The climbs stop at the first directory that still holds something.
    EXPECT_TRUE(exists(folders.SystemDir + "KERNEL.DLL"));
    EXPECT_TRUE(exists(folders.StartMenuDir + "Other.lnk"));
    EXPECT_EQ(reported, std::vector<std::string>{"C:\\WINDOWS\\SYSTEM"})
        << "a file already gone is no failure";
}

// A 32-bit setup on a 64-bit Wine prefix registered itself under Software\Wow6432Node; the uninstall list
// names the keys as the setup saw them.
TEST(UninstallScript, RegistryEntriesRemoveTheKeysFromBothViewsOfA64BitPrefix) {
    const auto hive = test::WinePrefixMachineHive(test::PrefixShape::Win64);
    if (!hive) {
        GTEST_SKIP() << "no wow64 Wine prefix fixture";
    }
    test::TestMachine machine;
    test::InstallRegistry(machine.Get().Root(), *hive);
    const std::string uninstall_key(test::kProbeUninstallKey);
    ASSERT_TRUE(hive->KeyExists("Software\\Wow6432Node" + uninstall_key.substr(8)));
    ASSERT_TRUE(hive->KeyExists(uninstall_key));

    Machine& m = machine.Get();
    RunUninstallScript(
        ParseUninstallScript("RMD" + uninstall_key + ",RMFSoftware\\TavoxProbe|Installed", kFolders),
        {m.Files(), m.Reg(), {}, {}});

    const RegistryHive system = RegistryHive::Parse(test::ReadFile(machine.Get().Root() / "system.reg"));
    EXPECT_FALSE(system.KeyExists("Software\\Wow6432Node" + uninstall_key.substr(8)));
    EXPECT_FALSE(system.KeyExists(uninstall_key));
    EXPECT_FALSE(system.ValueExists("Software\\Wow6432Node\\TavoxProbe", "Installed"));
    EXPECT_FALSE(system.ValueExists("Software\\TavoxProbe", "Installed"));
    EXPECT_TRUE(system.KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

} // namespace
} // namespace tavox
