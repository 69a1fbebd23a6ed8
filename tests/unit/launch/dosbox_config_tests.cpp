#include "launch/dosbox_config.h"

#include "support/disc_images.h"
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
    start.mounts = {{'C', "/m/drive_c", DriveType::Fixed, "", {}},
                    {'D', "/media/my cd", DriveType::CdRom, "TAVOX", {}},
                    {'E', "/odd\"name", DriveType::Fixed, "", {}},
                    {'F', "/odd\nname", DriveType::Fixed, "", {}},
                    {'A', "/floppy", DriveType::Removable, "", {}}};
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

// DOSBox mounts an image it reads itself in place of the disc's folder, so that DOS programs see the ISO
// 9660 names, the label and the audio tracks; every other disc keeps the folder.
TEST(DosboxImageOf, AnImageDosboxReadsIsMountedInsteadOfTheFolder) {
    if (!test::HaveXorriso()) {
        GTEST_SKIP() << "xorriso is not installed";
    }
    TempDir dir;
    WriteFile(dir / "tree" / "README.TXT", "hello\r\n");
    const fs::path iso = dir / "my disc.iso";
    ASSERT_TRUE(test::MakeIso(dir / "tree", iso, "TAVOX", {}));
    ASSERT_TRUE(test::MakeRawImage(iso, dir / "mode1.img", test::RawFormat::Mode1));
    ASSERT_TRUE(test::MakeRawImage(iso, dir / "mode2.bin", test::RawFormat::Mode2Form1));
    ASSERT_TRUE(test::MakeRawImage(iso, dir / "sub.img", test::RawFormat::Mode1, 2448));
    const fs::path cue = test::MakeDiscShape(iso, dir / "redump", test::DiscShape::CueOnePerTrack);
    const fs::path mds = test::MakeDiscShape(iso, dir / "alcohol", test::DiscShape::Mds);
    const fs::path nrg = test::MakeDiscShape(iso, dir / "nero", test::DiscShape::NrgDiscAtOnce);
    ASSERT_TRUE(
        test::MakeLaterSessionIso(dir / "tree", dir / "later.iso", "TAVOX", test::kAudioFirstDataSector));
    const fs::path audio_first =
        test::MakeDiscShape(dir / "later.iso", dir / "enhanced", test::DiscShape::CueAudioFirst);
    const fs::path folder = dir / "tree";
    const std::string raw_mount = "imgmount D " + std::string(kDosboxCueFile) + " -t cdrom\n";
    const std::string folder_mount = "mount D \"" + folder.string() + "\" -t cdrom -label TAVOX\n";
    const struct {
        fs::path disc;
        std::string mount;
        std::string cue; // the cue sheet of our own, for a raw image
    } cases[] = {
        {iso, "imgmount D \"" + iso.string() + "\" -t iso\n", ""},
        {cue, "imgmount D \"" + cue.string() + "\" -t cdrom\n", ""},
        {dir / "mode1.img", raw_mount,
         "FILE \"" + (dir / "mode1.img").string() + "\" BINARY\r\n  TRACK 01 MODE1/2352"},
        {dir / "mode2.bin", raw_mount,
         "FILE \"" + (dir / "mode2.bin").string() + "\" BINARY\r\n  TRACK 01 MODE2/2352"},
        {mds, raw_mount, "FILE \"" + (dir / "alcohol.mdf").string() + "\" BINARY\r\n  TRACK 01 MODE1/2352"},
        {dir / "sub.img", folder_mount, ""}, // subchannel data DOSBox does not read
        {nrg, folder_mount, ""},             // the data track does not start the file
        {audio_first, folder_mount, ""},     // nor the disc
        {folder, folder_mount, ""},
    };
    for (const auto& [disc, mount, cue_sheet] : cases) {
        DosboxStart start;
        start.mounts = {{'D', folder, DriveType::CdRom, "TAVOX", DosboxImageOf(disc)}};
        start.program = "D:\\GAME.EXE";
        const std::string config = DosboxConfiguration(start);
        EXPECT_NE(config.find("@echo off\n" + mount + "D:\\GAME.EXE"), std::string::npos) << disc << config;
        const auto image = DosboxImageOf(disc);
        const std::string written = image ? DosboxCueSheet(*image) : std::string();
        EXPECT_TRUE(written.starts_with(cue_sheet) && written.empty() == cue_sheet.empty())
            << disc << written;
    }
}

} // namespace
} // namespace tavox
