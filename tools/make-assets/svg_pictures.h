#pragma once

// Vector pictures that carry the logotype: the slogan strips and the Image3 mark.

#include <QString>

namespace make_assets {

enum class SloganLanguage { English, Czech, Turkish, Romanian };

// A 555×17 strip: the logotype, then the slogan in the language, on a transparent ground.
QString SloganSvg(SloganLanguage language);

// The 68×14 mark beside the maker's name.
QString Image3Svg();

} // namespace make_assets
