// Discs inside archives: the forward-only reader the image streams through, the archives refused before
// anything is unpacked, and the same disc reached inside an archive as from its own image.
#include "disc/archive_image.h"
#include "disc/forward_reader.h"
#include "support/disc_images.h"
#include "support/temp_dir.h"

#include "rar-writer/rar_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

namespace tavox {
namespace {

namespace fs = std::filesystem;

// A stream of `bytes` given out in pieces of at most `piece` bytes, as an unpacker gives them.
NextBytes Pieces(const std::string& bytes, std::size_t piece) {
    return [bytes, piece,
            at = std::size_t{0}](std::span<std::uint8_t> out) mutable -> std::optional<std::size_t> {
        const std::size_t n = std::min({out.size(), piece, bytes.size() - at});
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, out.begin());
        at += n;
        return n;
    };
}

TEST(ForwardReaderTest, ReadsAheadKeepsTheTrackStartAndNeverGoesBackOrPastTheSize) {
    std::string stream(3 * ForwardReader::kKeptBytes, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<char>(i * 7 / 5);
    }
    struct Read {
        std::uint64_t offset;
        std::size_t count;
        std::size_t given;
    };
    struct Case {
        const char* what;
        std::uint64_t size;
        std::uint64_t keep_from;
        std::vector<Read> reads;
        bool went_back;
        std::optional<std::uint64_t> keep_after_first_read = {}; // a later track's start
    };
    const std::uint64_t kept = ForwardReader::kKeptBytes;
    const std::vector<Case> cases = {
        {"the track's start again after reading on",
         stream.size(),
         0,
         {{40000, 10, 10}, {kept, 5000, 5000}, {100, 4000, 4000}},
         false},
        {"a later track's start, the bytes before it skipped",
         stream.size(),
         kept + 3,
         {{kept + 32771, 2048, 2048}, {kept + 3, 2048, 2048}, {2 * kept, 100, 100}, {kept + 19, 16, 16}},
         false},
        {"bytes that went by unkept", stream.size(), 0, {{2 * kept + 10, 10, 10}, {kept + 5, 10, 0}}, true},
        {"a stream that holds more than its size", 1000, 0, {{900, 500, 100}, {1000, 10, 0}}, false},
        {"a later track's start after the first's was read",
         stream.size(),
         0,
         {{0, 100, 100}, {40000, 10, 10}, {5000, 16, 16}},
         false,
         5000},
    };
    for (const Case& c : cases) {
        ForwardReader reader(Pieces(stream, 70000), c.size);
        ASSERT_TRUE(reader.KeepFrom(c.keep_from)) << c.what;
        for (const Read& read : c.reads) {
            if (c.keep_after_first_read && &read == &c.reads[1]) {
                ASSERT_TRUE(reader.KeepFrom(*c.keep_after_first_read)) << c.what;
            }
            std::vector<std::uint8_t> out(read.count);
            ASSERT_EQ(reader.Read(read.offset, out), read.given) << c.what << " at " << read.offset;
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(read.given),
                                   stream.begin() + static_cast<std::ptrdiff_t>(read.offset),
                                   [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
                << c.what << " at " << read.offset;
        }
        EXPECT_EQ(reader.WentBack(), c.went_back) << c.what;
    }
}

class ArchiveImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXorriso() || !test::RunQuietly({"7z", "i"}) ||
            !test::RunQuietly({"bsdtar", "--version"})) {
            GTEST_SKIP() << "xorriso, 7z or bsdtar is not installed";
        }
        test::WriteFile(dir_ / "tree" / "TAVOX" / "TAVOX95.INI", "[Main]\r\nCD=1298\r\n");
        test::WriteFile(dir_ / "tree" / "DEMOS" / "DATA.BIN", std::string(300000, 'd'));
        fs::create_directories(dir_ / "in");
        fs::create_directories(dir_ / "scratch");
        ASSERT_TRUE(test::MakeIso(dir_ / "tree", dir_ / "in" / "disc.iso", "TAVOX_1298", {"-joliet", "on"}));
        Result<DiscImage> opened = OpenDiscImage(dir_ / "in" / "disc.iso");
        ASSERT_TRUE(opened) << opened.Error().text;
        iso_ = std::move(*opened);
    }

    // The archive's only disc, unpacked into a cache of its own: where it went, or the error.
    std::string Unpacked(const fs::path& archive, std::size_t disc = 0) {
        const ArchiveDiscs found = FindArchiveDiscs(archive);
        if (found.discs.size() <= disc) {
            return "not found: " + found.error;
        }
        const auto progress = [](std::uint64_t, std::uint64_t) { return true; };
        const ArchiveDiscOpen opened =
            OpenArchiveDisc(archive, found.discs[disc], dir_ / "scratch", progress);
        if (!opened.disc) {
            return "not opened: " + opened.error;
        }
        const DiscCacheFill filled =
            opened.disc->Fill(DiscCache(dir_ / "cache"), progress,
                              [](const fs::path&) { return std::optional<std::string>(); });
        return filled.status == UnpackStatus::Done ? filled.root.filename().string()
                                                   : "not filled: " + filled.error;
    }

    test::TempDir dir_;
    std::optional<DiscImage> iso_;
};

TEST_F(ArchiveImageTest, EveryShapeInEveryArchiveIsTheDiscOfItsImage) {
    const fs::path in = dir_ / "in";
    test::MakeRawImage(in / "disc.iso", in / "TAVOX.BIN", test::RawFormat::Mode2Form1);
    test::WriteFile(in / "tavox.cue",
                    "FILE \"TAVOX.BIN\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
    const fs::path nrg = test::MakeDiscShape(in / "disc.iso", in / "shape", test::DiscShape::NrgDiscAtOnce);
    std::string bin;
    {
        std::ifstream file(in / "TAVOX.BIN", std::ios::binary);
        bin.assign(std::istreambuf_iterator<char>(file), {});
    }
    ASSERT_TRUE(rar_writer::WriteArchive(
        dir_ / "bin.rar",
        {rar_writer::Format::Rar4,
         {rar_writer::File("TAVOX.BIN", bin),
          rar_writer::File("tavox.cue", "FILE \"TAVOX.BIN\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
                                        "    INDEX 01 00:00:00\r\n")},
         {},
         {}}));
    ASSERT_TRUE(test::MakeArchive(dir_ / "iso.7z", in, {"disc.iso"}));
    ASSERT_TRUE(test::MakeArchive(dir_ / "cue.zip", in, {"TAVOX.BIN", "tavox.cue"}));
    ASSERT_TRUE(test::MakeArchive(dir_ / "nrg.7z", in, {nrg.filename().string()}));
    ASSERT_TRUE(test::MakeArchive(dir_ / "tree.zip", dir_.Path(), {"tree"}));
    for (const char* archive : {"iso.7z", "cue.zip", "bin.rar", "nrg.7z"}) {
        EXPECT_EQ(Unpacked(dir_ / archive), iso_->volume.identity) << archive;
        EXPECT_TRUE(fs::is_empty(dir_ / "scratch")) << archive << ": its scratch copy is left";
    }
    const std::string tree = Unpacked(dir_ / "tree.zip");
    ASSERT_TRUE(tree.starts_with("TREE-")) << tree;
    EXPECT_TRUE(fs::exists(dir_ / "cache" / tree / "DEMOS" / "DATA.BIN"));
}

TEST_F(ArchiveImageTest, SeveralDiscsAreListedEachOnce) {
    const fs::path in = dir_ / "in";
    test::MakeRawImage(in / "disc.iso", in / "TAVOX.BIN", test::RawFormat::Mode1);
    test::WriteFile(in / "tavox.cue",
                    "FILE \"TAVOX.BIN\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    ASSERT_TRUE(test::MakeArchive(dir_ / "two.7z", in, {"disc.iso", "TAVOX.BIN", "tavox.cue"}));
    const ArchiveDiscs found = FindArchiveDiscs(dir_ / "two.7z");
    ASSERT_EQ(found.discs.size(), 2u) << found.error;
    EXPECT_EQ(found.discs[0].name, "tavox.cue");
    EXPECT_EQ(found.discs[1].name, "disc.iso");
    EXPECT_EQ(Unpacked(dir_ / "two.7z", 0), iso_->volume.identity);
    fs::copy_file(in / "disc.iso", in / "again.iso");
    ASSERT_TRUE(test::MakeArchive(dir_ / "isos.7z", in, {"disc.iso", "again.iso"}));
    EXPECT_EQ(Unpacked(dir_ / "isos.7z", 1), iso_->volume.identity) << "a member after one passed over";

    // Each disc named by a path below the archive's, and nothing else taken for one.
    const std::vector<fs::path> paths = ArchiveDiscPaths(dir_ / "two.7z");
    ASSERT_EQ(paths, (std::vector<fs::path>{dir_ / "two.7z/tavox.cue", dir_ / "two.7z/disc.iso"}));
    const auto split = SplitArchiveDiscPath(paths[1]);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->archive, dir_ / "two.7z");
    EXPECT_EQ(ArchiveDiscNamed(found, split->name), &found.discs[1]);
    EXPECT_EQ(ArchiveDiscNamed(found, "other.iso"), nullptr);
    for (const fs::path& none : {dir_ / "two.7z", in / "disc.iso" / "x.iso", in / "gone.iso"}) {
        EXPECT_FALSE(SplitArchiveDiscPath(none)) << none;
    }
}

TEST_F(ArchiveImageTest, HostileArchivesAreRefusedNamingWhatIsWrong) {
    const fs::path in = dir_ / "in";
    struct Case {
        const char* archive;
        std::function<void(const fs::path&)> make;
        const char* says;
    };
    const auto zip_of = [&](std::map<std::string, std::string> files) {
        return [this, in, files](const fs::path& archive) {
            std::vector<std::string> names;
            for (const auto& [name, content] : files) {
                test::WriteFile(dir_ / "hostile" / archive.stem() / name, content);
                names.push_back(name);
            }
            ASSERT_TRUE(test::MakeArchive(archive, dir_ / "hostile" / archive.stem(), names));
        };
    };
    const std::string cue = "  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    const std::vector<Case> cases = {
        {"inner.zip", [&](const fs::path& a) { test::MakeArchive(a, dir_.Path(), {"iso.7z"}); },
         "archives inside archives"},
        {"huge.zip", [](const fs::path& a) { test::WriteLyingZip(a, "disc.iso", 0xF0000000u, "x"); },
         "larger than any CD"},
        {"packed.zip",
         [](const fs::path& a) { test::WriteLyingZip(a, "disc.iso", 200u << 20, std::string(4096, 'x')); },
         "packs that well"},
        {"climbs.zip", zip_of({{"d/a.cue", "FILE \"../b.bin\" BINARY\r\n" + cue}, {"b.bin", "x"}}),
         "outside its folder"},
        {"absolute.zip", zip_of({{"a.cue", "FILE \"/etc/passwd\" BINARY\r\n" + cue}}), "outside its folder"},
        {"drive.zip", zip_of({{"a.cue", "FILE \"C:\\\\DISC.BIN\" BINARY\r\n" + cue}}), "outside its folder"},
        {"empty.zip", zip_of({{"disc.iso", ""}}), "is empty"},
        {"none.zip", zip_of({{"README.TXT", "hello"}}), "holds no disc image"},
    };
    ASSERT_TRUE(test::MakeArchive(dir_ / "iso.7z", in, {"disc.iso"}));
    for (const Case& c : cases) {
        const fs::path archive = dir_ / c.archive;
        c.make(archive);
        const ArchiveDiscs found = FindArchiveDiscs(archive);
        EXPECT_TRUE(found.discs.empty()) << c.archive;
        EXPECT_NE(found.error.find(c.says), std::string::npos) << c.archive << ": " << found.error;
        EXPECT_NE(found.error.find(c.archive), std::string::npos) << c.archive << ": " << found.error;
    }
}

} // namespace
} // namespace tavox
