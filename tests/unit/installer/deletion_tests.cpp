#include "installer/deletion.h"

#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class DeletionTest : public ::testing::Test {
protected:
    TreeDeletion Deletion(std::string windows_dir = "C:\\WINDOWS\\") {
        return {machine.Get().Files(), std::move(windows_dir),
                [this](const std::string& path) { reported.push_back(path); }};
    }
    bool Exists(std::string_view windows_path) const {
        return fs::exists(fs::symlink_status(machine.Host(windows_path)));
    }
    FileSystem& Files() { return machine.Get().Files(); }

    test::TestMachine machine;
    std::vector<std::string> reported;
};

TEST_F(DeletionTest, RemoveTreeDeletesEverythingAndTheParentsThatBecameEmpty) {
    machine.Write("C:\\GAMES\\X\\GAME.EXE", "MZ");
    machine.Write("C:\\GAMES\\X\\SAVES\\DEEP\\SLOT1.SAV", "save");
    machine.Write("C:\\GAMES\\X\\LOCKED.DAT", "ro");
    machine.Write("C:\\GAMES\\X\\HIDDEN.SYS", "hs");
    machine.Write("C:\\GAMES\\MsCreate.Dir", "");
    machine.Write("C:\\HRY\\X\\GAME.EXE", "MZ");
    machine.Write("C:\\HRY\\Y\\OTHER.EXE", "MZ");
    ASSERT_TRUE(Files().SetAttributes("C:\\GAMES\\X\\LOCKED.DAT", FileAttribute::ReadOnly));
    ASSERT_TRUE(Files().SetAttributes(
        "C:\\GAMES\\X\\HIDDEN.SYS", FileAttribute::Hidden | FileAttribute::System | FileAttribute::ReadOnly));
    ASSERT_TRUE(
        Files().SetAttributes("C:\\GAMES\\MsCreate.Dir", FileAttribute::ReadOnly | FileAttribute::Hidden));

    RemoveTree(Deletion(), "c:\\games\\x");

    EXPECT_TRUE(reported.empty());
    EXPECT_FALSE(Exists("C:\\GAMES\\X"));
    EXPECT_FALSE(Exists("C:\\GAMES")) << "emptied but for the setup marker, the parent goes too";
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM"));

    RemoveTree(Deletion(), "C:\\HRY\\X\\");
    EXPECT_FALSE(Exists("C:\\HRY\\X"));
    EXPECT_TRUE(Exists("C:\\HRY\\Y\\OTHER.EXE")) << "the climb stops at a directory that holds something";
}

TEST_F(DeletionTest, DriveRootsProgramFilesAndTheWindowsDirectoryAreNeverEmptied) {
    machine.Write("C:\\ROOT.TXT", "root");
    machine.Write("C:\\Program Files\\Maker\\GAME.EXE", "MZ");
    machine.Write("C:\\WINDOWS\\WIN.INI", "[windows]");
    machine.Write("C:\\GAMES\\KEEP.TXT", "keep");
    for (const std::string_view dir :
         {"C:\\", "c:", "C:\\PROGRAM FILES", "c:\\program files\\", "C:\\WINDOWS", "c:\\windows\\",
          "C:\\GAMES\\..\\WINDOWS", "C:\\WINDOWS.\\", "C:\\GAMES\\..\\Program Files\\", "C:\\..\\WINDOWS"}) {
        SCOPED_TRACE(dir);
        RemoveTree(Deletion(), dir);
        EXPECT_TRUE(Exists("C:\\ROOT.TXT"));
        EXPECT_TRUE(Exists("C:\\Program Files\\Maker\\GAME.EXE"));
        EXPECT_TRUE(Exists("C:\\WINDOWS\\WIN.INI"));
        EXPECT_TRUE(Exists("C:\\GAMES\\KEEP.TXT"));
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(DeletionTest, TheGuardsHoldAtEveryDepthOfTheWalk) {
    // A Windows directory below the tree that is being removed.
    machine.Write("C:\\OS\\WIN\\SYSTEM\\KERNEL.DLL", "MZ");
    machine.Write("C:\\OS\\GAME\\GAME.EXE", "MZ");
    RemoveTree(Deletion("C:\\os\\win"), "C:\\OS");
    EXPECT_TRUE(Exists("C:\\OS\\WIN\\SYSTEM\\KERNEL.DLL"));
    EXPECT_FALSE(Exists("C:\\OS\\GAME"));
    EXPECT_TRUE(IsProtectedDirectory("C:\\OS\\WIN\\", "C:\\OS\\WIN"));
    EXPECT_FALSE(IsProtectedDirectory("C:\\OS\\WIN\\SYSTEM", "C:\\OS\\WIN"));
}

TEST_F(DeletionTest, LinksAreRemovedAndWhatTheyPointToStays) {
    const test::TempDir outside;
    WriteFile(outside / "dir" / "precious.txt", "keep me");
    WriteFile(outside / "file.txt", "keep me too");
    machine.Write("C:\\GAMES\\X\\GAME.EXE", "MZ");
    fs::create_directory_symlink(outside / "dir", machine.Host("C:\\GAMES\\X") / "LinkedDir");
    fs::create_symlink(outside / "file.txt", machine.Host("C:\\GAMES\\X") / "LINKED.TXT");
    fs::create_symlink(outside / "dir" / "precious.txt", machine.Host("C:\\GAMES") / "MsCreate.Dir");
    ASSERT_TRUE(fs::create_directories(machine.Host("C:\\GAMES\\X") / "SUB"));
    fs::permissions(outside / "file.txt", fs::perms::owner_read, fs::perm_options::replace);

    RemoveTree(Deletion(), "C:\\GAMES\\X");

    EXPECT_TRUE(reported.empty());
    EXPECT_FALSE(Exists("C:\\GAMES"));
    EXPECT_EQ(ReadFile(outside / "dir" / "precious.txt"), "keep me");
    EXPECT_EQ(ReadFile(outside / "file.txt"), "keep me too");
    EXPECT_EQ(fs::status(outside / "file.txt").permissions(), fs::perms::owner_read)
        << "a link's target keeps its attributes";
}

TEST_F(DeletionTest, ATreeThatIsItselfALinkLosesOnlyTheLink) {
    const test::TempDir outside;
    WriteFile(outside / "precious.txt", "keep me");
    fs::create_directories(machine.Host("C:\\GAMES"));
    fs::create_directory_symlink(outside.Path(), machine.Host("C:\\GAMES") / "X");
    machine.Write("C:\\GAMES\\OTHER.TXT", "other");

    RemoveTree(Deletion(), "C:\\GAMES\\X");
    EXPECT_FALSE(Exists("C:\\GAMES\\X"));
    EXPECT_EQ(ReadFile(outside / "precious.txt"), "keep me");

    // The climb takes a link to an empty directory for what it is: no empty directory.
    const test::TempDir empty;
    fs::create_directory_symlink(empty.Path(), machine.Host("C:\\GAMES") / "LINK");
    DeleteEmptyBranch(Files(), "C:\\GAMES\\LINK");
    EXPECT_TRUE(fs::is_symlink(machine.Host("C:\\GAMES") / "LINK"));
    EXPECT_TRUE(fs::is_directory(empty.Path()));
}

TEST_F(DeletionTest, AFileThatCannotBeDeletedIsReportedAndTheWalkGoesOn) {
    machine.Write("C:\\GAMES\\X\\A.TXT", "a");
    machine.Write("C:\\GAMES\\X\\Z.TXT", "z");
    // A name that no Windows path can reach.
    WriteFile(machine.Host("C:\\GAMES\\X") / "B|C.TXT", "unreachable");

    RemoveTree(Deletion(), "C:\\GAMES\\X");
    EXPECT_EQ(reported, std::vector<std::string>{"C:\\GAMES\\X\\B|C.TXT"});
    EXPECT_FALSE(Exists("C:\\GAMES\\X\\A.TXT"));
    EXPECT_FALSE(Exists("C:\\GAMES\\X\\Z.TXT"));
    EXPECT_TRUE(Exists("C:\\GAMES\\X")) << "kept silently, since it is not empty";
}

TEST_F(DeletionTest, RemoveFileClearsReadOnlyAndCountsAMissingFileAsGone) {
    machine.Write("C:\\GAMES\\GAME.INI", "ini");
    ASSERT_TRUE(
        Files().SetAttributes("C:\\GAMES\\GAME.INI", FileAttribute::ReadOnly | FileAttribute::Hidden));
    EXPECT_TRUE(RemoveFile(Files(), "C:\\GAMES\\GAME.INI"));
    EXPECT_FALSE(Exists("C:\\GAMES\\GAME.INI"));
    EXPECT_TRUE(RemoveFile(Files(), "C:\\GAMES\\GAME.INI"));
    EXPECT_FALSE(RemoveFile(Files(), "C:\\GAMES")) << "a directory is no file";
    EXPECT_TRUE(Exists("C:\\GAMES"));
}

TEST_F(DeletionTest, NothingOutsideTheDrivesIsTouched) {
    const fs::path beside = machine.Root() / "beside";
    WriteFile(beside / "precious.txt", "keep me");
    for (const std::string_view dir : {"C:\\..\\..\\beside", "E:\\BESIDE", "\\beside", "beside"}) {
        SCOPED_TRACE(dir);
        RemoveTree(Deletion(), dir);
        RemoveFile(Files(), std::string(dir) + "\\precious.txt");
    }
    EXPECT_EQ(ReadFile(beside / "precious.txt"), "keep me");
}

TEST(DirectoryAbove, DropsOneTrailingBackslashThenTheLastName) {
    EXPECT_EQ(DirectoryAbove("C:\\GAMES\\X\\"), "C:\\GAMES");
    EXPECT_EQ(DirectoryAbove("C:\\GAMES"), "C:");
    EXPECT_EQ(DirectoryAbove("C:\\"), "C:");
    EXPECT_EQ(DirectoryAbove("GAMES"), "");
}

} // namespace
} // namespace tavox
