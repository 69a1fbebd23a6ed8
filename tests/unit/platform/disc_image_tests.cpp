// Disc images made at test time, read the way the menu reads a disc given as an image: the kind from the
// content, the names in any locale, raw sectors de-framed, cue sheets followed, and bad images refused with
// a message naming the file.
#include "platform/disc/cue_sheet.h"
#include "platform/disc/disc_image.h"
#include "platform/disc/disc_unpack.h"
#include "support/disc_images.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::RawFormat;
using test::TempDir;

const std::string kCzechDir = "\xC4\x8C"
                              "e\xC5\xA1tina"; // Čeština
const std::string kCzechFile =
    "\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88.txt"; // žluťoučký kůň.txt

// A small disc: the menu's catalogue, Czech names, a deep directory and a file larger than a sector run.
void WriteTree(const fs::path& tree) {
    test::WriteFile(tree / "TAVOX" / "TAVOX95.INI", "[Main]\r\nCount=1\r\n");
    test::WriteFile(tree / kCzechDir / kCzechFile, "kun");
    fs::path deep = tree;
    for (int level = 0; level < 12; ++level) {
        deep /= "level" + std::to_string(level);
    }
    test::WriteFile(deep / "bottom.txt", "deep");
    std::string big(700 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7 % 251);
    }
    test::WriteFile(tree / "DEMOS" / "BIG.DAT", big);
}

class DiscImageTest : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXorriso()) {
            GTEST_SKIP() << "xorriso is not installed";
        }
        WriteTree(dir_ / "tree");
    }

    fs::path Iso(const std::vector<std::string>& options = {"-joliet", "on"},
                 const std::string& name = "disc.iso") {
        const fs::path iso = dir_ / name;
        EXPECT_TRUE(test::MakeIso(dir_ / "tree", iso, "TAVOX_9812", options));
        return iso;
    }

    // Unpacks into a fresh directory and says whether the tree came out whole.
    ::testing::AssertionResult UnpacksWhole(const fs::path& image_path) {
        const DiscImageResult opened = OpenDiscImage(image_path);
        if (!opened.image) {
            return ::testing::AssertionFailure() << opened.error;
        }
        const fs::path target = dir_ / ("out" + std::to_string(++outputs_));
        fs::create_directory(target);
        const UnpackResult result = UnpackDisc(*opened.image, target, [](auto, auto) { return true; });
        if (result.status != UnpackStatus::Done) {
            return ::testing::AssertionFailure() << result.error;
        }
        fs::path deep = target;
        for (int level = 0; level < 12; ++level) {
            deep /= "level" + std::to_string(level);
        }
        if (test::ReadFile(target / kCzechDir / kCzechFile) != "kun" ||
            test::ReadFile(deep / "bottom.txt") != "deep" ||
            test::ReadFile(target / "DEMOS" / "BIG.DAT") !=
                test::ReadFile(dir_ / "tree" / "DEMOS" / "BIG.DAT") ||
            !fs::exists(target / "TAVOX" / "TAVOX95.INI")) {
            return ::testing::AssertionFailure() << "the unpacked tree differs from the disc's";
        }
        return ::testing::AssertionSuccess();
    }

    TempDir dir_;
    int outputs_ = 0;
};

// The test program runs in the C locale, where libarchive alone gives no names for non-ASCII entries.
TEST_F(DiscImageTest, UnpacksJolietAndRockRidgeNamesWholeInTheCLocale) {
    EXPECT_TRUE(UnpacksWhole(Iso({"-joliet", "on", "-rockridge", "off"}, "joliet.iso")));
    EXPECT_TRUE(UnpacksWhole(Iso({"-joliet", "off", "-rockridge", "on"}, "rockridge.iso")));
    EXPECT_TRUE(UnpacksWhole(Iso({"-joliet", "on", "-rockridge", "on"}, "both.iso")));
}

TEST_F(DiscImageTest, ReadsRawSectorImagesWhateverTheirExtension) {
    const fs::path iso = Iso();
    const auto plain = OpenDiscImage(iso).image;
    ASSERT_TRUE(plain);
    struct Case {
        const char* name;
        RawFormat format;
        unsigned sector_size;
    };
    for (const Case& raw :
         {Case{"mode1.bin", RawFormat::Mode1, 2352}, Case{"mode2.img", RawFormat::Mode2Form1, 2352},
          Case{"mode1.iso", RawFormat::Mode1, 2352}, Case{"sub.mdf", RawFormat::Mode1, 2448}}) {
        SCOPED_TRACE(raw.name);
        ASSERT_TRUE(test::MakeRawImage(iso, dir_ / raw.name, raw.format, raw.sector_size));
        EXPECT_TRUE(UnpacksWhole(dir_ / raw.name));
        const auto image = OpenDiscImage(dir_ / raw.name).image;
        ASSERT_TRUE(image);
        // The same disc, whatever its container: the same label, serial and cache identity.
        EXPECT_EQ(image->volume.label, "TAVOX_9812");
        EXPECT_EQ(image->volume.serial, plain->volume.serial);
        EXPECT_EQ(image->volume.identity, plain->volume.identity);
    }
    fs::copy_file(iso, dir_ / "renamed.bin");
    EXPECT_TRUE(UnpacksWhole(dir_ / "renamed.bin"));
}

TEST_F(DiscImageTest, FollowsACueSheetToTheFirstDataTrack) {
    const fs::path iso = Iso();
    // The data track after two seconds of audio in the same file, named in another case than on disk.
    ASSERT_TRUE(test::MakeRawImage(iso, dir_ / "Disc.BIN", RawFormat::Mode2Form1, 2352, 150));
    test::WriteFile(dir_ / "disc.cue",
                    "FILE \"DISC.BIN\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                    "  TRACK 02 MODE2/2352\r\n    INDEX 01 00:02:00\r\n");
    EXPECT_TRUE(UnpacksWhole(dir_ / "disc.cue"));
}

TEST_F(DiscImageTest, RefusesWhatIsNoDiscImageNamingTheFile) {
    test::WriteFile(dir_ / "notes.iso", std::string(64 * 1024, 'x'));
    test::WriteFile(dir_ / "missing.cue",
                    "FILE \"gone.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "audio.cue", "FILE \"music.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "empty.iso", "");
    struct Case {
        std::string file;
        std::string says;
    };
    for (const Case& bad :
         {Case{"notes.iso", "is not a disc image"}, Case{"missing.cue", "\"gone.bin\", which is missing"},
          Case{"audio.cue", "names no data track"}, Case{"empty.iso", "is not a disc image"},
          Case{"absent.iso", "cannot be read"}}) {
        SCOPED_TRACE(bad.file);
        const DiscImageResult opened = OpenDiscImage(dir_ / bad.file);
        EXPECT_FALSE(opened.image);
        EXPECT_NE(opened.error.find((dir_ / bad.file).string()), std::string::npos) << opened.error;
        EXPECT_NE(opened.error.find(bad.says), std::string::npos) << opened.error;
    }
}

TEST_F(DiscImageTest, ATruncatedImageFailsWithAMessage) {
    const fs::path iso = Iso();
    fs::resize_file(iso, fs::file_size(iso) / 2 / 2048 * 2048);
    const auto opened = OpenDiscImage(iso);
    ASSERT_TRUE(opened.image) << opened.error;
    fs::create_directory(dir_ / "out");
    const UnpackResult result = UnpackDisc(*opened.image, dir_ / "out", [](auto, auto) { return true; });
    EXPECT_EQ(result.status, UnpackStatus::Failed);
    EXPECT_NE(result.error.find(iso.string()), std::string::npos) << result.error;
}

TEST_F(DiscImageTest, ProgressRisesToTheWholeAndCancelStopsTheUnpack) {
    const auto image = OpenDiscImage(Iso()).image;
    ASSERT_TRUE(image);
    fs::create_directory(dir_ / "out");
    std::uint64_t last = 0;
    std::uint64_t whole = 0;
    bool rising = true;
    UnpackDisc(*image, dir_ / "out", [&](std::uint64_t done, std::uint64_t total) {
        rising = rising && done >= last && done <= total;
        last = done;
        whole = total;
        return true;
    });
    EXPECT_TRUE(rising);
    EXPECT_EQ(last, whole);
    int calls = 0;
    fs::create_directory(dir_ / "cancelled");
    const UnpackResult cancelled =
        UnpackDisc(*image, dir_ / "cancelled", [&](auto, auto) { return ++calls < 2; });
    EXPECT_EQ(cancelled.status, UnpackStatus::Cancelled);
    EXPECT_EQ(calls, 2);
}

TEST(SafeRelativePath, KeepsNamesInsideTheTarget) {
    EXPECT_EQ(SafeRelativePath("DEMOS/X/SETUP.EXE"), fs::path("DEMOS/X/SETUP.EXE"));
    EXPECT_EQ(SafeRelativePath("./DEMOS//X/"), fs::path("DEMOS/X"));
    for (const char* hostile : {"../escape", "DEMOS/../../escape", "/etc/passwd", "", ".", "./", ".."}) {
        EXPECT_FALSE(SafeRelativePath(hostile)) << hostile;
    }
}

TEST(CueSheet, FindsTheFirstDataTrackAndItsStart) {
    const auto track =
        FirstDataTrack("REM made by hand\nFILE Disc.bin BINARY\n TRACK 01 AUDIO\n  INDEX 00 00:00:00\n"
                       "  INDEX 01 00:00:32\n TRACK 02 mode1/2048\n  INDEX 01 01:00:10\n"
                       " TRACK 03 MODE2/2352\n  INDEX 01 02:00:00\n");
    ASSERT_TRUE(track);
    EXPECT_EQ(track->file, "Disc.bin");
    EXPECT_EQ(track->sector_size, 2048u);
    EXPECT_EQ(track->start_byte, (60u * 75 + 10) * 2048);
    // A data track in a second file starts in that file.
    const auto second =
        FirstDataTrack("FILE \"a b.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                       "FILE \"data track.bin\" BINARY\n TRACK 02 MODE1/2352\n  INDEX 01 00:00:00\n");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->file, "data track.bin");
    EXPECT_EQ(second->start_byte, 0u);
}

TEST(CueSheet, RefusesMalformedPositionsAndBinaryFiles) {
    EXPECT_FALSE(FirstDataTrack("FILE a.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:61:00\n"));
    EXPECT_FALSE(FirstDataTrack("FILE a.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:75\n"));
    EXPECT_FALSE(FirstDataTrack("FILE a.bin BINARY\n TRACK 01 MODE1/1234\n  INDEX 01 00:00:00\n"));
    EXPECT_FALSE(FirstDataTrack("TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n"));
    EXPECT_TRUE(LooksLikeCueSheet("FILE a.bin BINARY\r\n TRACK 01 MODE1/2352\r\n"));
    EXPECT_FALSE(LooksLikeCueSheet(std::string("FILE a.bin BINARY\n\0 TRACK 01 MODE1/2352\n", 41)));
    EXPECT_FALSE(LooksLikeCueSheet("TRACK 01 MODE1/2352\nFILE a.bin BINARY\n"));
}

} // namespace
} // namespace tavox
