#pragma once

#include "app/main_window_state.h"

#include <QImage>
#include <QRect>

class QWidget;

namespace tavox {

// The frame rectangle of a label, as the cursor uses it: one pixel wider on each side.
Rect LabelFrame(const QWidget* label);

// Sets a pixel when it lies on the picture.
void SetPixel(QImage& image, int x, int y, QRgb colour);

// A 1-pixel frame one pixel outside the rectangle; returns the area it covers, to be shown.
QRect DrawFramePixels(QImage& surface, const Rect& r, QRgb colour);

} // namespace tavox
