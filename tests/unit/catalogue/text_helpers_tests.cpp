#include "catalogue/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavox {
namespace {

struct TextCase {
    std::string in;
    std::string expected;
};

TEST(TextHelpers, AddSlashAddsExactlyOneBackslash) {
    const std::vector<TextCase> cases = {
        {R"(C:\GAMES)", R"(C:\GAMES\)"},
        {R"(C:\GAMES\)", R"(C:\GAMES\)"},
        {R"(C:\)", R"(C:\)"},
        {"C:", R"(C:\)"},
        {"", ""},
        {"D:\\DEMOS\\\xC8TEN\xCD", "D:\\DEMOS\\\xC8TEN\xCD\\"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(AddSlash(c.in), c.expected) << c.in;
    }
}

TEST(TextHelpers, SplitListCutsAtCommasOrElseSemicolons) {
    struct Case {
        std::string text;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {"x;y", {"x", "y"}},
        {"x;;y;", {"x", "", "y", ""}},
        {"x;y,z", {"x;y", "z"}},
        {"x,y;z", {"x", "y;z"}},
        {" a , b ", {" a ", " b "}},
        {"quake2.exe:Software;glquake.exe:OpenGL", {"quake2.exe:Software", "glquake.exe:OpenGL"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitList(c.text), c.fields) << c.text;
    }
}

// The original silently lost everything past 254 characters.
TEST(TextHelpers, SplitListHasNoLengthLimit) {
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 800; ++i) {
        expected.push_back("item" + std::to_string(i));
        text += (i == 0 ? "" : ";") + expected.back();
    }
    ASSERT_GT(text.size(), 5000u);
    EXPECT_EQ(SplitList(text), expected);

    const std::string one_long_field(5000, 'x');
    EXPECT_EQ(SplitList(one_long_field), std::vector<std::string>{one_long_field});
    EXPECT_EQ(SplitList(one_long_field + ",y"), (std::vector<std::string>{one_long_field, "y"}));
}

TEST(TextHelpers, EscapeAmpersandsDoublesOnlyLoneAmpersands) {
    const std::vector<TextCase> cases = {
        {"A&B", "A&&B"}, {"A&&B", "A&&B"}, {"&", "&&"},      {"A&B&", "A&&B&&"},
        {"&&&", "&&&"},  {"&A", "&&A"},    {"&&", "&&"},     {"A&&&B&C", "A&&&B&&C"},
        {"", ""},        {"AB", "AB"},     {"&A&", "&&A&&"}, {"R&D & Co", "R&&D && Co"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(EscapeAmpersands(c.in), c.expected) << c.in;
    }
}

TEST(TextHelpers, DirectoryPartKeepsEverythingUpToTheLastSeparator) {
    const std::vector<TextCase> cases = {
        {R"(C:\GAMES\X\INSTALL.LOG)", R"(C:\GAMES\X\)"},
        {"C:SETUP.EXE", "C:"},
        {"SETUP.EXE", ""},
        {"", ""},
        {R"(A:B\C:D)", R"(A:B\C:)"},
        {"C:/GAMES/SETUP.EXE", "C:"}, // only "\" and ":" separate
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(DirectoryPart(c.in), c.expected) << c.in;
    }
}

TEST(TextHelpers, UninstallDirFollowsTheOriginalArithmetic) {
    const std::vector<TextCase> cases = {
        {"", ""},
        // No -f: everything after the first blank.
        {R"(C:\WINDOWS\UNINST.EXE C:\GAMES\X\INSTALL.LOG)", R"(C:\GAMES\X\)"},
        {R"(C:\WINDOWS\UNWISE.EXE C:\PROGRAM FILES\GAME\INSTALL.LOG)", R"(C:\PROGRAM FILES\GAME\)"},
        // A blank in the uninstaller's own path is taken as the first blank.
        {R"(C:\PROGRAM FILES\X\UNINST.EXE C:\G\LOG)", R"(FILES\X\UNINST.EXE C:\G\)"},
        // No argument: the uninstaller's own directory, or nothing.
        {R"(C:\WINDOWS\UNINST.EXE)", R"(C:\WINDOWS\)"},
        {"UNINST.EXE", ""},
        // -f" starts at 26; -c" at 48 of 73 gives 25 characters, which end just after the file name.
        {R"(C:\WINDOWS\UNINST.EXE -f"C:\GAMES\Y\DeIsL1.isu" -c"C:\GAMES\Y\_ISRES.DLL")", R"(C:\GAMES\Y\)"},
        {R"(C:\WINDOWS\UNINST.EXE -f"C:\GAMES\Y\DeIsL1.isu")", R"(C:\GAMES\Y\)"},
        // A short -c" part leaves few characters: 19 from 26, 5 from 15, cutting into the -f path.
        {R"(C:\WINDOWS\UNINST.EXE -f"C:\PROGRAM FILES\SOME GAME\DATA\DeIsL1.isu" -c"C:\X\_ISRES.DLL")",
         R"(C:\PROGRAM FILES\)"},
        {R"(UNINST.EXE -f"C:\GAMES\LONGNAME\DEISL1.ISU" -c"X")", R"(C:\)"},
        // -c" before -f": 33 characters from 25 reach past the end.
        {R"(U.EXE -c"C:\X\Y.DLL" -f"C:\GAMES\A.ISU")", R"(C:\GAMES\)"},
        // -f without a quote: right after the "f".
        {R"(C:\WINDOWS\ISUNINST.EXE -fC:\GAMES\Z\DeIsL1.isu)", R"(C:\GAMES\Z\)"},
        // Start 5 is kept; start 4 falls back to after the first blank.
        {R"( -f"C:\A\B.ISU")", R"(C:\A\)"},
        {R"( -fC:\A\B.ISU)", R"(-fC:\A\)"},
        // Start beyond the end copies nothing.
        {"X -f", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(UninstallDir(c.in), c.expected) << c.in;
    }
}

TEST(TextHelpers, ProgramPartIsTheTextBeforeTheFirstColon) {
    const std::vector<TextCase> cases = {
        {"quake2.exe", "quake2.exe"},
        {"quake2.exe:Software;glquake.exe:OpenGL", "quake2.exe"},
        {"quake2.exe:", "quake2.exe"},
        {":Software", ""},
        {"", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(ProgramPart(c.in), c.expected) << c.in;
    }
}

} // namespace
} // namespace tavox
