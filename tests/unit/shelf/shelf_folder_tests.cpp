// Which files and folders of a shelf are taken for discs, and that odd folders cost nothing.
#include "shelf/shelf_disc.h"
#include "shelf/shelf_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;

TEST(ShelfFolder, FindsDiscsTwoLevelsDownAndFollowsNoFolderLinks) {
    const test::TempDir dir;
    const fs::path shelf = dir / "shelf";
    test::WriteFile(shelf / "top.iso", "");
    test::WriteFile(shelf / "1998" / "one.BIN", "");
    test::WriteFile(shelf / "1998" / "q1" / "two.img", "");
    test::WriteFile(shelf / "1998" / "q1" / "deep" / "three.iso", ""); // three levels down
    test::WriteFile(shelf / "disc" / "TAVOX" / "tavox95.ini", "[Main]");
    test::WriteFile(shelf / "disc" / "DEMOS" / "inside.iso", ""); // a disc folder is not looked into
    test::WriteFile(shelf / "sheet.cue", "");
    test::WriteFile(shelf / "sheet.bin", ""); // its sheet stands for it
    test::WriteFile(dir / "elsewhere" / "away.iso", "");
    fs::create_directory_symlink(dir / "elsewhere", shelf / "link");
    fs::create_directory_symlink(shelf, shelf / "1998" / "loop");
    fs::create_symlink(dir / "elsewhere" / "away.iso", shelf / "linked.iso");
    for (int i = 0; i < 10000; ++i) {
        test::WriteFile(shelf / "photos" / ("picture" + std::to_string(i) + ".jpg"), "");
    }
    std::vector<std::string> found;
    for (const ShelfEntry& entry : FindShelfEntries(shelf)) {
        found.push_back(entry.path.lexically_relative(shelf).string());
    }
    EXPECT_EQ(found, (std::vector<std::string>{"1998/one.BIN", "1998/q1/two.img", "disc", "linked.iso",
                                               "sheet.cue", "top.iso"}));
}

TEST(ShelfFolder, IssueDates) {
    const struct {
        std::string_view cd;
        std::string date;
    } cases[] = {
        {"1298", "1998-12"}, {"0100", "2000-01"}, {"0195", "1995-01"}, {"1294", "2094-12"},
        {"1397", ""},        {"0098", ""},        {"298", ""},         {"12-98", ""},
    };
    for (const auto& [cd, date] : cases) {
        const auto read = ReadIssueDate(cd);
        EXPECT_EQ(read ? YearMonthText(*read) : "", date) << cd;
    }
}

} // namespace
} // namespace tavox
