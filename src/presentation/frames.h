#pragma once

#include <QImage>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <optional>

class QWidget;

namespace tavox {

// A rectangle in window pixels.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The colours the frames and the cursor are drawn in.
inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kBlack = 0xFF000000;

// The frame rectangle of a label, as the cursor uses it: one pixel wider on each side.
Rect LabelFrame(const QWidget* label);

// A surface's pixels for drawing one at a time (frames, lines): QImage::setPixel would check the format and
// the sharing on every call. The surface is made 32-bit and unshared once, here; points off it are skipped.
// Use it only while nothing else copies the surface.
class SurfacePixels {
public:
    explicit SurfacePixels(QImage& surface);

    void Set(int x, int y, QRgb colour) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            bits_[static_cast<std::size_t>(y) * words_per_line_ + static_cast<std::size_t>(x)] =
                colour | 0xFF000000U;
        }
    }

private:
    QRgb* bits_;
    std::size_t words_per_line_;
    int width_;
    int height_;
};

// A 1-pixel frame one pixel outside the rectangle; returns the area it covers, to be shown.
QRect DrawFramePixels(QImage& surface, const Rect& r, QRgb colour);

// Puts back what lies under such a frame, taken from the picture behind the surface; where the picture ends,
// `off_picture` is painted, or the surface is left as it is when there is none. Returns the area to show.
QRect RestoreFramePixels(QImage& surface, const Rect& r, const QImage& picture,
                         std::optional<QRgb> off_picture);

} // namespace tavox
