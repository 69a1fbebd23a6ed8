#include "platform/drive_map.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

class DriveMapTest : public ::testing::Test {
protected:
    DriveMapTest() {
        fs::create_directories(dir / "c" / "Games" / "Quake");
        WriteFile(dir / "c" / "Games" / "Quake" / "Quake.exe", "MZ");
        fs::create_directories(dir / "cd" / "DEMOS");
        drives.Map('C', dir / "c", DriveType::Fixed);
        drives.Map('d', dir / "cd", DriveType::CdRom);
    }
    TempDir dir;
    DriveMap drives;
};

TEST_F(DriveMapTest, MatchesExistingComponentsWithoutRegardToCase) {
    EXPECT_EQ(drives.ToHostPath("C:\\GAMES\\QUAKE\\QUAKE.EXE"), dir / "c" / "Games" / "Quake" / "Quake.exe");
    EXPECT_EQ(drives.ToHostPath("c:/games/quake"), dir / "c" / "Games" / "Quake");
    EXPECT_EQ(drives.ToHostPath("D:\\demos"), dir / "cd" / "DEMOS");
}

TEST_F(DriveMapTest, NewComponentsKeepTheCaseGiven) {
    EXPECT_EQ(drives.ToHostPath("C:\\GAMES\\NewGame\\Data"), dir / "c" / "Games" / "NewGame" / "Data");
}

TEST_F(DriveMapTest, PathsOutsideEveryDriveDoNotExist) {
    EXPECT_FALSE(drives.ToHostPath("E:\\X"));
    EXPECT_FALSE(drives.ToHostPath("C:\\..\\cd"));
    EXPECT_FALSE(drives.ToHostPath("C:\\Games\\..\\..\\..\\etc\\passwd"));
    EXPECT_FALSE(drives.ToHostPath("relative\\path"));
}

TEST_F(DriveMapTest, ExactSpellingWinsOverAnotherCase) {
    fs::create_directories(dir / "c" / "games");
    EXPECT_EQ(drives.ToHostPath("C:\\games"), dir / "c" / "games");
    EXPECT_EQ(drives.ToHostPath("C:\\Games"), dir / "c" / "Games");
}

TEST_F(DriveMapTest, NamesAreConvertedFromTheMachineCodePage) {
    drives.SetNameCodePage(CodePage::Windows1250);
    fs::create_directories(dir / "c" / "Hry" / "Řešení");
    // "\xD8" is Ř and "\xF8" is ř in code page 1250; "\x9A" is š.
    EXPECT_EQ(drives.ToHostPath("C:\\HRY\\\xD8"
                                "e\x9A"
                                "en\xED"),
              dir / "c" / "Hry" / "Řešení");
    EXPECT_EQ(drives.ToWindowsPath(dir / "c" / "Hry" / "Řešení"), "C:\\Hry\\\xD8"
                                                                  "e\x9A"
                                                                  "en\xED");
}

TEST_F(DriveMapTest, HostPathsTranslateBackThroughTheLongestDrive) {
    drives.Map('E', dir / "c" / "Games", DriveType::Fixed);
    EXPECT_EQ(drives.ToWindowsPath(dir / "c" / "Games" / "Quake" / "Quake.exe"), "E:\\Quake\\Quake.exe");
    EXPECT_EQ(drives.ToWindowsPath(dir / "cd"), "D:\\");
    EXPECT_EQ(drives.ToWindowsPath(dir / "cd" / "DEMOS" / ".." / "TAVOX95.EXE"), "D:\\TAVOX95.EXE");
    EXPECT_FALSE(drives.ToWindowsPath(dir / "elsewhere"));
}

TEST_F(DriveMapTest, HostPathsReachedThroughLinksTranslateToTheirDrive) {
    fs::create_directory_symlink(dir / "cd", dir / "mounted-cd");
    EXPECT_EQ(drives.ToWindowsPath(dir / "mounted-cd" / "DEMOS"), "D:\\DEMOS");
}

TEST_F(DriveMapTest, DriveTypesFollowTheMap) {
    EXPECT_EQ(drives.TypeOf('d'), DriveType::CdRom);
    EXPECT_EQ(drives.TypeOf('C'), DriveType::Fixed);
    EXPECT_EQ(drives.TypeOf('Q'), DriveType::NoRootDir);
    drives.Unmap('D');
    EXPECT_EQ(drives.TypeOf('D'), DriveType::NoRootDir);
    ASSERT_EQ(drives.Drives().size(), 1u);
}

TEST(DriveTypeNames, RoundTripWineNames) {
    for (const DriveType type :
         {DriveType::CdRom, DriveType::Removable, DriveType::Fixed, DriveType::Remote, DriveType::RamDisk}) {
        EXPECT_EQ(DriveTypeFromWineName(WineNameOfDriveType(type)), type);
    }
    EXPECT_EQ(DriveTypeFromWineName("CDROM"), DriveType::CdRom);
    EXPECT_FALSE(DriveTypeFromWineName("tape"));
}

} // namespace
} // namespace tavox
