#pragma once

// A plain RGB drawing surface and the file forms the CD keeps pictures in: JPEG for the screenshot series,
// Windows bitmaps (24-bit and 8-bit with a palette) for the ready first pictures.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sample_cd {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb fill = {});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb At(int x, int y) const;
    // Off-canvas points are ignored, so shapes may run over the edges.
    void Set(int x, int y, Rgb colour);
    // One row of packed red, green, blue bytes.
    std::span<const std::uint8_t> Row(int y) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

// Every target pixel is the average of the source pixels it covers, so shrinking smooths instead of dropping.
Canvas Shrink(const Canvas& source, int width, int height);

// Baseline JFIF with optimised Huffman tables; nothing when libjpeg fails.
std::optional<std::string> EncodeJpeg(const Canvas& canvas, int quality);

std::string EncodeBmp24(const Canvas& canvas);
// A fixed palette of a 6x6x6 colour cube and a grey ramp, as 256-colour games used; no dithering.
std::string EncodeBmp8(const Canvas& canvas);

} // namespace sample_cd
