#include "platform/file_system.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class FileSystemTest : public ::testing::Test {
protected:
    FileSystemTest() {
        fs::create_directories(dir / "c" / "Games");
        fs::create_directories(dir / "outside");
        WriteFile(dir / "c" / "Games" / "Setup.exe", "MZ-setup");
        WriteFile(dir / "outside" / "precious.txt", "keep me");
        drives.Map('C', dir / "c", DriveType::Fixed);
    }
    TempDir dir;
    DriveMap drives;
    FileSystem files{drives};
};

TEST_F(FileSystemTest, TellsFilesFromDirectories) {
    EXPECT_TRUE(files.FileExists("C:\\GAMES\\SETUP.EXE"));
    EXPECT_FALSE(files.DirectoryExists("C:\\GAMES\\SETUP.EXE"));
    EXPECT_TRUE(files.DirectoryExists("c:\\games\\"));
    EXPECT_FALSE(files.FileExists("C:\\GAMES"));
    EXPECT_FALSE(files.FileExists("D:\\GAMES\\SETUP.EXE"));
    EXPECT_EQ(files.FileSize("C:\\Games\\Setup.exe"), 8u);
    EXPECT_FALSE(files.FileSize("C:\\Games"));
}

TEST_F(FileSystemTest, ReadOnlyIsTheWriteBitAndBlocksDeletion) {
    ASSERT_TRUE(files.SetAttributes("C:\\Games\\Setup.exe", FileAttribute::ReadOnly));
    EXPECT_TRUE(*files.GetAttributes("C:\\Games\\Setup.exe") & FileAttribute::ReadOnly);
    EXPECT_FALSE(files.DeleteFile("C:\\Games\\Setup.exe"));
    EXPECT_TRUE(files.FileExists("C:\\Games\\Setup.exe"));
    ASSERT_TRUE(files.SetAttributes("C:\\Games\\Setup.exe", FileAttribute::Normal));
    EXPECT_FALSE(*files.GetAttributes("C:\\Games\\Setup.exe") & FileAttribute::ReadOnly);
    EXPECT_TRUE(files.DeleteFile("C:\\Games\\Setup.exe"));
    EXPECT_FALSE(files.FileExists("C:\\Games\\Setup.exe"));
}

TEST_F(FileSystemTest, DirectoriesAreCreatedOneLevelAndRemovedOnlyWhenEmpty) {
    EXPECT_FALSE(files.CreateDirectory("C:\\New\\Deeper"));
    ASSERT_TRUE(files.CreateDirectory("C:\\New"));
    EXPECT_FALSE(files.CreateDirectory("C:\\NEW"));
    ASSERT_TRUE(files.CreateDirectory("C:\\NEW\\Deeper"));
    EXPECT_TRUE(fs::is_directory(dir / "c" / "New" / "Deeper"));
    EXPECT_FALSE(files.RemoveDirectory("C:\\New"));
    EXPECT_TRUE(files.RemoveDirectory("C:\\new\\deeper"));
    EXPECT_TRUE(files.RemoveDirectory("C:\\new"));
    EXPECT_FALSE(files.DirectoryExists("C:\\New"));
}

TEST_F(FileSystemTest, DeletingALinkNeverTouchesItsTarget) {
    fs::create_directory_symlink(dir / "outside", dir / "c" / "Games" / "DirLink");
    fs::create_symlink(dir / "outside" / "precious.txt", dir / "c" / "Games" / "FileLink");
    EXPECT_TRUE(files.DeleteFile("C:\\Games\\FileLink"));
    EXPECT_TRUE(files.RemoveDirectory("C:\\Games\\DirLink"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "c" / "Games" / "DirLink")));
    EXPECT_EQ(ReadFile(dir / "outside" / "precious.txt"), "keep me");
}

TEST_F(FileSystemTest, NothingOutsideTheDrivesIsWritten) {
    EXPECT_FALSE(files.CreateDirectory("C:\\..\\outside\\x"));
    EXPECT_FALSE(files.DeleteFile("C:\\..\\outside\\precious.txt"));
    EXPECT_FALSE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\..\\outside\\precious.txt", false));
    EXPECT_EQ(ReadFile(dir / "outside" / "precious.txt"), "keep me");
}

TEST_F(FileSystemTest, CopyHonoursFailIfExistsAndReadOnlyTargets) {
    ASSERT_TRUE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\Copy.exe", true));
    EXPECT_EQ(ReadFile(dir / "c" / "Copy.exe"), "MZ-setup");
    WriteFile(dir / "c" / "Games" / "Setup.exe", "MZ-newer");
    EXPECT_FALSE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\Copy.exe", true));
    EXPECT_EQ(ReadFile(dir / "c" / "Copy.exe"), "MZ-setup");
    ASSERT_TRUE(files.SetAttributes("C:\\Copy.exe", FileAttribute::ReadOnly));
    EXPECT_FALSE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\Copy.exe", false));
    ASSERT_TRUE(files.SetAttributes("C:\\Copy.exe", FileAttribute::Normal));
    EXPECT_TRUE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\copy.EXE", false));
    EXPECT_EQ(ReadFile(dir / "c" / "Copy.exe"), "MZ-newer");
    EXPECT_FALSE(files.CopyFile("C:\\Games\\Missing.exe", "C:\\Other.exe", false));
    EXPECT_FALSE(fs::exists(dir / "c" / "Other.exe"));
}

TEST_F(FileSystemTest, FindListsMatchingEntriesInNameOrder) {
    WriteFile(dir / "c" / "Games" / "readme.txt", "hello");
    fs::create_directories(dir / "c" / "Games" / "Data");
    fs::create_symlink(dir / "nowhere", dir / "c" / "Games" / "Dangling");
    const std::vector<FindEntry> all = files.FindFiles("C:\\GAMES\\*.*");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "Data");
    EXPECT_TRUE(all[0].IsDirectory());
    EXPECT_EQ(all[1].name, "Setup.exe");
    EXPECT_EQ(all[1].size_bytes, 8u);
    EXPECT_EQ(all[2].name, "readme.txt");
    const std::vector<FindEntry> exe = files.FindFiles("C:\\Games\\*.EXE");
    ASSERT_EQ(exe.size(), 1u);
    EXPECT_EQ(exe[0].name, "Setup.exe");
    EXPECT_EQ(files.FindFiles("C:\\*.*").size(), 1u);
    EXPECT_TRUE(files.FindFiles("C:\\Missing\\*.*").empty());
}

TEST_F(FileSystemTest, ContentCopyOfAReadOnlyFileCanBeDeletedAgain) {
    ASSERT_TRUE(files.SetAttributes("C:\\Games\\Setup.exe", FileAttribute::ReadOnly));
    ASSERT_TRUE(files.CopyContent("C:\\Games\\Setup.exe", "C:\\Games\\Copy.exe"));
    EXPECT_EQ(ReadFile(dir / "c" / "Games" / "Copy.exe"), "MZ-setup");
    EXPECT_TRUE(files.DeleteFile("C:\\Games\\Copy.exe"));
    // The attribute-keeping copy stays read-only, as Windows' CopyFile does.
    ASSERT_TRUE(files.CopyFile("C:\\Games\\Setup.exe", "C:\\Games\\Kept.exe", false));
    EXPECT_FALSE(files.DeleteFile("C:\\Games\\Kept.exe"));
}

TEST_F(FileSystemTest, WriteFileReportsWindowsErrorCodes) {
    const auto write = [this](std::string_view path, std::string_view bytes) {
        const Status written = files.WriteFile(path, bytes);
        return written ? 0 : WindowsErrorCode(written.Error());
    };
    EXPECT_EQ(write("C:\\Games\\INSTALL.BAT", "@ECHO OFF\r\n"), 0);
    EXPECT_EQ(ReadFile(dir / "c" / "Games" / "INSTALL.BAT"), "@ECHO OFF\r\n");
    EXPECT_EQ(write("C:\\Games\\INSTALL.BAT", "x"), 0);
    EXPECT_EQ(ReadFile(dir / "c" / "Games" / "INSTALL.BAT"), "x");
    EXPECT_EQ(write("C:\\Missing\\INSTALL.BAT", "x"), 3);
    EXPECT_EQ(write("Q:\\INSTALL.BAT", "x"), 3);
    ASSERT_TRUE(files.SetAttributes("C:\\Games\\INSTALL.BAT", FileAttribute::ReadOnly));
    EXPECT_EQ(write("C:\\Games\\INSTALL.BAT", "y"), 5);
    EXPECT_EQ(ReadFile(dir / "c" / "Games" / "INSTALL.BAT"), "x");
    // A link planted under the name is not written through.
    fs::create_symlink(dir / "outside" / "precious.txt", dir / "c" / "Games" / "LINK.BAT");
    EXPECT_EQ(write("C:\\Games\\LINK.BAT", "overwritten"), 5);
    EXPECT_EQ(ReadFile(dir / "outside" / "precious.txt"), "keep me");
}

} // namespace
} // namespace tavox
