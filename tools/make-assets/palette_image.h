#pragma once

// 8-bit palette pictures for 256-colour screens.

#include <QImage>
#include <QList>
#include <QRgb>

#include <span>

namespace make_assets {

// A palette of at most `size` colours that serves all `images` together (median cut), beginning with the
// `fixed` colours, which are kept exactly.
QList<QRgb> SharedPalette(std::span<const QImage> images, std::span<const QRgb> fixed, int size);

// `image` as Format_Indexed8 over `palette`, every pixel the nearest colour (no dithering: edges stay clean).
QImage ToIndexed(const QImage& image, const QList<QRgb>& palette);

} // namespace make_assets
