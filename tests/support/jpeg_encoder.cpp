#include "support/jpeg_encoder.h"

#include <cstdlib>

namespace tavox::test {

std::vector<std::byte> EncodeJpeg(int width, int height, const std::function<JpegColour(int x, int y)>& pixel,
                                  const JpegEncoding& encoding) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size_bytes = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size_bytes);
    const int components = encoding.input == JCS_GRAYSCALE ? 1 : encoding.input == JCS_CMYK ? 4 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = encoding.input;
    jpeg_set_defaults(&cinfo);
    if (encoding.stored != JCS_UNKNOWN) {
        jpeg_set_colorspace(&cinfo, encoding.stored);
    }
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (encoding.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    cinfo.arith_code = encoding.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const JpegColour c = pixel(x, y);
            for (int i = 0; i < components; ++i) {
                row[static_cast<std::size_t>(x * components + i)] = static_cast<unsigned char>(c[i]);
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::byte> bytes(reinterpret_cast<const std::byte*>(buffer),
                                 reinterpret_cast<const std::byte*>(buffer) + size_bytes);
    std::free(buffer);
    return bytes;
}

} // namespace tavox::test
