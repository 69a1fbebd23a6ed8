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
        CreateMachineLayout(dir.Path());
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
    EXPECT_EQ(GetEnv(*machine, "TMP"), "C:\\WINDOWS\\TEMP");
    const std::string long_value(600, 'x');
    ASSERT_TRUE(machine->Reg().WriteString(RegistryRoot::CurrentUser, "Environment", "LONG", long_value));
    EXPECT_EQ(GetEnv(*machine, "LONG"), long_value);
}

} // namespace
} // namespace tavox
