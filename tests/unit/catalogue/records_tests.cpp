#include "catalogue/records.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

TEST(RecordArrays, RecordsPastTheCapacityReadEmptyAndTakeNoWrites) {
    DemosArray demos;
    demos[25].ListName = "last";
    demos[26].ListName = "beyond";
    demos[0].ListName = "before";
    demos[-5].ListName = "negative";
    EXPECT_EQ(demos[25].ListName, "last");
    EXPECT_EQ(demos[26], TDemos{});
    EXPECT_EQ(demos[0], TDemos{});
    EXPECT_EQ(std::as_const(demos)[1000], TDemos{});
    // The list reads 15 rows from the first visible item, which may run past the end.
    for (int row = 20; row < 20 + 15; ++row) {
        EXPECT_EQ(demos[row].ListName, row == 25 ? "last" : "") << row;
    }
}

TEST(RecordArrays, HaveTheDocumentedCapacities) {
    EXPECT_EQ(DemosArray::kCapacity, 25);
    EXPECT_EQ(UpdatesArray::kCapacity, 25);
    EXPECT_EQ(SharesArray::kCapacity, 20);
    EXPECT_EQ(ShotsArray::kCapacity, 15);
    EXPECT_EQ(ReadersArray::kCapacity, 15);
    EXPECT_EQ(PagesArray::kCapacity, 15);
    EXPECT_EQ(InstalledArray::kCapacity, 50);
}

TEST(RecordArrays, ClearEmptiesEveryRecord) {
    InstalledArray installed;
    installed[1].ListName = "a";
    installed[50].Removable = 1;
    installed.Clear();
    EXPECT_EQ(installed[1], TDemos{});
    EXPECT_EQ(installed[50], TDemos{});
}

} // namespace
} // namespace tavox
