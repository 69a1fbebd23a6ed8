// The screenshots of the sample CD as the menu reads them: the series that the catalogue's Picture values
// name, the ready first pictures in the colour-depth directories, and the fixed pictures of two pages.

#include "media/jpeg_decoder.h"
#include "platform/profile_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace tavox {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> SampleCdDir() {
#ifdef TAVOX_SAMPLE_CD
    return fs::path(TAVOX_SAMPLE_CD);
#else
    const char* dir = std::getenv("TAVOX_SAMPLE_CD");
    return dir ? std::optional<fs::path>(dir) : std::nullopt;
#endif
}

std::string NumberText(int number) {
    return (number < 10 ? "0" : "") + std::to_string(number);
}

// A path below the CD's root written with "\" between names.
fs::path OnCd(const fs::path& root, std::string_view cd_path) {
    fs::path path = root;
    std::size_t start = 0;
    while (start <= cd_path.size()) {
        const std::size_t end = std::min(cd_path.find('\\', start), cd_path.size());
        if (end > start) {
            path /= cd_path.substr(start, end - start);
        }
        start = end + 1;
    }
    return path;
}

struct BmpInfo {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::set<int> colours_used; // palette indexes for 8 bits, packed colours for 24
};

std::uint32_t Little(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// What a Windows bitmap reader checks before it trusts the pixel data; nothing when the file is not sound.
std::optional<BmpInfo> ReadBmp(std::string_view bytes) {
    if (bytes.size() < 54 || !bytes.starts_with("BM") || Little(bytes, 2, 4) != bytes.size() ||
        Little(bytes, 14, 4) != 40 || Little(bytes, 26, 2) != 1 || Little(bytes, 30, 4) != 0) {
        return std::nullopt;
    }
    BmpInfo info;
    info.width = static_cast<int>(Little(bytes, 18, 4));
    info.height = static_cast<int>(Little(bytes, 22, 4));
    info.bits = static_cast<int>(Little(bytes, 28, 2));
    const std::uint32_t palette = info.bits == 8 ? (Little(bytes, 46, 4) ? Little(bytes, 46, 4) : 256) : 0;
    const std::size_t offset = Little(bytes, 10, 4);
    const std::size_t stride = (static_cast<std::size_t>(info.width) * info.bits / 8 + 3) / 4 * 4;
    if (info.width <= 0 || info.height <= 0 || (info.bits != 8 && info.bits != 24) ||
        offset != 54 + palette * 4 || offset + stride * info.height != bytes.size()) {
        return std::nullopt;
    }
    for (int y = 0; y < info.height; ++y) {
        for (int x = 0; x < info.width; ++x) {
            const std::size_t at = offset + y * stride + static_cast<std::size_t>(x) * info.bits / 8;
            info.colours_used.insert(static_cast<int>(Little(bytes, at, info.bits / 8)));
        }
    }
    return info;
}

// Coarse colours, so that a blank or single-colour picture cannot pass for a screenshot.
std::size_t CoarseColours(const DecodedImage& image) {
    std::set<int> colours;
    for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        colours.insert((image.pixels[i] >> 5) << 6 | (image.pixels[i + 1] >> 5) << 3 |
                       image.pixels[i + 2] >> 5);
    }
    return colours.size();
}

class SamplePictures : public ::testing::Test {
protected:
    void SetUp() override {
        const auto cd = SampleCdDir();
        if (!cd || !fs::exists(*cd / "TAVOX" / "TAVOX95.INI")) {
            GTEST_SKIP() << "no sample CD: build the target sample_cd or set TAVOX_SAMPLE_CD";
        }
        cd_ = *cd;
        const ProfileFile catalogue(cd_ / "TAVOX" / "TAVOX95.INI");
        for (const auto& [section, count_key] : {std::pair{"Demo", "Demos"}, std::pair{"Shot", "Shots"}}) {
            for (int i = 1; i <= catalogue.ReadInteger("Main", count_key, 0); ++i) {
                const std::string picture = catalogue.ReadString(section + std::to_string(i), "Picture", "");
                if (picture != "NUL") {
                    bases_.push_back(picture);
                }
            }
        }
    }

    // Picture n of a base, as the menu names it below its directory on the CD.
    fs::path Picture(std::string_view base, int number, std::string_view extension = ".JPG") const {
        return OnCd(cd_, "TAVOX\\" + std::string(base) + NumberText(number) + std::string(extension));
    }

    int SeriesLength(std::string_view base) const {
        int length = 0;
        while (fs::exists(Picture(base, length + 1))) {
            ++length;
        }
        return length;
    }

    fs::path cd_;
    std::vector<std::string> bases_;
};

TEST_F(SamplePictures, EverySeriesDecodesAtTheScaleOfTheSmallViewAndAtFullSize) {
    ASSERT_GE(bases_.size(), 12u);
    std::set<int> widths;
    for (const std::string& base : bases_) {
        SCOPED_TRACE(base);
        const JpegHeaderResult first = JpegDecoder::DecodeHeaderFile(Picture(base, 1));
        ASSERT_TRUE(first.Ok()) << first.error->text;
        const JpegHeader size = first.header;
        EXPECT_TRUE((size.width == 640 && size.height == 480) || (size.width == 320 && size.height == 240))
            << size.width << "x" << size.height;
        widths.insert(size.width);

        // The small view's rule: a quarter from 400 pixels on, else a half; both come out 160x120 here.
        JpegDecoder small;
        small.SetScale(size.width >= 400 ? JpegScale::Quarter : JpegScale::Half);
        const JpegDecodeResult shown = small.DecodeFile(Picture(base, 1));
        ASSERT_TRUE(shown.Ok()) << shown.error->text;
        EXPECT_EQ(shown.image.width, 160);
        EXPECT_EQ(shown.image.height, 120);
        EXPECT_GE(CoarseColours(shown.image), 8u) << "a drawn scene, not a blank";

        for (int number = 1; number <= SeriesLength(base); ++number) {
            const JpegDecodeResult full = JpegDecoder().DecodeFile(Picture(base, number));
            ASSERT_TRUE(full.Ok()) << number << ": " << full.error->text;
            EXPECT_FALSE(full.warning) << number << ": " << full.warning->text;
            EXPECT_EQ(full.image.width, size.width) << number;
            EXPECT_EQ(full.image.height, size.height) << number;
        }
    }
    EXPECT_TRUE(widths.contains(640)) << "screenshots decoded at a quarter";
    EXPECT_TRUE(widths.contains(320)) << "screenshots decoded at a half";
}

TEST_F(SamplePictures, SeriesAreContiguousAndOneRunsPastNine) {
    int long_series = 0;
    for (const std::string& base : bases_) {
        SCOPED_TRACE(base);
        const int length = SeriesLength(base);
        EXPECT_TRUE((length >= 2 && length <= 4) || length == 12) << length << " pictures";
        if (length == 12) {
            ++long_series;
        }
        // No picture beyond the gap: the arrows would never reach it.
        const fs::path first = Picture(base, 1);
        const std::string prefix = first.filename().string().substr(0, first.filename().string().size() - 6);
        int files = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(first.parent_path())) {
            const std::string name = entry.path().filename().string();
            const std::string_view number =
                std::string_view(name).substr(std::min(prefix.size(), name.size()));
            if (name.starts_with(prefix) && number.ends_with(".JPG") && number.size() > 4 &&
                number.find_first_not_of("0123456789") == number.size() - 4) {
                ++files;
                const int value = std::stoi(std::string(number));
                EXPECT_EQ(std::string(number), NumberText(value) + ".JPG") << name;
                EXPECT_TRUE(value >= 1 && value <= length) << name;
            }
        }
        EXPECT_EQ(files, length);
        // Stepping through a series must show something new each time.
        for (int number = 2; number <= length; ++number) {
            EXPECT_NE(test::ReadFile(Picture(base, number - 1)), test::ReadFile(Picture(base, number)))
                << number;
        }
    }
    EXPECT_EQ(long_series, 1) << "one series with the numbers 10, 11 and 12";
}

TEST_F(SamplePictures, ReadyFirstPicturesAreBitmapsOfTheirColourDepth) {
    std::map<std::string, std::set<std::string>> names;
    for (const auto& [dir, bits] : {std::pair{"RGB", 24}, std::pair{"256", 8}}) {
        ASSERT_TRUE(fs::is_directory(cd_ / "TAVOX" / dir)) << dir;
        for (const fs::directory_entry& entry : fs::directory_iterator(cd_ / "TAVOX" / dir)) {
            const std::string name = entry.path().filename().string();
            SCOPED_TRACE(std::string(dir) + "/" + name);
            names[dir].insert(name);
            const auto bmp = ReadBmp(test::ReadFile(entry.path()));
            ASSERT_TRUE(bmp) << "not a sound bitmap";
            EXPECT_EQ(bmp->bits, bits);
            EXPECT_GE(bmp->colours_used.size(), 8u) << "a drawn picture, not a blank";
            if (name != "VYRNISTE.BMP") {
                ASSERT_TRUE(name.ends_with("01.BMP")) << "only the first picture has a bitmap form";
                const std::string base = name.substr(0, name.size() - 6);
                EXPECT_TRUE(std::find(bases_.begin(), bases_.end(), base) != bases_.end());
                EXPECT_GE(SeriesLength(base), 2) << "the series still continues with the JPEG files";
            }
        }
    }
    EXPECT_EQ(names["RGB"], names["256"]) << "every ready picture in both depths";
    EXPECT_TRUE(names["RGB"].contains("VYRNISTE.BMP"));
    EXPECT_GE(names["RGB"].size(), 3u) << "the disk magazine and at least two demos";
    // A picture in the menu directory itself would win over both depth variants.
    EXPECT_FALSE(fs::exists(cd_ / "TAVOX" / "VYRNISTE.BMP"));
}

TEST_F(SamplePictures, TheFilmsPageHasItsFixedPicture) {
    JpegDecoder small;
    small.SetScale(JpegScale::Quarter);
    const JpegDecodeResult film = small.DecodeFile(OnCd(cd_, "TAVOX\\FILM01.JPG"));
    ASSERT_TRUE(film.Ok()) << film.error->text;
    EXPECT_EQ(film.image.width, 160);
    EXPECT_EQ(film.image.height, 120);
    EXPECT_GE(CoarseColours(film.image), 8u);
}

#ifdef TAVOX_MAKE_SAMPLE_CD
// Every file below root with its bytes, by its path relative to root.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = test::ReadFile(entry.path());
        }
    }
    return files;
}

int RunMakeSampleCd(const fs::path& out, const fs::path& err_file) {
    std::string program = TAVOX_MAKE_SAMPLE_CD;
    std::string argument = out.string();
    std::string option = "--dos-programs";
    std::string dos_programs = TAVOX_DOS_PROGRAMS;
    std::vector<char*> argv = {program.data(), argument.data(), option.data(), dos_programs.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int exit_code = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            exit_code = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return exit_code;
}

TEST(MakeSampleCd, WritesTheSameBytesOnEveryRun) {
    const test::TempDir dir;
    ASSERT_EQ(RunMakeSampleCd(dir / "cd", dir / "stderr.txt"), 0) << test::ReadFile(dir / "stderr.txt");
    const auto first = Snapshot(dir / "cd");
    ASSERT_EQ(RunMakeSampleCd(dir / "cd", dir / "stderr.txt"), 0) << test::ReadFile(dir / "stderr.txt");
    const auto second = Snapshot(dir / "cd");

    ASSERT_EQ(first.size(), second.size());
    int pictures = 0;
    for (const auto& [path, bytes] : first) {
        const auto again = second.find(path);
        ASSERT_NE(again, second.end()) << path;
        EXPECT_TRUE(again->second == bytes) << path << " differs between the runs";
        pictures += path.ends_with(".JPG") || path.ends_with(".BMP") ? 1 : 0;
    }
    EXPECT_GT(pictures, 0);
}
#endif

} // namespace
} // namespace tavox
