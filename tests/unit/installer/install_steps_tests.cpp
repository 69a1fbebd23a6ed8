#include "installer/install_steps.h"

#include "catalogue/records.h"
#include "platform/file_system.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;

TEST(InstallBatch, HoldsTheSixLinesWithCrLf) {
    TDemos item;
    item.InstallDir = "D:\\DEMOS\\GAME";
    item.InstallName = "INSTALL.EXE";
    item.ListName = "GAME";
    EXPECT_EQ(InstallBatch("D:", item), "@ECHO OFF\r\n"
                                        "REM Created by TAVOX CD Menu\r\n"
                                        "D:\r\n"
                                        "CD D:\\DEMOS\\GAME\r\n"
                                        "CALL INSTALL.EXE\r\n"
                                        "D:\\TAVOX\\WRITEINI.EXE GAME\r\n");
    // Code-page bytes pass through untouched.
    item.ListName = "Hra \x9A\xE8";
    EXPECT_NE(InstallBatch("E:", item).find("E:\\TAVOX\\WRITEINI.EXE Hra \x9A\xE8\r\n"), std::string::npos);
}

class InstallStepsTest : public ::testing::Test {
protected:
    test::TestMachine machine;
    FileSystem& files = machine.Get().Files();
};

TEST_F(InstallStepsTest, CopyFileToADirectoryKeepsTheNameAndLeavesADeletableFile) {
    machine.Write("D:\\UPDATES\\PATCH\\PATCH.EXE", "MZ patch");
    ASSERT_TRUE(files.SetAttributes("D:\\UPDATES\\PATCH\\PATCH.EXE", FileAttribute::ReadOnly));
    machine.Write("C:\\GAMES\\X\\GAME.EXE", "MZ game");
    CopyFileTo(files, "D:\\UPDATES\\PATCH\\PATCH.EXE", "C:\\GAMES\\X");
    EXPECT_EQ(test::ReadFile(machine.Host("C:\\GAMES\\X\\PATCH.EXE")), "MZ patch");
    EXPECT_FALSE(HasAttr(files, "C:\\GAMES\\X\\PATCH.EXE", FileAttribute::ReadOnly));
    EXPECT_TRUE(files.DeleteFile("C:\\GAMES\\X\\PATCH.EXE"));

    CopyFileTo(files, "D:\\UPDATES\\PATCH\\PATCH.EXE", "C:\\GAMES\\X\\RENAMED.EXE");
    EXPECT_EQ(test::ReadFile(machine.Host("C:\\GAMES\\X\\RENAMED.EXE")), "MZ patch");
    // A missing source or target directory changes nothing and reports nothing.
    CopyFileTo(files, "D:\\UPDATES\\NONE.EXE", "C:\\GAMES\\X");
    CopyFileTo(files, "D:\\UPDATES\\PATCH\\PATCH.EXE", "C:\\NOWHERE\\PATCH.EXE");
    EXPECT_FALSE(files.FileExists("C:\\GAMES\\X\\NONE.EXE"));
    EXPECT_FALSE(files.DirectoryExists("C:\\NOWHERE"));
}

TEST_F(InstallStepsTest, HasAttrNeedsEveryBit) {
    machine.Write("C:\\A.TXT", "a");
    EXPECT_TRUE(HasAttr(files, "C:\\A.TXT", 0));
    EXPECT_FALSE(HasAttr(files, "C:\\A.TXT", FileAttribute::ReadOnly));
    ASSERT_TRUE(files.SetAttributes("C:\\A.TXT", FileAttribute::ReadOnly | FileAttribute::Hidden));
    EXPECT_TRUE(HasAttr(files, "C:\\A.TXT", FileAttribute::ReadOnly));
    EXPECT_FALSE(HasAttr(files, "C:\\A.TXT", FileAttribute::ReadOnly | FileAttribute::System));
    EXPECT_FALSE(HasAttr(files, "C:\\MISSING.TXT", 0));
}

TEST_F(InstallStepsTest, SearchTreeFindsTheFirstFileOfExactlyThatSizeDepthFirst) {
    machine.Write("C:\\A\\DEEP\\ER\\GAME.EXE", "123456");
    machine.Write("C:\\B\\GAME.EXE", "123456");
    machine.Write("C:\\A\\GAME.EXE", "12345"); // the right name, the wrong size
    EXPECT_EQ(SearchTree(files, "C:\\", "GAME.EXE", 6), "C:\\A\\DEEP\\ER\\");
    EXPECT_EQ(SearchTree(files, "C:\\B", "game.exe", 6), "C:\\B\\");
    EXPECT_EQ(SearchTree(files, "C:\\", "GAME.EXE", 5), "C:\\A\\");
    EXPECT_EQ(SearchTree(files, "C:\\", "GAME.EXE", 7), "");
    EXPECT_EQ(SearchTree(files, "C:\\", "GAME.EXE", -1), "");
    EXPECT_EQ(SearchTree(files, "Q:\\", "GAME.EXE", 6), "");
}

TEST_F(InstallStepsTest, SearchTreeEndsOnALinkLoop) {
    machine.Write("C:\\LOOP\\README.TXT", "x");
    fs::create_directory_symlink(machine.Host("C:\\LOOP"), machine.Host("C:\\LOOP") / "AGAIN");
    fs::create_directory_symlink(machine.Host("C:\\"), machine.Host("C:\\LOOP") / "ROOT");
    EXPECT_EQ(SearchTree(files, "C:\\", "NOTHERE.EXE", 1), "");
    EXPECT_EQ(SearchTree(files, "C:\\", "README.TXT", 1), "C:\\LOOP\\");
}

TEST(SearchFile, ReadsThreePartsByCommaOrSemicolon) {
    const auto comma = ParseSearchFile("GAME.EXE,123456,C:\\GAMES\\X");
    ASSERT_TRUE(comma);
    EXPECT_EQ(comma->file, "GAME.EXE");
    EXPECT_EQ(comma->size_bytes, 123456);
    EXPECT_EQ(comma->directory, "C:\\GAMES\\X");
    const auto semicolon = ParseSearchFile("GAME.EXE;42;C:\\X");
    ASSERT_TRUE(semicolon);
    EXPECT_EQ(semicolon->size_bytes, 42);
    EXPECT_EQ(semicolon->directory, "C:\\X");
    EXPECT_FALSE(ParseSearchFile("GAME.EXE,42"));
    EXPECT_FALSE(ParseSearchFile(""));
    // A size that is not a whole number matches no file.
    EXPECT_EQ(ParseSearchFile("GAME.EXE,4x2,C:\\X")->size_bytes, -1);
    EXPECT_EQ(ParseSearchFile("GAME.EXE,-5,C:\\X")->size_bytes, -1);
}

} // namespace
} // namespace tavox
