#include "catalogue/path_helpers.h"

#include "platform/machine.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class PathHelpersTest : public ::testing::Test {
protected:
    PathHelpersTest() {
        EXPECT_TRUE(CreateMachineLayout(dir.Path()));
        machine = std::make_unique<Machine>(dir.Path());
    }
    TempDir dir;
    std::unique_ptr<Machine> machine;
};

TEST_F(PathHelpersTest, DirExistsNeverCountsADriveRoot) {
    const FileSystem& files = machine->Files();
    EXPECT_FALSE(DirExists(files, "C:\\"));
    EXPECT_FALSE(DirExists(files, "C:"));
    EXPECT_FALSE(DirExists(files, ""));
    EXPECT_TRUE(DirExists(files, "C:\\WINDOWS\\TEMP\\"));
    EXPECT_TRUE(DirExists(files, "c:\\windows\\temp"));
    EXPECT_FALSE(DirExists(files, "C:\\WINDOWS\\NOTHERE\\"));
    EXPECT_FALSE(DirExists(files, "Q:\\WINDOWS\\"));
}

TEST_F(PathHelpersTest, GetEnvReadsTheMachineNotTheHost) {
    ::setenv("TAVOX_HOST_ONLY", "host", 1);
    EXPECT_EQ(GetEnv(*machine, "TAVOX_HOST_ONLY"), "");
    ::unsetenv("TAVOX_HOST_ONLY");
    EXPECT_EQ(GetEnv(*machine, "TMP"), "C:\\windows\\TEMP");
    const std::string long_value(600, 'x');
    ASSERT_TRUE(machine->Reg().WriteString(RegistryRoot::CurrentUser, "Environment", "LONG", long_value));
    EXPECT_EQ(GetEnv(*machine, "LONG"), long_value);
}

// The working directory of a command: the directory of the program the command starts, where that can be
// told.
TEST_F(PathHelpersTest, CommandDirIsTheDirectoryOfTheProgramItStarts) {
    FileSystem& files = machine->Files();
    ASSERT_TRUE(files.CreateDirectory("C:\\GAMES"));
    ASSERT_TRUE(files.CreateDirectory("C:\\GAMES\\X.EXE KIT"));
    ASSERT_TRUE(files.WriteFile("C:\\GAMES\\X.EXE", "MZ"));
    ASSERT_TRUE(files.WriteFile("C:\\GAMES\\X.EXE KIT\\GO.BAT", "@echo"));
    struct Case {
        const char* command;
        const char* dir;
    };
    for (const Case& c : {
             Case{"C:\\GAMES\\X.EXE -f", "C:\\GAMES\\"},
             Case{"C:\\GAMES\\Y.EXE -f", "C:\\"},                 // no such program
             Case{"D:\\DEMOS\\A\\INSTALL.EXE", "D:\\DEMOS\\A\\"}, // no blank: taken as written
             Case{"SETUP.EXE", "C:\\"},
             Case{"c:\\games\\x.exe /a", "c:\\games\\"}, // the extension in any case, the letters kept
             Case{"C:\\GAMES\\X.EXE KIT\\GO.BAT /s", "C:\\GAMES\\X.EXE KIT\\"}, // the later extension wins
             Case{"", "C:\\"},
         }) {
        EXPECT_EQ(CommandDir(files, c.command), c.dir) << c.command;
    }
}

} // namespace
} // namespace tavox
