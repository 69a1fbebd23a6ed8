#include "menu/list_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace tavox {
namespace {

TEST(ThumbRule, PlacesTheThumbAlongTheTrack) {
    struct Case {
        int count, current, k, top;
    };
    for (const Case& c : {Case{2, 2, 257, 255}, Case{20, 10, 257, 184}, Case{20, 20, 257, 311},
                          Case{20, 1, 257, 70}, Case{1, 1, 259, 70}, Case{0, 1, 257, 70}}) {
        EXPECT_EQ(ThumbTop(c.count, c.current, c.k), c.top) << c.count << "/" << c.current;
    }
}

TEST(TrackRule, SelectsTheItemUnderThePointer) {
    struct Case {
        int count, y, item, first;
    };
    const Case cases[] = {
        {20, 0, 1, 1},  {20, 18, 1, 1},  {20, 19, 2, 2},   {20, 250, 20, 6},  {20, 400, 20, 6},
        {5, 125, 2, 1}, {5, 175, 4, 1},  {10, 125, 5, 1},  {30, 125, 15, 15}, {30, 200, 24, 16},
        {1, 250, 1, 1}, {15, 125, 8, 1}, {15, 225, 14, 1},
    };
    for (const Case& c : cases) {
        const TrackSelection selection = TrackRule(c.count, c.y);
        EXPECT_EQ(selection.current_item, c.item) << c.count << " items, y " << c.y;
        EXPECT_EQ(selection.first_visible, c.first) << c.count << " items, y " << c.y;
    }
}

// The item is y / (250 / count) rounded half to even. Compared here as fractions: the item k nearest to
// y * count / 250 is the one with |2 * y * count - 2 * k * 250| smallest, the even one on a tie.
TEST(TrackRule, RoundsExactlyForEveryPageSize) {
    for (int count = 1; count <= 50; ++count) {
        for (int y = 1; y <= 250; ++y) {
            int best = 0;
            long best_distance = -1;
            for (int k = 0; k <= count + 1; ++k) {
                const long distance = std::labs(2L * y * count - 2L * k * 250);
                if (best_distance < 0 || distance < best_distance ||
                    (distance == best_distance && k % 2 == 0)) {
                    best = k;
                    best_distance = distance;
                }
            }
            const int expected = std::clamp(best, 1, count);
            ASSERT_EQ(TrackRule(count, y).current_item, expected) << count << " items, y " << y;
        }
    }
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(1.52), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

} // namespace
} // namespace tavox
