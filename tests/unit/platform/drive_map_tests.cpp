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

TEST_F(DriveMapTest, LocateTellsWhatIsThereThroughLinks) {
    const fs::path quake = dir / "c" / "Games" / "Quake";
    fs::create_symlink(quake / "Quake.exe", quake / "Start.exe");
    fs::create_symlink(quake / "gone.exe", quake / "Broken.exe");
    fs::create_directory_symlink(quake, dir / "c" / "Q");
    const auto type_of = [this](std::string_view path) {
        const std::optional<HostEntry> entry = drives.Locate(path);
        return entry ? entry->type : fs::file_type::none;
    };
    EXPECT_EQ(type_of("C:\\GAMES\\QUAKE\\QUAKE.EXE"), fs::file_type::regular);
    EXPECT_EQ(type_of("C:\\Games\\Quake\\Start.exe"), fs::file_type::regular);
    EXPECT_EQ(type_of("C:\\GAMES\\QUAKE\\START.EXE"), fs::file_type::regular);
    EXPECT_EQ(type_of("C:\\q\\quake.exe"), fs::file_type::regular);
    EXPECT_EQ(type_of("C:\\Q"), fs::file_type::directory);
    EXPECT_EQ(type_of("C:\\games"), fs::file_type::directory);
    EXPECT_EQ(type_of("C:\\"), fs::file_type::directory);
    EXPECT_EQ(type_of("C:\\Games\\Quake\\Broken.exe"), fs::file_type::not_found);
    EXPECT_EQ(type_of("C:\\Games\\Quake\\Quake.exe\\X"), fs::file_type::not_found);
    EXPECT_EQ(type_of("E:\\Games"), fs::file_type::none);
    const std::optional<HostEntry> missing = drives.Locate("C:\\GAMES\\Doom\\DOOM.EXE");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->path, dir / "c" / "Games" / "Doom" / "DOOM.EXE");
    EXPECT_EQ(missing->type, fs::file_type::not_found);
}

TEST_F(DriveMapTest, PathsReachedThroughLinksKeepTheLinksInThem) {
    const fs::path quake = dir / "c" / "Games" / "Quake";
    fs::create_directory_symlink(quake, dir / "c" / "Q");
    fs::create_directory_symlink(dir / "c", dir / "c-link");
    drives.Map('E', dir / "c-link", DriveType::Fixed);
    drives.Map('F', dir / "c" / "", DriveType::Fixed); // a root given with a trailing separator
    const auto expect_file = [this](std::string_view windows_path, const fs::path& host_path) {
        const std::optional<HostEntry> entry = drives.Locate(windows_path);
        ASSERT_TRUE(entry) << windows_path;
        EXPECT_EQ(entry->path.native(), host_path.native()) << windows_path;
        EXPECT_EQ(entry->type, fs::file_type::regular) << windows_path;
    };
    expect_file("C:\\Q\\Quake.exe", dir / "c" / "Q" / "Quake.exe");
    expect_file("C:\\Q\\QUAKE.EXE", dir / "c" / "Q" / "Quake.exe");
    expect_file("E:\\Games\\Quake\\Quake.exe", dir / "c-link" / "Games" / "Quake" / "Quake.exe");
    expect_file("E:\\GAMES\\Quake\\Quake.exe", dir / "c-link" / "Games" / "Quake" / "Quake.exe");
    expect_file("F:\\Games\\Quake\\Quake.exe", quake / "Quake.exe");
}

TEST_F(DriveMapTest, AnExactSpellingIsKeptEvenWhereAnotherCaseWouldLeadFurther) {
    fs::create_directories(dir / "c" / "games");
    const std::optional<HostEntry> entry = drives.Locate("C:\\games\\Quake\\Quake.exe");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, dir / "c" / "games" / "Quake" / "Quake.exe");
    EXPECT_EQ(entry->type, fs::file_type::not_found);
    EXPECT_EQ(drives.Locate("C:\\Games\\Quake\\Quake.exe\\X")->path,
              dir / "c" / "Games" / "Quake" / "Quake.exe" / "X");
}

TEST_F(DriveMapTest, EntriesMadeOrRenamedAfterALookupAreFound) {
    const fs::path quake = dir / "c" / "Games" / "Quake";
    EXPECT_EQ(drives.Locate("C:\\Games\\Quake\\readme.txt")->type, fs::file_type::not_found);
    WriteFile(quake / "README.TXT", "written by a setup program");
    EXPECT_EQ(drives.ToHostPath("C:\\Games\\Quake\\readme.txt"), quake / "README.TXT");
    fs::rename(quake / "README.TXT", quake / "ReadMe.txt");
    const std::optional<HostEntry> renamed = drives.Locate("C:\\Games\\Quake\\readme.txt");
    EXPECT_EQ(renamed->path, quake / "ReadMe.txt");
    EXPECT_EQ(renamed->type, fs::file_type::regular);
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
