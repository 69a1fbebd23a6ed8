#pragma once

// Vector pictures that carry the logotype: the slogan strips, the Image3 mark and the application icon.

#include <QImage>
#include <QString>

#include <array>

namespace make_assets {

enum class SloganLanguage { English, Czech, Turkish, Romanian };

// A 555×17 strip: the logotype, then the slogan in the language, on a transparent ground.
QString SloganSvg(SloganLanguage language);

// The 68×14 mark beside the maker's name.
QString Image3Svg();

// The icon the desktop shows for the menu: a cover CD on a dark panel, the magazine's name under it. Square,
// drawn on a 256-unit grid.
QString AppIconSvg();

// The pixel sizes the icon is also written at, for desktops that do not scale SVG icons themselves.
inline constexpr std::array<int, 7> kAppIconSizes{16, 24, 32, 48, 64, 128, 256};

// `svg` rendered into a transparent square of `size_px`.
QImage RenderSquare(const QString& svg, int size_px);

} // namespace make_assets
