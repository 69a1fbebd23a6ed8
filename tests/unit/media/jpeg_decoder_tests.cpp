#include "media/jpeg_decoder.h"
#include "support/jpeg_encoder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <jpeglib.h>

#include <jerror.h>

namespace {

using tavox::DecodedImage;
using tavox::JpegDecoder;
using tavox::JpegDecodeResult;
using tavox::JpegError;
using tavox::JpegPixelFormat;
using tavox::JpegScale;
using tavox::JpegStage;
using tavox::test::TempDir;

using Color = tavox::test::JpegColour;
using Encoding = tavox::test::JpegEncoding;
using tavox::test::EncodeJpeg;

constexpr Color kRed = {255, 0, 0, 0};
constexpr Color kGreen = {0, 255, 0, 0};
constexpr Color kBlue = {0, 0, 255, 0};
constexpr Color kWhite = {255, 255, 255, 0};
constexpr Color kMidGray = {128, 128, 128, 0};

// Red, green / blue, white quadrants.
Color Quadrants(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    if (y < height / 2) {
        return right ? kGreen : kRed;
    }
    return right ? kWhite : kBlue;
}

// Red with a fixed ripple, so that every block costs about the same number of bytes in the file.
Color RippledRed(int x, int y) {
    const int ripple = ((x * 7 + y * 13) % 17) * 2;
    return {235 + ripple / 2, ripple, ripple, 0};
}

// Red, green, blue and (32-bit pixels only) the top byte.
Color PixelAt(const DecodedImage& image, int x, int y) {
    const auto row = image.Row(y);
    const std::size_t at = static_cast<std::size_t>(x * image.BytesPerPixel());
    if (image.format == JpegPixelFormat::Rgb) {
        return {row[at], row[at + 1], row[at + 2], 0};
    }
    std::uint32_t word = 0;
    std::memcpy(&word, &row[at], sizeof word);
    return {static_cast<int>(word >> 16 & 0xFF), static_cast<int>(word >> 8 & 0xFF),
            static_cast<int>(word & 0xFF), static_cast<int>(word >> 24)};
}

void ExpectColorNear(const DecodedImage& image, int x, int y, const Color& expected, int tolerance = 12) {
    const Color actual = PixelAt(image, x, y);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance)
            << "channel " << i << " at (" << x << ", " << y << ") of " << image.width << "x" << image.height;
    }
}

// Writes new width and height into the frame header (baseline or progressive).
void ClaimSize(std::vector<std::byte>& jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == std::byte{0xFF} &&
            (jpeg[i + 1] == std::byte{0xC0} || jpeg[i + 1] == std::byte{0xC2})) {
            jpeg[i + 5] = static_cast<std::byte>(height >> 8);
            jpeg[i + 6] = static_cast<std::byte>(height & 0xFF);
            jpeg[i + 7] = static_cast<std::byte>(width >> 8);
            jpeg[i + 8] = static_cast<std::byte>(width & 0xFF);
            return;
        }
    }
    FAIL() << "no frame header";
}

// The scans of a file: where each start-of-scan marker is and where its coded data lies. A 0xFF in coded data
// is always followed by 0x00 (or is a restart marker, which libjpeg does not write by default), so any other
// FF xx pair is a marker.
struct Scan {
    std::size_t marker = 0;
    std::size_t data_begin = 0;
    std::size_t data_end = 0;
};

std::vector<Scan> Scans(const std::vector<std::byte>& jpeg) {
    const auto is_marker = [&](std::size_t i) {
        return jpeg[i] == std::byte{0xFF} && jpeg[i + 1] != std::byte{0x00} && jpeg[i + 1] != std::byte{0xFF};
    };
    std::vector<Scan> scans;
    for (std::size_t i = 0; i + 3 < jpeg.size(); ++i) {
        if (jpeg[i] == std::byte{0xFF} && jpeg[i + 1] == std::byte{0xDA}) {
            Scan scan;
            scan.marker = i;
            scan.data_begin = i + 2 + (std::to_integer<std::size_t>(jpeg[i + 2]) << 8) +
                              std::to_integer<std::size_t>(jpeg[i + 3]);
            scan.data_end = scan.data_begin;
            while (scan.data_end + 1 < jpeg.size() && !is_marker(scan.data_end)) {
                ++scan.data_end;
            }
            scans.push_back(scan);
            i = scan.data_end - 1;
        }
    }
    return scans;
}

// The bytes of a literal, embedded zeros included, without the terminating one.
template <std::size_t N> std::vector<std::byte> Bytes(const char (&text)[N]) {
    std::vector<std::byte> bytes;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        bytes.push_back(static_cast<std::byte>(text[i]));
    }
    return bytes;
}

std::string_view AsText(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

struct ProgressLog {
    std::vector<std::pair<JpegStage, int>> events;

    tavox::JpegProgress Callback() {
        return [this](JpegStage stage, int percent) { events.emplace_back(stage, percent); };
    }
    int Count(JpegStage stage) const {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [stage](const auto& event) { return event.first == stage; }));
    }
};

// Starting first, Ending last, each once, and Running percents in between that never go back.
void ExpectCompleteProgress(const ProgressLog& log) {
    ASSERT_GE(log.events.size(), 3U);
    EXPECT_EQ(log.events.front(), std::make_pair(JpegStage::Starting, 0));
    EXPECT_EQ(log.events.back(), std::make_pair(JpegStage::Ending, 100));
    EXPECT_EQ(log.Count(JpegStage::Starting), 1);
    EXPECT_EQ(log.Count(JpegStage::Ending), 1);
    int previous = 0;
    for (std::size_t i = 1; i + 1 < log.events.size(); ++i) {
        EXPECT_EQ(log.events[i].first, JpegStage::Running);
        EXPECT_GE(log.events[i].second, previous);
        EXPECT_LE(log.events[i].second, 100);
        previous = log.events[i].second;
    }
    // A picture of many rows reports more than one step on the way.
    EXPECT_GT(log.Count(JpegStage::Running), 1);
}

// ---------------------------------------------------------------------------------------------------------

TEST(JpegScaling, FullHalfAndQuarterRoundSizesUpAndKeepTheColours) {
    constexpr int kWidth = 130;
    constexpr int kHeight = 98;
    const auto pixel = [](int x, int y) { return Quadrants(x, y, kWidth, kHeight); };
    struct Case {
        JpegScale scale;
        int width;
        int height;
    };
    for (const bool progressive : {false, true}) {
        const auto jpeg = EncodeJpeg(kWidth, kHeight, pixel, {.progressive = progressive});
        EXPECT_EQ(JpegDecoder::DecodeHeader(jpeg).header.progressive, progressive);
        for (const Case& c : {Case{JpegScale::Full, 130, 98}, Case{JpegScale::Half, 65, 49},
                              Case{JpegScale::Quarter, 33, 25}}) {
            for (const JpegPixelFormat format : {JpegPixelFormat::Rgb, JpegPixelFormat::Rgb32}) {
                SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") + " 1/" +
                             std::to_string(static_cast<int>(c.scale)) +
                             (format == JpegPixelFormat::Rgb32 ? " 32-bit" : " RGB"));
                JpegDecoder decoder;
                decoder.SetScale(c.scale);
                decoder.SetPixelFormat(format);
                const JpegDecodeResult result = decoder.Decode(jpeg);
                ASSERT_TRUE(result.Ok()) << result.error->text;
                EXPECT_FALSE(result.warning);
                const DecodedImage& image = result.image;
                ASSERT_EQ(image.width, c.width);
                ASSERT_EQ(image.height, c.height);
                ASSERT_EQ(image.pixels.size(),
                          static_cast<std::size_t>(c.width * c.height *
                                                   (format == JpegPixelFormat::Rgb32 ? 4 : 3)));
                ExpectColorNear(image, c.width / 4, c.height / 4, kRed);
                ExpectColorNear(image, c.width * 3 / 4, c.height / 4, kGreen);
                ExpectColorNear(image, c.width / 4, c.height * 3 / 4, kBlue);
                ExpectColorNear(image, c.width * 3 / 4, c.height * 3 / 4, kWhite);
                if (format == JpegPixelFormat::Rgb32) {
                    for (int y = 0; y < image.height; ++y) {
                        for (int x = 0; x < image.width; ++x) {
                            ASSERT_EQ(PixelAt(image, x, y)[3], 255)
                                << "top byte of (" << x << ", " << y << ")";
                        }
                    }
                }
            }
        }
    }
}

// The small picture's rule: wide screenshots at a quarter, narrower ones at half their size.
TEST(JpegScaling, ARuleChoosesTheScaleFromTheHeaderItSees) {
    std::vector<tavox::JpegHeader> seen;
    JpegDecoder decoder;
    decoder.SetScale(JpegScale::Full);
    decoder.SetScaleRule([&seen](const tavox::JpegHeader& header) {
        seen.push_back(header);
        return header.width >= 400 ? JpegScale::Quarter : JpegScale::Half;
    });
    const auto pixel = [](int x, int y) { return Quadrants(x, y, 640, 48); };
    const JpegDecodeResult wide = decoder.Decode(EncodeJpeg(640, 48, pixel, {.progressive = true}));
    const JpegDecodeResult narrow = decoder.Decode(EncodeJpeg(200, 48, pixel));
    ASSERT_TRUE(wide.Ok() && narrow.Ok());
    EXPECT_EQ(std::pair(wide.image.width, wide.image.height), std::pair(160, 12));
    EXPECT_EQ(std::pair(narrow.image.width, narrow.image.height), std::pair(100, 24));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(std::tuple(seen[0].width, seen[0].height, seen[0].progressive), std::tuple(640, 48, true));

    const std::vector<std::byte> junk(64, std::byte{0x42});
    EXPECT_FALSE(decoder.Decode(junk).Ok());
    EXPECT_EQ(seen.size(), 2u) << "no header, no rule";
}

TEST(JpegColour, GrayscaleComesOutAsEqualRgb) {
    const auto jpeg = EncodeJpeg(40, 40,
                                 [](int x, int) {
                                     return Color{x < 20 ? 40 : 200, 0, 0, 0};
                                 },
                                 {.input = JCS_GRAYSCALE});
    const auto header = JpegDecoder::DecodeHeader(jpeg);
    ASSERT_TRUE(header.Ok());
    EXPECT_EQ(header.header.components, 1);
    for (const JpegPixelFormat format : {JpegPixelFormat::Rgb, JpegPixelFormat::Rgb32}) {
        JpegDecoder decoder;
        decoder.SetPixelFormat(format);
        const JpegDecodeResult result = decoder.Decode(jpeg);
        ASSERT_TRUE(result.Ok());
        ASSERT_EQ(result.image.pixels.size(),
                  std::size_t{40 * 40} * static_cast<std::size_t>(result.image.BytesPerPixel()));
        ExpectColorNear(result.image, 8, 20, {40, 40, 40, 0}, 3);
        ExpectColorNear(result.image, 32, 20, {200, 200, 200, 0}, 3);
        const Color c = PixelAt(result.image, 5, 5);
        EXPECT_TRUE(c[0] == c[1] && c[1] == c[2]);
    }
}

// Adobe's convention, which libjpeg writes a marker for: a stored byte of 255 means no ink.
Color InvertedInk(const Color& cmyk) {
    return {255 - cmyk[0], 255 - cmyk[1], 255 - cmyk[2], 255 - cmyk[3]};
}

TEST(JpegColour, CmykAndYcckAreConvertedToRgb) {
    constexpr Color kInkRed = {0, 255, 255, 0};
    constexpr Color kInkBlue = {255, 255, 0, 0};
    constexpr Color kInkBlack = {0, 0, 0, 255};
    constexpr Color kInkNone = {0, 0, 0, 0};
    const auto ink = [&](int x, int y) {
        return InvertedInk(y < 32 ? (x < 32 ? kInkRed : kInkBlue) : (x < 32 ? kInkBlack : kInkNone));
    };
    for (const J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(stored == JCS_CMYK ? "CMYK" : "YCCK");
        const auto jpeg = EncodeJpeg(64, 64, ink, {.input = JCS_CMYK, .stored = stored});
        EXPECT_EQ(JpegDecoder::DecodeHeader(jpeg).header.components, 4);
        for (const JpegPixelFormat format : {JpegPixelFormat::Rgb, JpegPixelFormat::Rgb32}) {
            JpegDecoder decoder;
            decoder.SetPixelFormat(format);
            const JpegDecodeResult result = decoder.Decode(jpeg);
            ASSERT_TRUE(result.Ok()) << result.error->text;
            ExpectColorNear(result.image, 16, 16, kRed);
            ExpectColorNear(result.image, 48, 16, kBlue);
            ExpectColorNear(result.image, 16, 48, {0, 0, 0, 0});
            ExpectColorNear(result.image, 48, 48, kWhite);
            if (format == JpegPixelFormat::Rgb32) {
                EXPECT_EQ(PixelAt(result.image, 16, 16)[3], 255);
            }
        }
    }
}

TEST(JpegFiles, AFileDecodesAsItsBytesDo) {
    TempDir temp;
    const auto jpeg = EncodeJpeg(50, 30, [](int x, int y) { return Quadrants(x, y, 50, 30); });
    tavox::test::WriteFile(temp / "SHOT01.JPG", AsText(jpeg));

    JpegDecoder decoder;
    decoder.SetScale(JpegScale::Half);
    const JpegDecodeResult from_file = decoder.DecodeFile(temp / "SHOT01.JPG");
    const JpegDecodeResult from_bytes = decoder.Decode(jpeg);
    ASSERT_TRUE(from_file.Ok());
    EXPECT_EQ(from_file.image.width, 25);
    EXPECT_EQ(from_file.image.height, 15);
    EXPECT_EQ(from_file.image.pixels, from_bytes.image.pixels);

    const auto header = JpegDecoder::DecodeHeaderFile(temp / "SHOT01.JPG");
    ASSERT_TRUE(header.Ok());
    EXPECT_EQ(header.header.width, 50);
    EXPECT_EQ(header.header.height, 30);
    EXPECT_EQ(header.header.components, 3);
}

TEST(JpegFiles, MissingDirectoryAndEmptyFilesFailWithoutAPicture) {
    TempDir temp;
    tavox::test::WriteFile(temp / "EMPTY.JPG", "");
    JpegDecoder decoder;

    const JpegDecodeResult missing = decoder.DecodeFile(temp / "NONE.JPG");
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->kind, JpegError::Kind::CannotOpen);
    EXPECT_EQ(missing.error->number, ENOENT);

    const JpegDecodeResult directory = decoder.DecodeFile(temp.Path());
    ASSERT_TRUE(directory.error);
    EXPECT_EQ(directory.error->kind, JpegError::Kind::CannotOpen);
    EXPECT_EQ(directory.error->number, EISDIR);

    const JpegDecodeResult empty = decoder.DecodeFile(temp / "EMPTY.JPG");
    ASSERT_TRUE(empty.error);
    EXPECT_EQ(empty.error->kind, JpegError::Kind::Library);
    EXPECT_EQ(empty.error->number, JERR_INPUT_EMPTY);
    EXPECT_EQ(empty.error->text, "Empty input file");
    EXPECT_TRUE(empty.image.pixels.empty());

    EXPECT_EQ(JpegDecoder::DecodeHeaderFile(temp / "NONE.JPG").error->kind, JpegError::Kind::CannotOpen);
    EXPECT_EQ(JpegDecoder::DecodeHeaderFile(temp / "EMPTY.JPG").error->number, JERR_INPUT_EMPTY);

    // Files are read whole: one beyond the limit (sparse here, so the test writes nothing) is not read at
    // all.
    std::filesystem::resize_file(temp / "EMPTY.JPG", JpegDecoder::kMaxFileBytes + 1);
    const JpegDecodeResult huge = decoder.DecodeFile(temp / "EMPTY.JPG");
    ASSERT_TRUE(huge.error);
    EXPECT_EQ(huge.error->kind, JpegError::Kind::CannotOpen);
    EXPECT_EQ(huge.error->number, EFBIG);
    EXPECT_EQ(JpegDecoder::DecodeHeaderFile(temp / "EMPTY.JPG").error->number, EFBIG);
}

TEST(JpegErrors, BrokenDataGivesTheLibraryNumberAndText) {
    auto bad_table = Bytes("\xFF\xD8\xFF\xDB");
    // A quantisation table numbered 7; only 0 to 3 exist.
    for (const int b : {0x00, 0x43, 0x07}) {
        bad_table.push_back(static_cast<std::byte>(b));
    }
    bad_table.resize(bad_table.size() + 64, std::byte{1});
    struct Case {
        const char* name;
        std::vector<std::byte> bytes;
        int number;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, JERR_INPUT_EMPTY, "Empty input file"},
        {"another format", Bytes("GIF89a\x01\x00\x01\x00"), JERR_NO_SOI,
         "Not a JPEG file: starts with 0x47 0x49"},
        {"start and end only", Bytes("\xFF\xD8\xFF\xD9"), JERR_NO_IMAGE, "JPEG datastream contains no image"},
        {"bad table number", bad_table, JERR_DQT_INDEX, "Bogus DQT index 7"},
        {"not a marker", Bytes("\xFF\xD8\x12\x34\x56\x78"), JERR_NO_IMAGE,
         "JPEG datastream contains no image"},
        {"scan before frame", Bytes("\xFF\xD8\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00"), JERR_SOS_NO_SOF,
         "Invalid JPEG file structure: SOS before SOF"},
        {"lossless frame", Bytes("\xFF\xD8\xFF\xC3\x00\x0B\x08\x00\x10\x00\x10\x01\x01\x11\x00"),
         JERR_SOF_UNSUPPORTED, "Unsupported JPEG process: SOF type 0xc3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressLog log;
        JpegDecoder decoder;
        decoder.SetProgress(log.Callback());
        const JpegDecodeResult result = decoder.Decode(c.bytes);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->kind, JpegError::Kind::Library);
        EXPECT_EQ(result.error->number, c.number);
        EXPECT_EQ(result.error->text, c.text);
        EXPECT_TRUE(result.image.pixels.empty());
        EXPECT_EQ(log.Count(JpegStage::Ending), 0);

        const auto header = JpegDecoder::DecodeHeader(c.bytes);
        ASSERT_TRUE(header.error);
        EXPECT_EQ(header.error->number, c.number);
    }
}

TEST(JpegErrors, AFailureAfterDecodingStartedReportsNoEnding) {
    auto jpeg = EncodeJpeg(64, 64, RippledRed, {.progressive = true});
    const auto scans = Scans(jpeg);
    ASSERT_GE(scans.size(), 2U);
    // The second scan (luminance AC) gets a spectral band that ends before it starts.
    const std::size_t sos = scans[1].marker;
    const auto component_count = std::to_integer<std::size_t>(jpeg[sos + 4]);
    const std::size_t band = sos + 5 + 2 * component_count;
    jpeg[band] = std::byte{5};
    jpeg[band + 1] = std::byte{2};

    ProgressLog log;
    JpegDecoder decoder;
    decoder.SetProgress(log.Callback());
    const JpegDecodeResult result = decoder.Decode(jpeg);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, JERR_BAD_PROGRESSION);
    EXPECT_NE(result.error->text.find("Ss=5 Se=2"), std::string::npos) << result.error->text;
    EXPECT_TRUE(result.image.pixels.empty());
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.front().first, JpegStage::Starting);
    EXPECT_EQ(log.Count(JpegStage::Ending), 0);
}

TEST(JpegTruncated, KeepsWhatWasDecodedAndFillsTheRestGray) {
    const auto whole = EncodeJpeg(128, 128, RippledRed);
    for (const bool from_file : {false, true}) {
        SCOPED_TRACE(from_file ? "file" : "bytes");
        const std::vector<std::byte> cut(whole.begin(),
                                         whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        TempDir temp;
        tavox::test::WriteFile(temp / "CUT.JPG", AsText(cut));
        ProgressLog log;
        JpegDecoder decoder;
        decoder.SetProgress(log.Callback());
        const JpegDecodeResult result =
            from_file ? decoder.DecodeFile(temp / "CUT.JPG") : decoder.Decode(cut);
        ASSERT_TRUE(result.Ok()) << result.error->text;
        ASSERT_TRUE(result.warning);
        EXPECT_EQ(result.warning->number, JWRN_JPEG_EOF);
        EXPECT_EQ(result.warning->text, "Premature end of JPEG file");
        ASSERT_EQ(result.image.width, 128);
        ASSERT_EQ(result.image.height, 128);
        for (int x = 4; x < 128; x += 16) {
            ExpectColorNear(result.image, x, 2, RippledRed(x, 2), 24);
            ExpectColorNear(result.image, x, 125, kMidGray, 2);
        }
        ExpectCompleteProgress(log);
    }
}

TEST(JpegTruncated, AProgressiveFileKeepsItsEarlierScans) {
    const auto pixel = [](int x, int y) {
        const Color base = Quadrants(x, y, 128, 128);
        const int ripple = (x * 7 + y * 13) % 17;
        return Color{base[0] == 255 ? 255 - ripple : ripple, base[1] == 255 ? 255 - ripple : ripple,
                     base[2] == 255 ? 255 - ripple : ripple, 0};
    };
    const auto whole = EncodeJpeg(128, 128, pixel, {.progressive = true});
    const auto scans = Scans(whole);
    ASSERT_GE(scans.size(), 3U);
    // Cut in the middle of the largest scan after the first: by then every block has its coarse form.
    const Scan largest = *std::max_element(scans.begin() + 1, scans.end(), [](const Scan& a, const Scan& b) {
        return a.data_end - a.data_begin < b.data_end - b.data_begin;
    });
    ASSERT_GT(largest.data_end - largest.data_begin, 64U);
    const std::size_t cut_at = (largest.data_begin + largest.data_end) / 2;
    const std::vector<std::byte> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut_at));
    JpegDecoder decoder;
    const JpegDecodeResult result = decoder.Decode(cut);
    ASSERT_TRUE(result.Ok()) << result.error->text;
    ASSERT_TRUE(result.warning);
    EXPECT_EQ(result.warning->number, JWRN_JPEG_EOF);
    for (const int y : {8, 120}) {
        ExpectColorNear(result.image, 8, y, pixel(8, y), 40);
        ExpectColorNear(result.image, 120, y, pixel(120, y), 40);
    }
}

TEST(JpegProgress, StartingRunningEndingInOrderForBaselineAndProgressive) {
    const auto pixel = [](int x, int y) { return Quadrants(x, y, 200, 150); };
    struct Case {
        const char* name;
        Encoding encoding;
    };
    // A progressive grayscale file has more scans than libjpeg first estimates, so its own pass figures step
    // back when it finds the extra one.
    for (const Case& c : {Case{"baseline", {}}, Case{"progressive", {.progressive = true}},
                          Case{"progressive gray", {.input = JCS_GRAYSCALE, .progressive = true}}}) {
        for (const JpegScale scale : {JpegScale::Full, JpegScale::Quarter}) {
            SCOPED_TRACE(std::string(c.name) + " 1/" + std::to_string(static_cast<int>(scale)));
            ProgressLog log;
            JpegDecoder decoder;
            decoder.SetScale(scale);
            decoder.SetProgress(log.Callback());
            ASSERT_TRUE(decoder.Decode(EncodeJpeg(200, 150, pixel, c.encoding)).Ok());
            ExpectCompleteProgress(log);
        }
    }
}

// The address space this process may still grow by; a decode that tried to allocate gigabytes fails here.
void LimitAddressSpaceGrowth(std::size_t headroom_bytes) {
    const std::string statm = tavox::test::ReadFile("/proc/self/statm");
    unsigned long pages = 0;
    if (std::from_chars(statm.data(), statm.data() + statm.size(), pages).ec != std::errc()) {
        std::_Exit(3);
    }
    const rlim_t limit =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + headroom_bytes;
    const rlimit value{limit, limit};
    if (::setrlimit(RLIMIT_AS, &value) != 0) {
        std::_Exit(3);
    }
}

TEST(JpegLimits, AHugeClaimedSizeIsRefusedBeforeAnythingIsAllocated) {
    // Re-executed rather than forked: other tests of this program may leave threads behind.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        auto jpeg = EncodeJpeg(32, 32, RippledRed, {.progressive = progressive});
        ClaimSize(jpeg, 65000, 65000);

        const auto header = JpegDecoder::DecodeHeader(jpeg);
        ASSERT_TRUE(header.Ok());
        EXPECT_EQ(header.header.width, 65000);
        EXPECT_EQ(header.header.height, 65000);

        for (const JpegScale scale : {JpegScale::Full, JpegScale::Quarter}) {
            EXPECT_EXIT(
                {
                    LimitAddressSpaceGrowth(std::size_t{256} << 20);
                    JpegDecoder decoder;
                    decoder.SetScale(scale);
                    const JpegDecodeResult result = decoder.Decode(jpeg);
                    const bool refused = result.error && result.error->number == JERR_IMAGE_TOO_BIG &&
                                         result.error->text.find("65000 x 65000") != std::string::npos;
                    std::_Exit(refused ? 0 : 1);
                },
                ::testing::ExitedWithCode(0), "");
        }
    }
}

} // namespace
