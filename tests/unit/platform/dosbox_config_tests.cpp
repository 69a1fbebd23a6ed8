#include "platform/dosbox_config.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(DosboxMounts, EveryDriveButTheHostsWholeFileSystemWithTheCdsLabel) {
    TempDir dir;
    fs::create_directories(dir / "c");
    fs::create_directories(dir / "floppy");
    WriteFile(dir / "disc" / ".windows-label", "Tavox 12/98 (CD 2) extra\r\n");
    fs::create_directories(dir / "no label");
    fs::create_directory_symlink(dir / "c", dir / "link-to-c");
    DriveMap drives;
    drives.Map('C', dir / "link-to-c", DriveType::Fixed);
    drives.Map('A', dir / "floppy", DriveType::Removable);
    drives.Map('D', dir / "disc", DriveType::CdRom);
    drives.Map('E', dir / "no label", DriveType::CdRom);
    drives.Map('F', dir / "missing", DriveType::Fixed);
    drives.Map('Z', "/", DriveType::Fixed);

    const std::vector<DosboxMount> mounts = DosboxMounts(drives);
    ASSERT_EQ(mounts.size(), 4u);
    const fs::path real = fs::canonical(dir.Path());
    const std::string expected[] = {
        "A " + (real / "floppy").string() + " 2 ", "C " + (real / "c").string() + " 3 ",
        "D " + (real / "disc").string() + " 5 TAVOX_1298_", "E " + (real / "no label").string() + " 5 "};
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        EXPECT_EQ(std::string(1, mounts[i].letter) + " " + mounts[i].host_dir.string() + " " +
                      std::to_string(static_cast<int>(mounts[i].type)) + " " + mounts[i].label,
                  expected[i]);
    }
}

TEST(DosboxConfiguration, MountsStartsTheProgramAndLeavesDosboxAfterIt) {
    DosboxStart start;
    start.mounts = {{'C', "/m/drive_c", DriveType::Fixed, ""},
                    {'D', "/media/my cd", DriveType::CdRom, "TAVOX"},
                    {'E', "/odd\"name", DriveType::Fixed, ""},
                    {'F', "/odd\nname", DriveType::Fixed, ""},
                    {'A', "/floppy", DriveType::Removable, ""}};
    start.directory = "D:\\DEMOS\\ZUBR";
    start.program = "D:\\DEMOS\\ZUBR\\INSTALL.EXE";
    start.arguments = "/S C:\\ZUBR\r\nformat c:";
    EXPECT_EQ(DosboxConfiguration(start),
              "# Written by the TAVOX CD menu for one program; removed when DOSBox ends.\n"
              "[autoexec]\n@echo off\n"
              "mount C \"/m/drive_c\"\n"
              "mount D \"/media/my cd\" -t cdrom -label TAVOX\n"
              "mount A \"/floppy\" -t floppy\n"
              "D:\ncd \\DEMOS\\ZUBR\n"
              "D:\\DEMOS\\ZUBR\\INSTALL.EXE /S C:\\ZUBR\n"
              "exit\n");

    start.directory = "C:\\";
    start.program = "C:\\WINDOWS\\TEMP\\INSTALL.BAT";
    start.arguments.clear();
    start.batch = true;
    const std::string config = DosboxConfiguration(start);
    EXPECT_TRUE(config.ends_with("C:\ncd \\\ncall C:\\WINDOWS\\TEMP\\INSTALL.BAT\nexit\n")) << config;
}

} // namespace
} // namespace tavox
