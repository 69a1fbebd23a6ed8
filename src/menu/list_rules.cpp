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
    const double per_item = 250.0 / count;
    const std::int32_t item = std::clamp(RoundHalfEven(y / per_item), 1, count);
    const std::int32_t first = std::max(count - item >= 14 ? item : count - 14, 1);
    return {item, first};
}

std::int32_t LastWindowStart(std::int32_t count) {
    return std::max(1, count - 14);
}

} // namespace tavox
