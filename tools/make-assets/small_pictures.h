#pragma once

// The little pictures: the worm that answers a click, the shareware box, the pieces of the copy animation
// and the viewer's cursors. All with transparency (ARGB32).

#include <QImage>

#include <string_view>

namespace make_assets {

QImage PaintWorm();       // 89×105
QImage PaintTornik();     // 51×62
QImage PaintAnimFolder(); // 40×32
QImage PaintAnimPage();   // 16×20

// The viewer cursor of that name (CURL, CURLN, CURP, CURPN, CURN): 32×32 in black, white and transparent
// only, shaped around the hot spot that the program registers with it. Null for an unknown name.
QImage PaintCursor(std::string_view name);

} // namespace make_assets
