#pragma once

#include <cstdint>

namespace tavox {

// Rounds to the nearest integer, halves to the even neighbour, as every position of the menu is rounded.
std::int32_t RoundHalfEven(double value);

// The top of the scroll thumb for item `current` of `count`; k is 257 or 259 depending on the page.
std::int32_t ThumbTop(std::int32_t count, std::int32_t current, std::int32_t k);

// What a press at height y of the scroll track selects on a page of `count` items.
struct TrackSelection {
    std::int32_t current_item = 1;
    std::int32_t first_visible = 1;
};
TrackSelection TrackRule(std::int32_t count, std::int32_t y);

// The first visible item that shows the last fifteen of `count` items, at least 1.
std::int32_t LastWindowStart(std::int32_t count);

} // namespace tavox
