// JPEG data from arbitrary bytes at every scale and pixel layout: a picture of the announced size or an
// error with libjpeg's message number, never an exit; progress reports come in order, and the end is
// reported exactly when there is a picture.

#include "fuzz_support.h"
#include "media/jpeg_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <cstdio>
#include <jpeglib.h>

#include <jerror.h>

namespace {

using tavox::JpegDecoder;
using tavox::JpegPixelFormat;
using tavox::JpegScale;
using tavox::JpegStage;
using tavox::fuzz::Require;

// Decoding every pixel of a huge claimed picture proves nothing more than a small one and costs seconds.
constexpr std::uint64_t kAllScalesPixels = 2ULL * 1024 * 1024;
constexpr std::uint64_t kQuarterScalePixels = 16ULL * 1024 * 1024;

struct Report {
    JpegStage stage;
    int percent;
};

void CheckError(const tavox::JpegError& error) {
    Require(error.kind == tavox::JpegError::Kind::Library, "data never fails as a file would");
    Require(error.number > 0 && error.number < JMSG_LASTMSGCODE, "an error carries a libjpeg message number");
    Require(!error.text.empty(), "an error carries a text");
}

int ScaledSize(int size, JpegScale scale) {
    const int denominator = static_cast<int>(scale);
    return (size + denominator - 1) / denominator;
}

void Decode(std::span<const std::byte> bytes, const tavox::JpegHeaderResult& header, JpegScale scale,
            JpegPixelFormat format) {
    std::vector<Report> reports;
    JpegDecoder decoder;
    decoder.SetScale(scale);
    decoder.SetPixelFormat(format);
    decoder.SetProgress([&reports](JpegStage stage, int percent) { reports.push_back({stage, percent}); });
    const tavox::JpegDecodeResult result = decoder.Decode(bytes);

    if (!result.Ok()) {
        CheckError(*result.error);
        Require(result.image.pixels.empty() && result.image.width == 0, "a failed decode gives no picture");
        Require(reports.empty() || reports.back().stage != JpegStage::Ending, "a failure reports no end");
    } else {
        Require(header.Ok(), "a picture that decodes has a header that reads");
        const tavox::DecodedImage& image = result.image;
        Require(image.width == ScaledSize(header.header.width, scale) &&
                    image.height == ScaledSize(header.header.height, scale),
                "the picture has the announced size at its scale");
        Require(image.format == format, "the picture has the asked layout");
        Require(image.pixels.size() == image.Stride() * static_cast<std::size_t>(image.height),
                "the picture holds every row");
        if (format == JpegPixelFormat::Rgb32) {
            for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
                std::uint32_t word = 0;
                std::memcpy(&word, &image.pixels[i], sizeof word);
                Require(word >> 24 == 0xFF, "the top byte is set, as a screen image needs");
            }
        }
        Require(!reports.empty() && reports.front().stage == JpegStage::Starting &&
                    reports.back().stage == JpegStage::Ending && reports.back().percent == 100,
                "a picture is announced and finished");
        if (result.warning) {
            Require(result.warning->number > 0 && result.warning->number < JMSG_LASTMSGCODE,
                    "a warning carries a libjpeg message number");
        }
    }
    int last = -1;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const Report& report = reports[i];
        Require(report.percent >= last && report.percent <= 100, "progress never goes back");
        Require((report.stage == JpegStage::Starting) == (i == 0), "the start comes first and once");
        Require(report.stage != JpegStage::Ending || i + 1 == reports.size(), "the end comes last");
        last = report.percent;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    const tavox::JpegHeaderResult header = JpegDecoder::DecodeHeader(bytes);
    if (!header.Ok()) {
        CheckError(*header.error);
    }
    const std::uint64_t claimed =
        header.Ok() ? std::uint64_t(header.header.width) * std::uint64_t(header.header.height) : 0;
    if (claimed > JpegDecoder::kMaxPixels) {
        // Refused before anything is allocated, so this costs nothing even for 65500 x 65500.
        const tavox::JpegDecodeResult result = JpegDecoder().Decode(bytes);
        Require(!result.Ok() && result.error->number == JERR_IMAGE_TOO_BIG, "a huge picture is refused");
        return 0;
    }
    if (claimed > kQuarterScalePixels) {
        return 0;
    }
    if (claimed > kAllScalesPixels) {
        Decode(bytes, header, JpegScale::Quarter, JpegPixelFormat::Rgb);
        return 0;
    }
    for (const JpegScale scale : {JpegScale::Full, JpegScale::Half, JpegScale::Quarter}) {
        for (const JpegPixelFormat format : {JpegPixelFormat::Rgb, JpegPixelFormat::Rgb32}) {
            Decode(bytes, header, scale, format);
        }
    }
    return 0;
}
