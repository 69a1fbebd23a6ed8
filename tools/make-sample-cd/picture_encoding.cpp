#include "picture_encoding.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace sample_cd {

namespace {

void Put16(std::string& out, int value) {
    for (int shift = 0; shift < 16; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void Put32(std::string& out, std::int64_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

// BITMAPFILEHEADER and BITMAPINFOHEADER; rows are stored bottom-up, each padded to four bytes.
std::string BmpHeaders(const Canvas& canvas, int bits, int palette_entries) {
    const int stride = (canvas.Width() * bits / 8 + 3) / 4 * 4;
    const int offset = 14 + 40 + palette_entries * 4;
    std::string out = "BM";
    Put32(out, offset + static_cast<std::int64_t>(stride) * canvas.Height());
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, canvas.Width());
    Put32(out, canvas.Height());
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0); // BI_RGB
    Put32(out, static_cast<std::int64_t>(stride) * canvas.Height());
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, palette_entries);
    Put32(out, 0);
    return out;
}

void PadRow(std::string& out, std::size_t row_start) {
    while ((out.size() - row_start) % 4 != 0) {
        out += '\0';
    }
}

constexpr int kCubeLevels = 6;
constexpr int kGreys = 256 - kCubeLevels * kCubeLevels * kCubeLevels;

int CubeLevel(int value) {
    return (value * (kCubeLevels - 1) + 127) / 255;
}

int CubeValue(int level) {
    return level * 255 / (kCubeLevels - 1);
}

int GreyValue(int level) {
    return level * 255 / (kGreys - 1);
}

int Square(int value) {
    return value * value;
}

std::uint8_t PaletteIndex(Rgb colour) {
    const int r = CubeLevel(colour.r);
    const int g = CubeLevel(colour.g);
    const int b = CubeLevel(colour.b);
    const int cube_error =
        Square(CubeValue(r) - colour.r) + Square(CubeValue(g) - colour.g) + Square(CubeValue(b) - colour.b);
    const int grey = ((colour.r + colour.g + colour.b) / 3 * (kGreys - 1) + 127) / 255;
    const int grey_error = Square(GreyValue(grey) - colour.r) + Square(GreyValue(grey) - colour.g) +
                           Square(GreyValue(grey) - colour.b);
    if (grey_error < cube_error) {
        return static_cast<std::uint8_t>(kCubeLevels * kCubeLevels * kCubeLevels + grey);
    }
    return static_cast<std::uint8_t>((r * kCubeLevels + g) * kCubeLevels + b);
}

// libjpeg reports a failure by calling error_exit, which must not return; it jumps back to the encoder.
struct JpegErrors {
    jpeg_error_mgr manager{}; // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf failed{};
};

struct JpegJob {
    jpeg_compress_struct info{};
    JpegErrors errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->failed, 1);
}

} // namespace

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 3) {
    for (std::size_t i = 0; i < pixels_.size(); i += 3) {
        pixels_[i] = fill.r;
        pixels_[i + 1] = fill.g;
        pixels_[i + 2] = fill.b;
    }
}

Rgb Canvas::At(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
    return {pixels_[at], pixels_[at + 1], pixels_[at + 2]};
}

void Canvas::Set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
    pixels_[at] = colour.r;
    pixels_[at + 1] = colour.g;
    pixels_[at + 2] = colour.b;
}

std::span<const std::uint8_t> Canvas::Row(int y) const {
    return std::span<const std::uint8_t>(pixels_).subspan(static_cast<std::size_t>(y) * width_ * 3,
                                                          static_cast<std::size_t>(width_) * 3);
}

Canvas Shrink(const Canvas& source, int width, int height) {
    Canvas target(width, height);
    for (int y = 0; y < height; ++y) {
        const int y0 = y * source.Height() / height;
        const int y1 = std::max(y0 + 1, (y + 1) * source.Height() / height);
        for (int x = 0; x < width; ++x) {
            const int x0 = x * source.Width() / width;
            const int x1 = std::max(x0 + 1, (x + 1) * source.Width() / width);
            int r = 0;
            int g = 0;
            int b = 0;
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const Rgb pixel = source.At(sx, sy);
                    r += pixel.r;
                    g += pixel.g;
                    b += pixel.b;
                }
            }
            const int count = (y1 - y0) * (x1 - x0);
            target.Set(x, y,
                       {static_cast<std::uint8_t>(r / count), static_cast<std::uint8_t>(g / count),
                        static_cast<std::uint8_t>(b / count)});
        }
    }
    return target;
}

std::optional<std::string> EncodeJpeg(const Canvas& canvas, int quality) {
    std::vector<unsigned char> row(static_cast<std::size_t>(canvas.Width()) * 3);
    JpegJob job;
    job.info.err = jpeg_std_error(&job.errors.manager);
    job.errors.manager.error_exit = JumpOnJpegError;
    if (setjmp(job.errors.failed) != 0) {
        jpeg_destroy_compress(&job.info);
        std::free(job.buffer);
        return std::nullopt;
    }
    jpeg_create_compress(&job.info);
    jpeg_mem_dest(&job.info, &job.buffer, &job.size);
    job.info.image_width = static_cast<JDIMENSION>(canvas.Width());
    job.info.image_height = static_cast<JDIMENSION>(canvas.Height());
    job.info.input_components = 3;
    job.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job.info);
    jpeg_set_quality(&job.info, quality, TRUE);
    job.info.optimize_coding = TRUE;
    jpeg_start_compress(&job.info, TRUE);
    while (job.info.next_scanline < job.info.image_height) {
        const auto source = canvas.Row(static_cast<int>(job.info.next_scanline));
        std::copy(source.begin(), source.end(), row.begin());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&job.info, rows, 1);
    }
    jpeg_finish_compress(&job.info);
    jpeg_destroy_compress(&job.info);
    std::string bytes(reinterpret_cast<const char*>(job.buffer), job.size);
    std::free(job.buffer);
    return bytes;
}

std::string EncodeBmp24(const Canvas& canvas) {
    std::string out = BmpHeaders(canvas, 24, 0);
    for (int y = canvas.Height() - 1; y >= 0; --y) {
        const std::size_t row_start = out.size();
        for (int x = 0; x < canvas.Width(); ++x) {
            const Rgb pixel = canvas.At(x, y);
            out += static_cast<char>(pixel.b);
            out += static_cast<char>(pixel.g);
            out += static_cast<char>(pixel.r);
        }
        PadRow(out, row_start);
    }
    return out;
}

std::string EncodeBmp8(const Canvas& canvas) {
    std::string out = BmpHeaders(canvas, 8, 256);
    for (int r = 0; r < kCubeLevels; ++r) {
        for (int g = 0; g < kCubeLevels; ++g) {
            for (int b = 0; b < kCubeLevels; ++b) {
                out += static_cast<char>(CubeValue(b));
                out += static_cast<char>(CubeValue(g));
                out += static_cast<char>(CubeValue(r));
                out += '\0';
            }
        }
    }
    for (int grey = 0; grey < kGreys; ++grey) {
        out.append(3, static_cast<char>(GreyValue(grey)));
        out += '\0';
    }
    for (int y = canvas.Height() - 1; y >= 0; --y) {
        const std::size_t row_start = out.size();
        for (int x = 0; x < canvas.Width(); ++x) {
            out += static_cast<char>(PaletteIndex(canvas.At(x, y)));
        }
        PadRow(out, row_start);
    }
    return out;
}

} // namespace sample_cd
