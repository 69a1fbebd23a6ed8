#pragma once

// The tests' pictures, made with libjpeg's own compressor.

#include <array>
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE declared before it
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace tavox::test {

using JpegColour = std::array<int, 4>; // RGB or CMYK; a gray picture uses the first value only

struct JpegEncoding {
    J_COLOR_SPACE input = JCS_RGB;      // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK
    J_COLOR_SPACE stored = JCS_UNKNOWN; // what the file holds, when not libjpeg's default for the input
    bool progressive = false;
    bool arithmetic = false;
};

std::vector<std::byte> EncodeJpeg(int width, int height, const std::function<JpegColour(int x, int y)>& pixel,
                                  const JpegEncoding& encoding = {});

} // namespace tavox::test
