#include "platform/machine.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(Machine, ANewMachineHasTheWindowsFoldersAndDriveC) {
    TempDir dir;
    const fs::path root = dir / "machine";
    ASSERT_TRUE(CreateMachineLayout(root));
    const Machine machine(root);
    EXPECT_EQ(machine.WindowsDir(), "C:\\windows");
    EXPECT_EQ(machine.SystemDir(), "C:\\windows\\SYSTEM");
    EXPECT_TRUE(machine.Files().DirectoryExists(machine.SystemDir()));
    EXPECT_TRUE(machine.Files().DirectoryExists("C:\\WINDOWS\\TEMP"));
    EXPECT_EQ(machine.ShellFolder("Programs"), "C:\\windows\\Start Menu\\Programs");
    EXPECT_TRUE(machine.Files().DirectoryExists(machine.ShellFolder("Programs")));
    EXPECT_TRUE(machine.Files().DirectoryExists(machine.ShellFolder("Desktop")));
    EXPECT_EQ(machine.EnvironmentVariable("TMP"), "C:\\windows\\TEMP");
    EXPECT_EQ(machine.Drives().TypeOf('C'), DriveType::Fixed);
    EXPECT_EQ(machine.Drives().ToHostPath("C:\\WINDOWS"), root / "drive_c" / "windows");
}

// A copied Windows 95 disk or a DOS emulator's C: folder, made a machine: its folders are used as they are.
TEST(Machine, ALayoutUsesTheFoldersThatExistInAnyCase) {
    for (const std::string existing : {"windows", "Windows", "WINDOWS"}) {
        TempDir dir;
        fs::create_directories(dir / "drive_c" / existing / "System");
        ASSERT_TRUE(CreateMachineLayout(dir.Path()));
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir / "drive_c" / existing)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Desktop", "Start Menu", "System", "TEMP"})) << existing;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "drive_c"), fs::directory_iterator()), 1)
            << existing;
        EXPECT_EQ(Machine(dir.Path()).WindowsDir(), "C:\\" + existing);
    }
}

TEST(Machine, AnExistingMachineIsLeftAsItIs) {
    TempDir dir;
    ASSERT_TRUE(CreateMachineLayout(dir.Path()));
    Machine machine(dir.Path());
    ASSERT_TRUE(machine.Reg().WriteString(RegistryRoot::CurrentUser, "Environment", "TMP", "C:\\MyTemp"));
    ASSERT_TRUE(CreateMachineLayout(dir.Path()));
    EXPECT_EQ(Machine(dir.Path()).EnvironmentVariable("TMP"), "C:\\MyTemp");
}

TEST(Machine, CdDrivesAreMappedForWineToo) {
    TempDir dir;
    ASSERT_TRUE(CreateMachineLayout(dir / "machine"));
    fs::create_directories(dir / "disc" / "TAVOX");
    Machine machine(dir / "machine");
    EXPECT_EQ(machine.FirstFreeLetter(), 'D');
    ASSERT_TRUE(machine.MapDrive('D', dir / "disc", DriveType::CdRom));
    EXPECT_EQ(machine.FirstFreeLetter(), 'E');
    EXPECT_TRUE(machine.Files().DirectoryExists("D:\\tavox"));
    // Another run reads the same drive and type back from the prefix.
    const Machine again(dir / "machine");
    EXPECT_EQ(again.Drives().TypeOf('D'), DriveType::CdRom);
    EXPECT_TRUE(fs::is_symlink(dir / "machine" / "dosdevices" / "d:"));
}

TEST(Machine, NeverReplacesARealDirectoryWithADriveLink) {
    TempDir dir;
    ASSERT_TRUE(CreateMachineLayout(dir.Path()));
    fs::create_directories(dir / "dosdevices" / "e:");
    WriteFile(dir / "dosdevices" / "e:" / "file", "x");
    Machine machine(dir.Path());
    EXPECT_FALSE(machine.MapDrive('E', dir / "drive_c", DriveType::CdRom));
    EXPECT_TRUE(fs::exists(dir / "dosdevices" / "e:" / "file"));
}

TEST(Machine, EnvironmentComesFromTheMachineWithReferencesExpanded) {
    TempDir dir;
    ASSERT_TRUE(CreateMachineLayout(dir.Path()));
    Machine machine(dir.Path());
    const std::string_view system_environment =
        "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
    ASSERT_TRUE(machine.Reg().WriteString(RegistryRoot::LocalMachine, system_environment, "GAMES",
                                          "%SystemRoot%\\GAMES"));
    ASSERT_TRUE(machine.Reg().WriteString(RegistryRoot::LocalMachine, system_environment, "LOOP", "%LOOP%x"));
    ASSERT_TRUE(
        machine.Reg().WriteString(RegistryRoot::LocalMachine, system_environment, "ODD", "50%%UNKNOWN%"));
    EXPECT_EQ(machine.EnvironmentVariable("games"), "C:\\windows\\GAMES");
    EXPECT_EQ(machine.EnvironmentVariable("ODD"), "50%%UNKNOWN%");
    EXPECT_TRUE(machine.EnvironmentVariable("LOOP")); // ends, whatever it expands to
    EXPECT_FALSE(machine.EnvironmentVariable("HOME"));
}

TEST(Machine, ReadsARealWinePrefix) {
    const fs::path fixtures = fs::path(TAVOX_SHARED_DIR) / "fixtures" / "wine-prefix";
    if (!fs::exists(fixtures / "system.reg")) {
        GTEST_SKIP() << "no shared fixtures";
    }
    TempDir dir;
    fs::copy_file(fixtures / "system.reg", dir / "system.reg");
    fs::copy_file(fixtures / "user.reg", dir / "user.reg");
    fs::create_directories(dir / "drive_c" / "windows" / "system32");
    fs::create_directories(dir / "drive_c" / "users" / "root" / "Temp");
    fs::create_directories(dir / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir / "dosdevices" / "c:");
    fs::create_symlink("/dev/ttyS0", dir / "dosdevices" / "com1");
    ASSERT_TRUE(CreateMachineLayout(dir.Path())); // an existing prefix stays as it is
    const Machine machine(dir.Path());
    EXPECT_EQ(machine.WindowsDir(), "C:\\windows");
    EXPECT_EQ(machine.SystemDir(), "C:\\windows\\system32");
    EXPECT_EQ(machine.EnvironmentVariable("TMP"), "C:\\users\\root\\Temp");
    EXPECT_EQ(machine.ShellFolder("Desktop"), "C:\\users\\root\\Desktop");
    ASSERT_EQ(machine.Drives().Drives().size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "drive_c" / "WINDOWS" / "SYSTEM"));
}

} // namespace
} // namespace tavox
