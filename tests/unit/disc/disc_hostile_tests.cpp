// Hostile and damaged disc images: whatever they hold, nothing is written outside the target, links, devices
// and set-uid bits are never reproduced, and a disc cannot make the unpack write more than it holds.
#include "disc/disc_image.h"
#include "disc/disc_unpack.h"
#include "disc/volume_descriptors.h"
#include "support/disc_images.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every occurrence of `from` in the image's file system area becomes `to` (of the same length).
void Patch(const fs::path& image, const std::string& from, const std::string& to) {
    std::string bytes = ReadAll(image);
    for (std::size_t at = bytes.find(from, 32768); at != std::string::npos; at = bytes.find(from, at + 1)) {
        bytes.replace(at, to.size(), to);
    }
    WriteAll(image, bytes);
}

std::string Both32(std::uint32_t value) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(value >> (8 * i));
        bytes[7 - i] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

class HostileDiscTest : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXorriso()) {
            GTEST_SKIP() << "xorriso is not installed";
        }
        fs::create_directories(dir_ / "target");
    }

    UnpackResult Unpack(const fs::path& iso) {
        const Result<DiscImage> opened = OpenDiscImage(iso);
        if (!opened) {
            return {UnpackStatus::Failed, opened.Error().text};
        }
        return UnpackDisc(*opened, dir_ / "target", [](auto, auto) { return true; });
    }

    // Nothing but the target and what the test made stands in the test's directory.
    std::vector<std::string> Outside() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name != "target" && name != "tree" && !name.ends_with(".iso")) {
                names.push_back(name);
            }
        }
        return names;
    }

    TempDir dir_;
};

TEST_F(HostileDiscTest, LinksDevicesAndSetUidBitsAreNotReproduced) {
    const fs::path tree = dir_ / "tree";
    test::WriteFile(tree / "file.txt", "text");
    test::WriteFile(tree / "setuid", "run");
    fs::permissions(tree / "setuid", fs::perms::set_uid | fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(tree / "sub");
    fs::create_hard_link(tree / "file.txt", tree / "sub" / "hard.txt");
    fs::create_symlink("../../../../escaped", tree / "relative-link");
    fs::create_symlink(dir_ / "absolute-target", tree / "absolute-link");
    const fs::path iso = dir_ / "links.iso";
    ASSERT_TRUE(test::MakeIso(tree, iso, "LINKS", {"-hardlinks", "on", "-map", "/dev/null", "/device"}));

    ASSERT_EQ(Unpack(iso).status, UnpackStatus::Done);
    const fs::path target = dir_ / "target";
    EXPECT_EQ(test::ReadFile(target / "sub" / "hard.txt"), "text"); // a copy of the linked file
    EXPECT_FALSE(fs::is_symlink(target / "sub" / "hard.txt"));
    for (const char* gone : {"relative-link", "absolute-link", "device"}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(target / gone))) << gone;
    }
    struct stat info {};
    ASSERT_EQ(::stat((target / "setuid").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & (S_ISUID | S_ISGID), 0u);
    EXPECT_TRUE(Outside().empty());
}

TEST_F(HostileDiscTest, NamesThatClimbOutAreLeftOut) {
    test::WriteFile(dir_ / "tree" / "ddddddddd", "escape");
    test::WriteFile(dir_ / "tree" / "kept.txt", "kept");
    const fs::path iso = dir_ / "climb.iso";
    ASSERT_TRUE(test::MakeIso(dir_ / "tree", iso, "CLIMB", {"-joliet", "off"}));
    Patch(iso, "ddddddddd", "../../esc");

    EXPECT_EQ(Unpack(iso).status, UnpackStatus::Done);
    EXPECT_EQ(test::ReadFile(dir_ / "target" / "kept.txt"), "kept");
    EXPECT_TRUE(Outside().empty());
    EXPECT_FALSE(fs::exists(dir_.Path().parent_path() / "esc"));
}

TEST_F(HostileDiscTest, AFileClaimingFourGigabytesFailsWithAMessage) {
    test::WriteFile(dir_ / "tree" / "big", "small");
    const fs::path iso = dir_ / "claim.iso";
    ASSERT_TRUE(test::MakeIso(dir_ / "tree", iso, "CLAIM", {"-joliet", "off", "-rockridge", "off"}));
    // The directory record's data length, both byte orders, stands 23 bytes before its name.
    std::string bytes = ReadAll(iso);
    const std::size_t name = bytes.find("BIG.;1", 32768);
    ASSERT_NE(name, std::string::npos);
    bytes.replace(name - 23, 8, Both32(0xFFFFFFF0));
    WriteAll(iso, bytes);

    const UnpackResult result = Unpack(iso);
    EXPECT_EQ(result.status, UnpackStatus::Failed);
    EXPECT_NE(result.error.find(iso.string()), std::string::npos) << result.error;
    EXPECT_LT(test::ReadFile(dir_ / "target" / "big").size(), 4096u);
}

TEST_F(HostileDiscTest, ACompressedFileUnpackingBeyondTheDiscIsRefused) {
    // 16 MB of zeros that zisofs keeps in a few sectors: every read succeeds, only the claim stops it.
    constexpr std::uintmax_t kZerosBytes = 16 << 20;
    WriteAll(dir_ / "zeros", "");
    fs::resize_file(dir_ / "zeros", kZerosBytes);
    fs::create_directories(dir_ / "tree");
    const fs::path iso = dir_ / "zisofs.iso";
    if (!test::MakeIso(
            dir_ / "tree", iso, "ZISOFS",
            {"-map", (dir_ / "zeros").string(), "/ZEROS", "-set_filter", "--zisofs", "/ZEROS", "--"}) ||
        fs::file_size(iso) >= kZerosBytes) {
        GTEST_SKIP() << "xorriso cannot write zisofs";
    }

    const UnpackResult result = Unpack(iso);
    EXPECT_EQ(result.status, UnpackStatus::Failed);
    EXPECT_NE(result.error.find("claims more data than the disc holds"), std::string::npos) << result.error;
    std::uintmax_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "target")) {
        written += entry.is_regular_file() ? entry.file_size() : 0;
    }
    EXPECT_LE(written, fs::file_size(iso));
}

TEST_F(HostileDiscTest, ADirectoryThatContainsItselfIsRefused) {
    fs::create_directories(dir_ / "tree" / "LOOP");
    test::WriteFile(dir_ / "tree" / "LOOP" / "inner.txt", "inner");
    const fs::path iso = dir_ / "loop.iso";
    ASSERT_TRUE(test::MakeIso(dir_ / "tree", iso, "LOOP", {"-joliet", "off", "-rockridge", "off"}));
    // Point LOOP's directory record (its name length just before the name, unlike the path table's entry)
    // at the root directory's extent.
    std::string bytes = ReadAll(iso);
    const std::size_t root_extent = 32768 + 156 + 2;
    std::size_t name = bytes.find("LOOP", 32768 + 2048);
    while (name != std::string::npos && bytes[name - 1] != 4) {
        name = bytes.find("LOOP", name + 1);
    }
    ASSERT_NE(name, std::string::npos);
    bytes.replace(name - 33 + 2, 8, bytes.substr(root_extent, 8));
    WriteAll(iso, bytes);

    const UnpackResult result = Unpack(iso);
    EXPECT_EQ(result.status, UnpackStatus::Failed);
    EXPECT_NE(result.error.find("loop"), std::string::npos) << result.error;
    EXPECT_TRUE(Outside().empty());
}

TEST_F(HostileDiscTest, AHundredThousandEntriesUnpack) {
    // One empty file mapped to every name: making 100,000 files first would take longer than the test.
    test::WriteFile(dir_ / "tree" / "EMPTY", "");
    std::string commands;
    for (int d = 0; d < 100; ++d) {
        for (int f = 0; f < 1000; ++f) {
            commands += "-map " + (dir_ / "tree" / "EMPTY").string() + " /D" + std::to_string(d) + "/F" +
                        std::to_string(f) + "\n";
        }
    }
    WriteAll(dir_ / "many.iso.commands", commands);
    const fs::path iso = dir_ / "many.iso";
    ASSERT_TRUE(
        test::MakeIso(dir_ / "tree", iso, "MANY",
                      {"-joliet", "off", "-options_from_file", (dir_ / "many.iso.commands").string()}));
    ASSERT_EQ(Unpack(iso).status, UnpackStatus::Done);
    EXPECT_TRUE(fs::exists(dir_ / "target" / "D99" / "F999"));
}

// Windows sums the descriptor in four byte lanes; byte 0's lane is the top byte of the serial.
TEST(VolumeDescriptors, SerialLabelAndSizeComeFromTheDescriptors) {
    std::vector<std::uint8_t> sectors(3 * 2048, 0);
    const auto descriptor = [&](std::size_t index, std::uint8_t type) {
        sectors[index * 2048] = type;
        std::copy_n("CD001\x01", 6, sectors.begin() + static_cast<std::ptrdiff_t>(index * 2048 + 1));
    };
    descriptor(0, 1);
    std::copy_n("TAVOX 12/98                     ", 32, sectors.begin() + 40);
    sectors[80] = 0x10; // 16 blocks
    sectors[128] = 0x00;
    sectors[129] = 0x08; // of 2048 bytes
    descriptor(1, 255);
    const auto info = ParseVolumeDescriptors(sectors);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->label, "TAVOX 12/98");
    EXPECT_EQ(info->volume_bytes, 16u * 2048);
    EXPECT_EQ(info->identity.substr(0, 12), "TAVOX_12_98-");
    // Each lane wraps at 8 bits: 1 + 0xFF is 0 in the top byte.
    EXPECT_EQ(CdSerialNumber(std::vector<std::uint8_t>{1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF}), 0x00010203u);
    EXPECT_EQ(CdSerialNumber(std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x40, 0x01}), 0x11203040u);

    // A Joliet descriptor is the one Windows sums; the label stays the primary's.
    descriptor(1, 2);
    sectors[1 * 2048 + 88] = 0x25;
    sectors[1 * 2048 + 89] = 0x2F;
    sectors[1 * 2048 + 90] = 0x45;
    descriptor(2, 255);
    const auto joliet = ParseVolumeDescriptors(sectors);
    ASSERT_TRUE(joliet);
    EXPECT_EQ(joliet->label, "TAVOX 12/98");
    EXPECT_EQ(joliet->serial, CdSerialNumber(std::span(sectors).subspan(2048, 2048)));
    EXPECT_NE(joliet->identity, info->identity);

    EXPECT_FALSE(ParseVolumeDescriptors(std::span(sectors).subspan(2048))); // no primary descriptor
}

} // namespace
} // namespace tavox
