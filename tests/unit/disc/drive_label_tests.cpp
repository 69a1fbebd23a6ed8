// The CD drive's label for Windows programs, and where the menu finds a disc when started without one.
#include "disc/disc_search.h"
#include "disc/drive_label.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(DriveLabel, TheMountOfADiscRootIsFoundWithItsEscapedNames) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 11:0 / /media/user/TAVOX\\04012-98 ro,nosuid master:7 - iso9660 /dev/sr0 ro\n"
        "41 22 0:50 / /mnt rw - tmpfs tmpfs rw\n"
        "42 41 11:1 / /mnt ro - iso9660 /dev/sr1 ro\n";
    const auto disc = MountAt(mountinfo, "/media/user/TAVOX 12-98");
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->source, "/dev/sr0");
    // The last mount over a point is the one seen there.
    EXPECT_EQ(MountAt(mountinfo, "/mnt")->source, "/dev/sr1");
    // A folder inside a mount is a copy of part of a disc, not a disc.
    EXPECT_FALSE(MountAt(mountinfo, "/media/user"));
    EXPECT_EQ(DecodeEscapes("TAVOX\\x2012\\x2f98"), "TAVOX 12/98");
    EXPECT_EQ(DecodeEscapes("trailing\\x2"), "trailing\\x2");
}

TEST(DriveLabel, WritesTheLabelAndTheSerialAsWineReadsThem) {
    TempDir dir;
    ASSERT_TRUE(WriteDriveLabel(dir.Path(), "TAVOX_9812", 0x1A2B3C4D));
    EXPECT_EQ(test::ReadFile(dir / ".windows-label"), "TAVOX_9812");
    EXPECT_EQ(test::ReadFile(dir / ".windows-serial"), "1A2B3C4D");
}

// A mounted disc cannot hold the label files: the drive gets a directory of links to the disc's entries.
TEST(DriveLabel, ALinkDirectoryStandsForAReadOnlyDisc) {
    TempDir dir;
    const fs::path disc = dir / "disc";
    test::WriteFile(disc / "TAVOX" / "TAVOX95.INI", "[Main]\r\n");
    test::WriteFile(disc / "README.TXT", "read me");
    // A disc of its own label file must not make us write through a link into the disc.
    test::WriteFile(disc / ".windows-label", "THE DISC'S OWN");
    fs::permissions(disc, fs::perms::owner_write, fs::perm_options::remove);

    const auto links = MakeLabelledLinkDir(dir / "mounts", disc, "TAVOX 12-98");
    ASSERT_TRUE(links);
    EXPECT_EQ(test::ReadFile(*links / "README.TXT"), "read me");
    EXPECT_EQ(test::ReadFile(*links / "TAVOX" / "TAVOX95.INI"), "[Main]\r\n");
    EXPECT_EQ(test::ReadFile(*links / ".windows-label"), "TAVOX 12-98");
    EXPECT_EQ(test::ReadFile(disc / ".windows-label"), "THE DISC'S OWN");

    // Made afresh each time at the same place, so the drive keeps its letter and sees the disc as it is now.
    fs::permissions(disc, fs::perms::owner_write, fs::perm_options::add);
    fs::remove(disc / "README.TXT");
    EXPECT_EQ(MakeLabelledLinkDir(dir / "mounts", disc, "TAVOX 12-98"), links);
    EXPECT_FALSE(fs::exists(fs::symlink_status(*links / "README.TXT")));
}

TEST(DiscSearch, FindsTheFirstMountedDiscWithTheCatalogue) {
    TempDir dir;
    const std::string media = (dir / "media").string();
    const std::string run_media = (dir / "run-media").string();
    test::WriteFile(dir / "media" / "usb" / "notes.txt", "not a disc");
    test::WriteFile(dir / "run-media" / "user" / "TAVOX_9812" / "tavox" / "Tavox95.ini", "[Main]\r\n");
    test::WriteFile(dir / "run-media" / "user" / "TAVOX_9901" / "TAVOX" / "TAVOX95.INI", "[Main]\r\n");
    const std::string_view roots[] = {media, run_media, (dir / "absent").string()};
    EXPECT_EQ(FindMountedDisc(roots), dir / "run-media" / "user" / "TAVOX_9812");
    const std::string_view nothing[] = {media};
    EXPECT_FALSE(FindMountedDisc(nothing));
}

} // namespace
} // namespace tavox
