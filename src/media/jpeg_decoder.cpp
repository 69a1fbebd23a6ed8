#include "media/jpeg_decoder.h"

#include "base/atomic_file.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include <jerror.h>

namespace tavox {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. We leave by longjmp back into
// one of the small "region" functions below. Everything a longjmp can skip (those regions, libjpeg's frames
// and our callbacks) holds only trivially destructible objects; the C++ objects live in the callers.

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that libjpeg's pointer to it converts back to ours
    std::jmp_buf jump;
    int error_number;
    char error_text[JMSG_LENGTH_MAX];
    bool warned;
    int warning_number;
    char warning_text[JMSG_LENGTH_MAX];
};

struct ProgressManager {
    jpeg_progress_mgr pub; // first, as above
    const JpegProgress* callback;
    int reported_percent; // -1 until the first Running report
};

struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    ProgressManager progress;
};

static_assert(std::is_trivially_destructible_v<Session>);
static_assert(std::is_standard_layout_v<ErrorManager> && std::is_standard_layout_v<ProgressManager>);

struct Source {
    const unsigned char* bytes;
    unsigned long size_bytes;
};

// Where each channel of a pixel lies in the output, and the colour space libjpeg fills it in.
struct PixelLayout {
    J_COLOR_SPACE space;
    int bytes_per_pixel;
    int red, green, blue;
    int alpha; // -1: none
};

PixelLayout LayoutOf(JpegPixelFormat format) {
    if (format == JpegPixelFormat::Rgb) {
        return {JCS_RGB, 3, 0, 1, 2, -1};
    }
    // libjpeg-turbo fills the alpha byte of these spaces with 255, as 0xFFRRGGBB needs.
    if constexpr (std::endian::native == std::endian::little) {
        return {JCS_EXT_BGRA, 4, 2, 1, 0, 3};
    } else {
        return {JCS_EXT_ARGB, 4, 1, 2, 3, 0};
    }
}

struct Output {
    unsigned char* pixels;
    std::size_t stride;
    PixelLayout layout;
    unsigned char* cmyk_row; // scratch row for CMYK input, converted to RGB after each scanline
    bool inverted_cmyk;
};

void OnErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    errors->error_number = errors->pub.msg_code;
    (*errors->pub.format_message)(cinfo, errors->error_text);
    std::longjmp(errors->jump, 1);
}

// Warnings (level -1) are kept, the first one reported; trace messages are dropped. Nothing is ever printed.
void OnEmitMessage(j_common_ptr cinfo, int msg_level) {
    if (msg_level >= 0) {
        return;
    }
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (!errors->warned) {
        errors->warned = true;
        errors->warning_number = errors->pub.msg_code;
        (*errors->pub.format_message)(cinfo, errors->warning_text);
    }
    ++errors->pub.num_warnings;
}

void OnOutputMessage(j_common_ptr /*cinfo*/) {}

// libjpeg counts rows within passes and may discover more passes as it goes (progressive scans), so the raw
// figures can step back; the reported percent never does.
void OnProgress(j_common_ptr cinfo) noexcept {
    auto* progress = reinterpret_cast<ProgressManager*>(cinfo->progress);
    const long long total = std::max(1, progress->pub.total_passes);
    const long long limit = std::max(1L, progress->pub.pass_limit);
    const long long counter = std::clamp<long long>(progress->pub.pass_counter, 0, limit);
    const long long percent = std::clamp<long long>(
        (progress->pub.completed_passes * 100LL + counter * 100 / limit) / total, 0, 100);
    if (percent > progress->reported_percent) {
        progress->reported_percent = static_cast<int>(percent);
        if (progress->callback != nullptr && *progress->callback) {
            (*progress->callback)(JpegStage::Running, progress->reported_percent);
        }
    }
}

void InitSession(Session& session) {
    session.cinfo.err = jpeg_std_error(&session.errors.pub);
    session.errors.pub.error_exit = OnErrorExit;
    session.errors.pub.emit_message = OnEmitMessage;
    session.errors.pub.output_message = OnOutputMessage;
    session.progress.pub.progress_monitor = OnProgress;
    session.progress.reported_percent = -1;
}

bool IsCmyk(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// Region: create, read the header and fix the output layout.
bool ReadHeaderRegion(Session* session, const Source* source, unsigned int scale_denom,
                      J_COLOR_SPACE rgb_space) {
    if (setjmp(session->errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&session->cinfo);
    session->cinfo.mem->max_memory_to_use = JpegDecoder::kMaxWorkingMemoryBytes;
    jpeg_mem_src(&session->cinfo, source->bytes, source->size_bytes);
    jpeg_read_header(&session->cinfo, TRUE);
    // libjpeg cannot turn CMYK into RGB; we take CMYK and convert each row ourselves.
    session->cinfo.out_color_space = IsCmyk(session->cinfo.jpeg_color_space) ? JCS_CMYK : rgb_space;
    session->cinfo.scale_num = 1;
    session->cinfo.scale_denom = scale_denom;
    jpeg_calc_output_dimensions(&session->cinfo);
    return true;
}

bool Rescale(Session* session, unsigned int scale_denom) {
    if (setjmp(session->errors.jump) != 0) {
        return false;
    }
    session->cinfo.scale_denom = scale_denom;
    jpeg_calc_output_dimensions(&session->cinfo);
    return true;
}

JpegHeader HeaderOf(const jpeg_decompress_struct& cinfo) {
    return JpegHeader{static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
                      cinfo.num_components, cinfo.progressive_mode != 0};
}

unsigned char Product255(unsigned int a, unsigned int b) {
    return static_cast<unsigned char>((a * b + 127) / 255);
}

void ConvertCmykRow(const unsigned char* cmyk, unsigned char* out, JDIMENSION width,
                    const PixelLayout& layout, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, out += layout.bytes_per_pixel) {
        // Adobe's files store the inks inverted: there a byte of 255 means no ink.
        const unsigned int c = inverted ? cmyk[0] : 255U - cmyk[0];
        const unsigned int m = inverted ? cmyk[1] : 255U - cmyk[1];
        const unsigned int y = inverted ? cmyk[2] : 255U - cmyk[2];
        const unsigned int k = inverted ? cmyk[3] : 255U - cmyk[3];
        out[layout.red] = Product255(c, k);
        out[layout.green] = Product255(m, k);
        out[layout.blue] = Product255(y, k);
        if (layout.alpha >= 0) {
            out[layout.alpha] = 255;
        }
    }
}

// Region: decompress every scanline into the output allocated by the caller.
bool DecompressRegion(Session* session, const Output* output) {
    if (setjmp(session->errors.jump) != 0) {
        return false;
    }
    jpeg_decompress_struct* cinfo = &session->cinfo;
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        unsigned char* target = output->pixels + output->stride * cinfo->output_scanline;
        JSAMPROW row = output->cmyk_row != nullptr ? output->cmyk_row : target;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            break; // cannot happen with a source that never suspends; guards the loop all the same
        }
        if (output->cmyk_row != nullptr) {
            ConvertCmykRow(output->cmyk_row, target, cinfo->output_width, output->layout,
                           output->inverted_cmyk);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// Owns a session's libjpeg state; destroying a session that was never created is harmless.
class SessionOwner {
public:
    SessionOwner() { InitSession(session_); }
    ~SessionOwner() { jpeg_destroy_decompress(&session_.cinfo); }
    SessionOwner(const SessionOwner&) = delete;
    SessionOwner& operator=(const SessionOwner&) = delete;

    Session* Get() { return &session_; }

private:
    Session session_{};
};

JpegError LibraryError(const ErrorManager& errors) {
    return JpegError{JpegError::Kind::Library, errors.error_number, std::string(errors.error_text)};
}

// Regular files only: a directory or a device would read as an empty or endless JPEG. The file is read whole,
// in one read where it can be: a screenshot is tens of kilobytes, which libjpeg's file source would read 4 KB
// at a time.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, JpegError& error) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    int failure = fd.Valid() ? 0 : errno;
    struct stat st {};
    if (failure == 0 && ::fstat(fd.Get(), &st) != 0) {
        failure = errno;
    } else if (failure == 0 && !S_ISREG(st.st_mode)) {
        failure = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else if (failure == 0 && static_cast<std::uint64_t>(st.st_size) > JpegDecoder::kMaxFileBytes) {
        failure = EFBIG;
    }
    std::string bytes;
    if (failure == 0 && !ReadAll(fd.Get(), bytes, static_cast<std::size_t>(st.st_size))) {
        failure = errno;
    }
    if (failure != 0) {
        error =
            JpegError{JpegError::Kind::CannotOpen, failure,
                      "Cannot open file " + path.string() + ": " + std::generic_category().message(failure)};
        return std::nullopt;
    }
    return bytes;
}

Source MemorySource(std::span<const std::byte> bytes) {
    return Source{reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<unsigned long>(bytes.size())};
}

Source MemorySource(const std::string& bytes) {
    return MemorySource(std::as_bytes(std::span(bytes)));
}

JpegHeaderResult ReadHeader(const Source& source) {
    SessionOwner owner;
    Session* session = owner.Get();
    JpegHeaderResult result;
    if (!ReadHeaderRegion(session, &source, 1, JCS_RGB)) {
        result.error = LibraryError(session->errors);
        return result;
    }
    result.header = HeaderOf(session->cinfo);
    return result;
}

JpegDecodeResult DecodeSource(const Source& source, JpegScale scale, const JpegScaleRule& scale_rule,
                              JpegPixelFormat format, const JpegProgress& progress) {
    SessionOwner owner;
    Session* session = owner.Get();
    JpegDecodeResult result;
    const PixelLayout layout = LayoutOf(format);
    if (!ReadHeaderRegion(session, &source, static_cast<unsigned int>(scale), layout.space) ||
        (scale_rule && !Rescale(session, static_cast<unsigned int>(scale_rule(HeaderOf(session->cinfo)))))) {
        result.error = LibraryError(session->errors);
        return result;
    }
    const jpeg_decompress_struct& cinfo = session->cinfo;
    const std::uint64_t claimed = std::uint64_t{cinfo.image_width} * cinfo.image_height;
    if (claimed > JpegDecoder::kMaxPixels) {
        result.error = JpegError{JpegError::Kind::Library, JERR_IMAGE_TOO_BIG,
                                 "Image of " + std::to_string(cinfo.image_width) + " x " +
                                     std::to_string(cinfo.image_height) + " pixels exceeds the limit of " +
                                     std::to_string(JpegDecoder::kMaxPixels / (1024 * 1024)) + " megapixels"};
        return result;
    }

    DecodedImage image;
    image.width = static_cast<int>(cinfo.output_width);
    image.height = static_cast<int>(cinfo.output_height);
    image.format = format;
    std::vector<unsigned char> cmyk_row;
    try {
        image.pixels.resize(image.Stride() * static_cast<std::size_t>(image.height));
        if (cinfo.out_color_space == JCS_CMYK) {
            cmyk_row.resize(std::size_t{cinfo.output_width} * 4);
        }
    } catch (const std::bad_alloc&) {
        result.error =
            JpegError{JpegError::Kind::Library, JERR_OUT_OF_MEMORY, "Insufficient memory for the picture"};
        return result;
    }
    const Output output{image.pixels.data(), image.Stride(), layout,
                        cmyk_row.empty() ? nullptr : cmyk_row.data(), cinfo.saw_Adobe_marker != 0};

    session->progress.callback = &progress;
    session->cinfo.progress = &session->progress.pub;
    if (progress) {
        progress(JpegStage::Starting, 0);
    }
    if (!DecompressRegion(session, &output)) {
        result.error = LibraryError(session->errors);
        return result;
    }
    if (session->errors.warned) {
        result.warning = JpegError{JpegError::Kind::Library, session->errors.warning_number,
                                   std::string(session->errors.warning_text)};
    }
    result.image = std::move(image);
    if (progress) {
        progress(JpegStage::Ending, 100);
    }
    return result;
}

} // namespace

JpegDecodeResult JpegDecoder::DecodeFile(const std::filesystem::path& path) const {
    JpegDecodeResult result;
    JpegError error;
    const std::optional<std::string> bytes = ReadRegularFile(path, error);
    if (!bytes) {
        result.error = std::move(error);
        return result;
    }
    return DecodeSource(MemorySource(*bytes), scale_, scale_rule_, format_, progress_);
}

JpegDecodeResult JpegDecoder::Decode(std::span<const std::byte> bytes) const {
    return DecodeSource(MemorySource(bytes), scale_, scale_rule_, format_, progress_);
}

JpegHeaderResult JpegDecoder::DecodeHeaderFile(const std::filesystem::path& path) {
    JpegHeaderResult result;
    JpegError error;
    const std::optional<std::string> bytes = ReadRegularFile(path, error);
    if (!bytes) {
        result.error = std::move(error);
        return result;
    }
    return ReadHeader(MemorySource(*bytes));
}

JpegHeaderResult JpegDecoder::DecodeHeader(std::span<const std::byte> bytes) {
    return ReadHeader(MemorySource(bytes));
}

} // namespace tavox
