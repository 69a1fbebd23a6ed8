#include "installer/version_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavox {
namespace {

using Labels = std::vector<std::string>;

TEST(VersionList, LabelsFollowEveryColonInOrder) {
    EXPECT_FALSE(IsVersionList("GAME.EXE"));
    EXPECT_TRUE(VersionLabels("GAME.EXE").empty());
    EXPECT_EQ(VersionLabels("G95.EXE:Windows 95;GNT.EXE:Windows NT"), (Labels{"Windows 95", "Windows NT"}));
    EXPECT_TRUE(IsVersionList("GAME.EXE:"));
    EXPECT_EQ(VersionLabels("GAME.EXE:"), (Labels{""}));
    // A second colon in one entry starts another caption, which runs to the semicolon.
    EXPECT_EQ(VersionLabels("A.EXE:x:y;B.EXE:z"), (Labels{"x:y", "y", "z"}));
}

TEST(VersionList, TheKthButtonRunsTheFileAfterTheKMinusFirstSemicolon) {
    const std::string list = "LUNAR.EXE:Software;LUNARGL.EXE:OpenGL;BIN\\LUNAR3D.EXE:3Dfx";
    EXPECT_EQ(VersionFile(list, 1), "LUNAR.EXE");
    EXPECT_EQ(VersionFile(list, 2), "LUNARGL.EXE");
    EXPECT_EQ(VersionFile(list, 3), "BIN\\LUNAR3D.EXE");
    EXPECT_EQ(VersionFile("A.EXE:One;B.EXE", 2), "B.EXE");
    // No button pressed (the dialog closed), or a button without a file of its own.
    EXPECT_EQ(VersionFile(list, 0), std::nullopt);
    EXPECT_EQ(VersionFile(list, -8), std::nullopt);
    EXPECT_EQ(VersionFile("A.EXE:x:y;B.EXE:z", 3), std::nullopt);
}

} // namespace
} // namespace tavox
