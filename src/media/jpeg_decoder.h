#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tavox {

// Reduced decoding scales; libjpeg scales inside the IDCT, so a quarter-size decode is much cheaper than a
// full one. Sizes round up: 101 pixels at 1/4 give 26.
enum class JpegScale : std::uint8_t { Full = 1, Half = 2, Quarter = 4 };

enum class JpegPixelFormat : std::uint8_t {
    Rgb,   // 3 bytes a pixel: red, green, blue
    Rgb32, // a 32-bit word a pixel, 0xFFRRGGBB in the machine's byte order: what a screen image holds
};

// A decoded picture: height rows of width pixels, top row first, rows packed without padding.
struct DecodedImage {
    int width = 0;
    int height = 0;
    JpegPixelFormat format = JpegPixelFormat::Rgb;
    std::vector<std::uint8_t> pixels;

    int BytesPerPixel() const { return format == JpegPixelFormat::Rgb32 ? 4 : 3; }
    std::size_t Stride() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(BytesPerPixel());
    }
    std::span<const std::uint8_t> Row(int y) const {
        return std::span<const std::uint8_t>(pixels).subspan(static_cast<std::size_t>(y) * Stride(),
                                                             Stride());
    }
};

struct JpegError {
    enum class Kind : std::uint8_t {
        CannotOpen, // the file could not be opened or is not a regular file; number is the errno value
        Library,    // libjpeg refused the data; number is its message code (J_MESSAGE_CODE in jerror.h)
    };
    Kind kind = Kind::Library;
    int number = 0;
    std::string text; // libjpeg's own message with its parameters filled in
};

struct JpegHeader {
    int width = 0; // as the file claims, before any scaling
    int height = 0;
    int components = 0; // 1 grayscale, 3 colour, 4 CMYK
    bool progressive = false;
};

struct JpegHeaderResult {
    JpegHeader header;
    std::optional<JpegError> error;
    bool Ok() const { return !error; }
};

struct JpegDecodeResult {
    DecodedImage image; // empty when error is set
    std::optional<JpegError> error;
    // The first of libjpeg's warnings for a decode that still produced a picture. A truncated file gives
    // JWRN_JPEG_EOF, and what was missing is filled in gray (or left at the coarser progressive scans).
    std::optional<JpegError> warning;
    bool Ok() const { return !error; }
};

enum class JpegStage : std::uint8_t { Starting, Running, Ending };

// Called synchronously from inside the decode, and must not throw. Starting (percent 0) once the header has
// been read and the output allocated, just before decompression begins; Running with percents that never
// decrease, whatever number of passes a progressive file turns out to need; Ending (percent 100) only after
// a picture was produced. A decode that fails reports no Ending, so "Ending seen" means "picture ready".
using JpegProgress = std::function<void(JpegStage stage, int percent)>;

// Chooses the scale from the file's header, read once for both.
using JpegScaleRule = std::function<JpegScale(const JpegHeader& header)>;

// Decodes JPEG files with libjpeg into RGB bytes or 32-bit pixels. Grayscale input comes out gray in RGB;
// CMYK and YCCK input are converted to RGB, taking the inverted form that an Adobe marker announces. Never
// exits the process: every failure of the library comes back as a JpegError.
class JpegDecoder {
public:
    // A file claiming more pixels than this (before scaling) is refused with JERR_IMAGE_TOO_BIG before
    // anything is allocated for it: 64 MPixel is 256 MB of 32-bit output, far beyond any screenshot, while a
    // forged header can claim 65500 x 65500.
    static constexpr std::uint64_t kMaxPixels = 64ULL * 1024 * 1024;
    // A file is read whole before it is decoded; one larger than this is refused (EFBIG) without being read.
    static constexpr std::uint64_t kMaxFileBytes = 256ULL * 1024 * 1024;
    // libjpeg's own working memory (whole-image coefficient buffers of progressive files) is capped too.
    static constexpr long kMaxWorkingMemoryBytes = 1024L * 1024 * 1024;

    void SetScale(JpegScale scale) { scale_ = scale; }
    // In place of a fixed scale.
    void SetScaleRule(JpegScaleRule rule) { scale_rule_ = std::move(rule); }
    void SetPixelFormat(JpegPixelFormat format) { format_ = format; }
    void SetProgress(JpegProgress progress) { progress_ = std::move(progress); }

    JpegDecodeResult DecodeFile(const std::filesystem::path& path) const;
    JpegDecodeResult Decode(std::span<const std::byte> bytes) const;

    // The claimed size and layout, without decoding any picture data.
    static JpegHeaderResult DecodeHeaderFile(const std::filesystem::path& path);
    static JpegHeaderResult DecodeHeader(std::span<const std::byte> bytes);

private:
    JpegScale scale_ = JpegScale::Full;
    JpegPixelFormat format_ = JpegPixelFormat::Rgb;
    JpegProgress progress_;
    JpegScaleRule scale_rule_;
};

} // namespace tavox
