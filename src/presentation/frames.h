#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>

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

// Sets a pixel when it lies on the picture.
void SetPixel(QImage& image, int x, int y, QRgb colour);

// A 1-pixel frame one pixel outside the rectangle; returns the area it covers, to be shown.
QRect DrawFramePixels(QImage& surface, const Rect& r, QRgb colour);

} // namespace tavox
