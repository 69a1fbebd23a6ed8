// Disc images made at test time, read the way the menu reads a disc given as an image: the kind from the
// content, the names in any locale, raw sectors de-framed, cue sheets followed, and bad images refused with
// a message naming the file.
#include "disc/cue_sheet.h"
#include "disc/disc_image.h"
#include "disc/disc_unpack.h"
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
        const Result<DiscImage> opened = OpenDiscImage(image_path);
        if (!opened) {
            return ::testing::AssertionFailure() << opened.Error().text;
        }
        const fs::path target = dir_ / ("out" + std::to_string(++outputs_));
        fs::create_directory(target);
        const UnpackResult result = UnpackDisc(*opened, target, [](auto, auto) { return true; });
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
    const auto plain = OpenDiscImage(iso);
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
        const auto image = OpenDiscImage(dir_ / raw.name);
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

// Every shape its makers write, made from the same disc: the disc comes out whole, and is the same disc.
TEST_F(DiscImageTest, OpensEveryShapeOfTheSameDisc) {
    using enum test::DiscShape;
    const fs::path iso = Iso();
    const auto plain = OpenDiscImage(iso);
    ASSERT_TRUE(plain);
    const fs::path later = dir_ / "later.iso";
    ASSERT_TRUE(test::MakeLaterSessionIso(dir_ / "tree", later, "TAVOX_9812", test::kAudioFirstDataSector));
    int made = 0;
    for (const test::DiscShape shape :
         {NrgDiscAtOnce, NrgDiscAtOnceOld, NrgTrackAtOnce, Mds, Ccd, CueOnePerTrack, CueAudioFirst}) {
        const fs::path folder = dir_ / ("shape" + std::to_string(++made));
        fs::create_directory(folder);
        const fs::path path =
            test::MakeDiscShape(shape == CueAudioFirst ? later : iso, folder / "Disc", shape);
        SCOPED_TRACE(path.filename().string() + " of shape " + std::to_string(made));
        EXPECT_TRUE(UnpacksWhole(path));
        if (shape != CueAudioFirst) { // a disc mastered for a second session is another disc
            const auto image = OpenDiscImage(path);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->volume.identity, plain->volume.identity);
        }
    }
}

// Our writers must lay each shape out as its maker does, or they could share a misreading with our reader:
// Debian's converters read each back to the ISO it was made from.
TEST_F(DiscImageTest, ConvertersReadOurShapesBackToTheIso) {
    using enum test::DiscShape;
    const fs::path iso = Iso();
    struct Case {
        test::DiscShape shape;
        std::string image;                // the file the converter reads, in the shape's folder
        std::vector<std::string> command; // "IN" and "OUT" stand for the files
        std::string output;
    };
    const std::vector<Case> cases = {
        {NrgDiscAtOnce, "Disc.nrg", {"nrg2iso", "IN", "OUT"}, "out.iso"},
        {NrgDiscAtOnce, "Disc.nrg", {"iat", "IN", "OUT"}, "out.iso"},
        {Mds, "Disc.mdf", {"mdf2iso", "IN", "OUT"}, "out.iso"},
        {Mds, "Disc.mdf", {"iat", "IN", "OUT"}, "out.iso"},
        {Ccd, "Disc.img", {"ccd2iso", "IN", "OUT"}, "out.iso"},
        {CueOnePerTrack, "Disc (Track 1).bin", {"bchunk", "IN", "one.cue", "out"}, "out01.iso"},
    };
    int made = 0;
    for (const Case& check : cases) {
        const fs::path folder = dir_ / ("converted" + std::to_string(++made));
        fs::create_directory(folder);
        test::MakeDiscShape(iso, folder / "Disc", check.shape);
        // bchunk reads one file: it is given the sheet's first file and track.
        const std::string cue = test::ReadFile(folder / "Disc.cue");
        test::WriteFile(folder / "one.cue", cue.substr(0, cue.find("FILE", 1)));
        std::vector<std::string> command = check.command;
        for (std::string& word : command) {
            word = word == "IN"             ? (folder / check.image).string()
                   : word == "OUT"          ? (folder / check.output).string()
                   : word == "out"          ? (folder / "out").string()
                   : word.ends_with(".cue") ? (folder / word).string()
                                            : word;
        }
        SCOPED_TRACE(command.front() + " " + check.image);
        if (!test::RunQuietly({"sh", "-c", "command -v " + command.front()})) {
            continue; // the converter is not installed
        }
        ASSERT_TRUE(test::RunQuietly(command));
        // nrg2iso copies the track information after the sectors too.
        const std::string iso_bytes = test::ReadFile(iso);
        EXPECT_EQ(test::ReadFile(folder / check.output).substr(0, iso_bytes.size()), iso_bytes);
    }
}

TEST_F(DiscImageTest, RefusesWhatIsNoDiscImageNamingTheFile) {
    test::WriteFile(dir_ / "notes.iso", std::string(64 * 1024, 'x'));
    test::WriteFile(dir_ / "missing.cue",
                    "FILE \"gone.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "audio.cue", "FILE \"music.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "empty.iso", "");
    // Descriptors that would lead out of their folder or claim what no CD holds.
    test::WriteFile(dir_ / "climb.cue",
                    "FILE \"..\\secret.bin\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "rooted.cue",
                    "FILE \"/etc/passwd\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
    test::WriteFile(dir_ / "drive.cue",
                    "FILE \"C:\\DISC.BIN\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
    std::string thousand = "FILE \"disc.bin\" BINARY\n";
    for (int track = 1; track <= 1000; ++track) {
        thousand += " TRACK " + std::to_string(track) + " MODE1/2352\n  INDEX 01 00:00:00\n";
    }
    test::WriteFile(dir_ / "thousand.cue", thousand);
    test::WriteFile(dir_ / "climb.ccd", "[CloneCD]\n[TRACK 1000]\nMODE=1\nINDEX 1=0\n");
    test::WriteFile(dir_ / "scrambled.ccd",
                    "[CloneCD]\n[Disc]\nDataTracksScrambled=1\n[TRACK 1]\nMODE=1\nINDEX 1=0\n");
    // The footer of an .nrg pointing past its end, and at itself.
    test::WriteFile(dir_ / "beyond.nrg",
                    std::string(4096, '\0') + "NER5" + std::string("\0\0\0\0\x7f\0\0\0", 8));
    test::WriteFile(dir_ / "itself.nrg", std::string(4096, '\0') + "NERO" + std::string("\0\0\x10\0", 4));
    std::string mds(88, '\0');
    mds.replace(0, 16, "MEDIA DESCRIPTOR");
    mds[16] = 1;
    mds[20] = 1;
    mds[80] = static_cast<char>(0xF0); // the sessions beyond the descriptor
    test::WriteFile(dir_ / "beyond.mds", mds);
    mds[16] = 2;
    test::WriteFile(dir_ / "version2.mds", mds);
    test::WriteFile(dir_ / "disc.chd", "MComprHD" + std::string(4096, '\0'));
    test::WriteFile(dir_ / "disc.bin.ecm", std::string("ECM\0", 4) + std::string(4096, '\x55'));
    test::WriteFile(dir_ / "disc.cdi",
                    std::string(4096, '\x55') + std::string("\x06\0\0\x80\x00\x0c\0\0", 8));
    struct Case {
        std::string file;
        std::string says;
    };
    for (const Case& bad :
         {Case{"notes.iso", "is not a disc image"}, Case{"missing.cue", "\"gone.bin\", which is missing"},
          Case{"audio.cue", "names no data track"}, Case{"empty.iso", "is empty"},
          Case{"absent.iso", "cannot be read"}, Case{"climb.cue", "lies outside its folder"},
          Case{"rooted.cue", "lies outside its folder"}, Case{"drive.cue", "lies outside its folder"},
          Case{"thousand.cue", "more than 99 tracks"}, Case{"climb.ccd", "a CD cannot hold"},
          Case{"scrambled.ccd", "scrambling of data tracks switched off"},
          Case{"beyond.nrg", "points beyond"}, Case{"itself.nrg", "points beyond"},
          Case{"beyond.mds", "beyond the descriptor"}, Case{"version2.mds", "iat IMAGE.mdf IMAGE.iso"},
          Case{"disc.chd", "chdman extractcd"}, Case{"disc.bin.ecm", "unecm"},
          Case{"disc.cdi", "DiscJuggler"}}) {
        SCOPED_TRACE(bad.file);
        const Result<DiscImage> opened = OpenDiscImage(dir_ / bad.file);
        ASSERT_FALSE(opened);
        const std::string& error = opened.Error().text;
        EXPECT_NE(error.find((dir_ / bad.file).string()), std::string::npos) << error;
        EXPECT_NE(error.find(bad.says), std::string::npos) << error;
    }
}

TEST_F(DiscImageTest, ATruncatedImageFailsWithAMessage) {
    const fs::path iso = Iso();
    fs::resize_file(iso, fs::file_size(iso) / 2 / 2048 * 2048);
    const auto opened = OpenDiscImage(iso);
    ASSERT_TRUE(opened) << opened.Error().text;
    fs::create_directory(dir_ / "out");
    const UnpackResult result = UnpackDisc(*opened, dir_ / "out", [](auto, auto) { return true; });
    EXPECT_EQ(result.status, UnpackStatus::Failed);
    EXPECT_NE(result.error.find(iso.string()), std::string::npos) << result.error;
}

TEST_F(DiscImageTest, ProgressRisesToTheWholeAndCancelStopsTheUnpack) {
    const auto image = OpenDiscImage(Iso());
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

TEST(CueSheet, FindsTheDataTracksAndTheirStarts) {
    const TrackPlaces one =
        CueSheetTracks("REM made by hand\nFILE Disc.bin BINARY\n TRACK 01 AUDIO\n  INDEX 00 00:00:00\n"
                       "  INDEX 01 00:00:32\n TRACK 02 mode1/2048\n  INDEX 01 01:00:10\n"
                       " TRACK 03 MODE2/2352\n  INDEX 01 02:00:00\n");
    ASSERT_EQ(one.tracks.size(), 2u);
    EXPECT_EQ(one.tracks[0].file, "Disc.bin");
    EXPECT_EQ(one.tracks[0].sector_size, 2048u);
    EXPECT_EQ(one.tracks[0].start_byte, (60u * 75 + 10) * 2048);
    EXPECT_EQ(one.tracks[1].start_byte, 2u * 60 * 75 * 2352);
    // A data track in a second file starts in that file.
    const TrackPlaces second =
        CueSheetTracks("FILE \"a b.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                       "FILE \"data track.bin\" BINARY\n TRACK 02 MODE1/2352\n  INDEX 01 00:00:00\n");
    ASSERT_EQ(second.tracks.size(), 1u);
    EXPECT_EQ(second.tracks[0].file, "data track.bin");
    EXPECT_EQ(second.tracks[0].start_byte, 0u);
}

TEST(CueSheet, RefusesMalformedPositionsAndBinaryFiles) {
    for (const char* malformed : {"FILE a.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:61:00\n",
                                  "FILE a.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:75\n",
                                  "FILE a.bin BINARY\n TRACK 01 MODE1/1234\n  INDEX 01 00:00:00\n",
                                  "TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n"}) {
        EXPECT_TRUE(CueSheetTracks(malformed).tracks.empty()) << malformed;
    }
    EXPECT_TRUE(LooksLikeCueSheet("FILE a.bin BINARY\r\n TRACK 01 MODE1/2352\r\n"));
    EXPECT_FALSE(LooksLikeCueSheet(std::string("FILE a.bin BINARY\n\0 TRACK 01 MODE1/2352\n", 41)));
    EXPECT_FALSE(LooksLikeCueSheet("TRACK 01 MODE1/2352\nFILE a.bin BINARY\n"));
}

} // namespace
} // namespace tavox
