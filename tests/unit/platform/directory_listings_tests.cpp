#include "platform/directory_listings.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// Stamps made up for the test, so that whether a listing counts as settled does not hang on the clock.
DirectoryStamp StampChangedAt(std::int64_t changed_ns, std::uint64_t inode = 1) {
    return {1, inode, changed_ns, changed_ns};
}
const DirectoryStamp kLongAgo = StampChangedAt(0);
const std::int64_t kInAnHour =
    std::chrono::duration_cast<std::chrono::nanoseconds>(
        (std::chrono::system_clock::now() + std::chrono::hours(1)).time_since_epoch())
        .count();

class DirectoryListingsTest : public ::testing::Test {
protected:
    DirectoryListingsTest() { WriteFile(dir / "Readme.TXT", "a"); }
    TempDir dir;
    DirectoryListings listings;
};

TEST_F(DirectoryListingsTest, FindsTheFirstEntryInNameOrderInAnyCase) {
    WriteFile(dir / "README.txt", "b");
    WriteFile(dir / "Setup.EXE", "MZ");
    for (int lookup = 0; lookup < 2; ++lookup) { // as read, then as cached
        EXPECT_EQ(listings.FindIgnoringCase(dir.Path(), kLongAgo, "readme.txt"), "README.txt");
        EXPECT_EQ(listings.FindIgnoringCase(dir.Path(), kLongAgo, "SETUP.exe"), "Setup.EXE");
        EXPECT_FALSE(listings.FindIgnoringCase(dir.Path(), kLongAgo, "readme.tx"));
    }
}

TEST_F(DirectoryListingsTest, ASettledListingServesUntilTheDirectoryStampMoves) {
    EXPECT_FALSE(listings.FindIgnoringCase(dir.Path(), kLongAgo, "install.log"));
    WriteFile(dir / "INSTALL.LOG", "written by a setup program");
    // The same stamp means the same entries: the listing read before is answer enough.
    EXPECT_FALSE(listings.FindIgnoringCase(dir.Path(), kLongAgo, "install.log"));
    EXPECT_EQ(listings.FindIgnoringCase(dir.Path(), StampChangedAt(1), "install.log"), "INSTALL.LOG");
    fs::remove(dir / "INSTALL.LOG");
    // Another directory in the same place (a disc changed, a folder replaced) has another inode.
    EXPECT_FALSE(listings.FindIgnoringCase(dir.Path(), StampChangedAt(1, 2), "install.log"));
}

TEST_F(DirectoryListingsTest, AListingReadSoonAfterAChangeIsReadAgainNextTime) {
    // A directory that changed within the file times' step of the read can change again unseen.
    const DirectoryStamp just_changed = StampChangedAt(kInAnHour);
    EXPECT_FALSE(listings.FindIgnoringCase(dir.Path(), just_changed, "install.log"));
    WriteFile(dir / "Install.log", "written in the same clock tick");
    EXPECT_EQ(listings.FindIgnoringCase(dir.Path(), just_changed, "INSTALL.LOG"), "Install.log");
}

TEST_F(DirectoryListingsTest, AnUnreadableDirectoryHasNoEntries) {
    EXPECT_FALSE(listings.FindIgnoringCase(dir / "missing", kLongAgo, "readme.txt"));
    EXPECT_FALSE(listings.FindIgnoringCase(dir / "Readme.TXT", kLongAgo, "readme.txt"));
}

} // namespace
} // namespace tavox
