// Damaged and hostile screenshots as a CD may carry them: each either shows a picture or gives the message
// the viewer puts in its error box, and never ends the program.

#include "media/jpeg_decoder.h"
#include "presentation/picture_files.h"
#include "support/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <jerror.h>

namespace tavox {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A real picture of the given size and colour layout, busy enough that its scan is long enough to cut.
Bytes Encode(int width, int height, J_COLOR_SPACE input, bool progressive = false, bool arithmetic = false) {
    const auto pattern = [](int x, int y) {
        const auto at = [&](int i) { return ((x * 4 + i) * 7 + y * 13) & 0xFF; };
        return test::JpegColour{at(0), at(1), at(2), at(3)};
    };
    const auto jpeg = test::EncodeJpeg(
        width, height, pattern, {.input = input, .progressive = progressive, .arithmetic = arithmetic});
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpeg.data());
    return Bytes(bytes, bytes + jpeg.size());
}

// Where a marker starts, or the size when it is missing.
std::size_t FindMarker(const Bytes& bytes, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) {
            return i;
        }
    }
    return bytes.size();
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

Bytes WithSize(Bytes bytes, int width, int height) {
    const std::size_t sof =
        FindMarker(bytes, 0xC0) < bytes.size() ? FindMarker(bytes, 0xC0) : FindMarker(bytes, 0xC2);
    bytes[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    bytes[sof + 6] = static_cast<std::uint8_t>(height & 0xFF);
    bytes[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    bytes[sof + 8] = static_cast<std::uint8_t>(width & 0xFF);
    return bytes;
}

JpegDecodeResult Decode(const Bytes& bytes, bool* ended = nullptr) {
    JpegDecoder decoder;
    decoder.SetPixelFormat(JpegPixelFormat::Rgb32); // as the viewer decodes
    decoder.SetProgress([ended](JpegStage stage, int) {
        if (ended != nullptr && stage == JpegStage::Ending) {
            *ended = true;
        }
    });
    return decoder.Decode(std::as_bytes(std::span(bytes)));
}

// What the viewer's error box says for the file.
std::string Message(const JpegDecodeResult& result) {
    return result.error ? PictureErrorText(*result.error, "D:\\TAVOX\\X01.JPG").toStdString() : std::string();
}

std::string JpegErrorText(int number) {
    return "JPEG error #" + std::to_string(number);
}

TEST(HostileJpeg, DamagedFilesGiveTheViewersErrorAndNoPicture) {
    const Bytes good = Encode(32, 24, JCS_RGB);
    Bytes no_soi = good;
    no_soi[1] = 0xD9;
    Bytes zero_components = good;
    zero_components[FindMarker(good, 0xC0) + 9] = 0;
    Bytes bad_huffman = good;
    bad_huffman[FindMarker(good, 0xC4) + 4] = 0xFF; // table class and number out of range
    Bytes twelve_bit = good;
    twelve_bit[FindMarker(good, 0xC0) + 4] = 12;
    struct Case {
        const char* what;
        Bytes bytes;
        int error;
    };
    const Case cases[] = {
        {"no bytes at all", {}, JERR_INPUT_EMPTY},
        {"only the start marker", Cut(good, 2), JERR_NO_SOI},
        {"cut inside the headers", Cut(good, FindMarker(good, 0xC4) + 10), JERR_NO_SOI},
        {"cut before the scan", Cut(good, FindMarker(good, 0xDA)), JERR_NO_SOI},
        {"not starting with a start marker", no_soi, JERR_NO_SOI},
        {"a frame without components", zero_components, JERR_EMPTY_IMAGE},
        {"a broken Huffman table", bad_huffman, JERR_DHT_INDEX},
        {"12-bit samples", twelve_bit, JERR_BAD_PRECISION},
        {"text, not a picture", Bytes{'G', 'I', 'F', '8', '9', 'a'}, JERR_NO_SOI},
    };
    for (const Case& c : cases) {
        bool ended = false;
        const JpegDecodeResult result = Decode(c.bytes, &ended);
        ASSERT_FALSE(result.Ok()) << c.what;
        EXPECT_TRUE(result.image.pixels.empty()) << c.what;
        EXPECT_FALSE(ended) << c.what << ": a failed picture must not count as ready";
        EXPECT_EQ(Message(result), JpegErrorText(result.error->number)) << c.what;
        if (c.error != JERR_NO_SOI) {
            EXPECT_EQ(result.error->number, c.error) << c.what << ": " << result.error->text;
        } else {
            EXPECT_GT(result.error->number, 0) << c.what;
        }
    }
}

TEST(HostileJpeg, HugeClaimedSizesAreRefusedBeforeAnyMemoryIsTaken) {
    const Bytes small = Encode(16, 16, JCS_RGB);
    struct Case {
        int width;
        int height;
        bool header_reads; // libjpeg itself refuses more than 65500 pixels a side
    };
    for (const Case& c : {Case{65500, 65500, true}, Case{8193, 8192, true}, Case{65535, 1025, false}}) {
        const Bytes forged = WithSize(small, c.width, c.height);
        const JpegDecodeResult result = Decode(forged);
        ASSERT_FALSE(result.Ok()) << c.width << "x" << c.height;
        EXPECT_EQ(result.error->number, JERR_IMAGE_TOO_BIG);
        EXPECT_EQ(Message(result), JpegErrorText(JERR_IMAGE_TOO_BIG));
        // The header alone tells the claimed size, as the small view asks for it first.
        const JpegHeaderResult header = JpegDecoder::DecodeHeader(std::as_bytes(std::span(forged)));
        EXPECT_EQ(header.Ok(), c.header_reads) << c.width << "x" << c.height;
        EXPECT_EQ(header.header.width, c.header_reads ? c.width : 0);
    }
}

TEST(HostileJpeg, TruncatedAndOddButReadableFilesStillShowAPicture) {
    const Bytes baseline = Encode(40, 32, JCS_RGB);
    const Bytes progressive = Encode(40, 32, JCS_RGB, true);
    Bytes junk_between = baseline;
    const std::size_t sos = FindMarker(baseline, 0xDA);
    junk_between.insert(junk_between.begin() + static_cast<std::ptrdiff_t>(sos), {0x12, 0x34});
    struct Case {
        const char* what;
        Bytes bytes;
        int width;
        int height;
        int warning; // 0: none
    };
    const Case cases[] = {
        {"cut in the middle of the scan", Cut(baseline, sos + (baseline.size() - sos) / 2), 40, 32,
         JWRN_JPEG_EOF},
        {"cut just after the scan header", Cut(baseline, sos + 14), 40, 32, JWRN_JPEG_EOF},
        {"without its end marker", Cut(baseline, baseline.size() - 2), 40, 32, JWRN_JPEG_EOF},
        {"progressive, cut after its first scans", Cut(progressive, progressive.size() / 2), 40, 32,
         JWRN_JPEG_EOF},
        {"junk before a marker", junk_between, 40, 32, JWRN_EXTRANEOUS_DATA},
        {"CMYK", Encode(20, 10, JCS_CMYK), 20, 10, 0},
        {"gray", Encode(9, 7, JCS_GRAYSCALE), 9, 7, 0},
        {"arithmetic coding", Encode(24, 8, JCS_RGB, false, true), 24, 8, 0},
    };
    for (const Case& c : cases) {
        bool ended = false;
        const JpegDecodeResult result = Decode(c.bytes, &ended);
        ASSERT_TRUE(result.Ok()) << c.what << ": " << result.error->text;
        EXPECT_EQ(result.image.width, c.width) << c.what;
        EXPECT_EQ(result.image.height, c.height) << c.what;
        EXPECT_TRUE(ended) << c.what << ": the viewer waits for the end before it steps on";
        EXPECT_EQ(result.warning ? result.warning->number : 0, c.warning) << c.what;
        EXPECT_FALSE(ToQImage(result.image).isNull()) << c.what;
    }
}

} // namespace
} // namespace tavox
