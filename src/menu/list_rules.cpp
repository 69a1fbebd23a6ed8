#include "menu/list_rules.h"

#include <algorithm>
#include <cmath>

namespace tavox {

std::int32_t RoundHalfEven(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}

std::int32_t ThumbTop(std::int32_t count, std::int32_t current, std::int32_t k) {
    if (count <= 0) {
        return 70;
    }
    const double step = static_cast<double>(k) / count;
    return RoundHalfEven(70.0 + (current - 1) * (step + (step - 16.0) / count));
}

TrackSelection TrackRule(std::int32_t count, std::int32_t y) {
    y = std::clamp(y, 1, 250);
    // y / (250 / count) in integers: in binary floating point 250 / 15 comes out a little high, which turns
    // the exact halves (y 125 of 15 items is 7.5) into values just below them.
    const std::int64_t scaled = std::int64_t{y} * count;
    std::int64_t rounded = scaled / 250;
    const std::int64_t twice_rest = 2 * (scaled % 250);
    if (twice_rest > 250 || (twice_rest == 250 && rounded % 2 != 0)) {
        ++rounded;
    }
    const auto item = static_cast<std::int32_t>(std::clamp<std::int64_t>(rounded, 1, count));
    const std::int32_t first = std::max(count - item >= 14 ? item : count - 14, 1);
    return {item, first};
}

std::int32_t LastWindowStart(std::int32_t count) {
    return std::max(1, count - 14);
}

} // namespace tavox
