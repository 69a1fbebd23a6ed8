#pragma once

#include <QImage>

namespace make_assets {

// The unpack dialog's background, 426×166 (RGB32): a header for the three text lines, a black well for the
// copy animation at 78, 65 (272×60) and a plate for the percentage at 197, 142.
QImage PaintCopyBackground();

// The settings dialog's background, 232×181, 8 bits per pixel with exactly 35 colours: dark grey around 64
// with faint lighter curves in its lower half.
QImage PaintKola();

} // namespace make_assets
