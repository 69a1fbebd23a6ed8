#pragma once

#include <QImage>

namespace make_assets {

// The window's background picture, 640×480 (RGB32): dark panels along the frame lines, teal accents, the
// section buttons unlit.
QImage PaintMainScreen();

// The lit section-button column, 133×183 (RGB32): screen x 507–639, y 81–263, every button light blue.
QImage PaintLitColumn();

} // namespace make_assets
