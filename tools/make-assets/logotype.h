#pragma once

// The magazine's name as a drawn logotype: geometric capitals of our own, so that the pictures never depend
// on which fonts the build machine has.

#include <QPainterPath>
#include <QString>

#include <string_view>

namespace make_assets {

// The outline of `text` (the letters of "TAVOX CD" and a space), cap height `cap_px`, slanted forward by
// `slant` (0 upright), with its top-left corner at the origin.
QPainterPath LogoPath(std::string_view text, double cap_px, double slant = 0.18);

// The same outline as the "d" attribute of an SVG path.
QString SvgPathData(const QPainterPath& path);

} // namespace make_assets
