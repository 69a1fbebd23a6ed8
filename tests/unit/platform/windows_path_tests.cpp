#include "platform/windows_path.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

TEST(WindowsPath, ResolvesDotsAndSeparatorsWithinTheDrive) {
    struct Case {
        std::string_view path;
        std::string_view expected;
    };
    const Case cases[] = {
        {"C:\\GAMES\\QUAKE", "C:\\GAMES\\QUAKE"},
        {"c:/games//quake/", "C:\\games\\quake"},
        {"D:", "D:\\"},
        {"D:\\", "D:\\"},
        {"C:\\A\\.\\B\\..\\C", "C:\\A\\C"},
        {"C:\\A\\..", "C:\\"},
        {"C:\\GAME.\\SETUP.EXE ", "C:\\GAME\\SETUP.EXE"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseWindowsPath(c.path);
        ASSERT_TRUE(parsed) << c.path;
        EXPECT_EQ(parsed->ToString(), c.expected) << c.path;
    }
}

TEST(WindowsPath, RefusesPathsThatNameNothingOnADrive) {
    const std::string_view paths[] = {"",
                                      "GAMES\\X",
                                      "\\GAMES",
                                      "\\\\server\\share\\x",
                                      "C:\\..",
                                      "C:\\A\\..\\..\\WINDOWS",
                                      "1:\\X",
                                      "C:\\A*B",
                                      "C:\\A\"B",
                                      "C:\\A:B",
                                      std::string_view("C:\\A\0B", 6)};
    for (const std::string_view path : paths) {
        EXPECT_FALSE(ParseWindowsPath(path)) << path;
    }
}

TEST(WindowsPath, WildcardsMatchAsFindFirstFileDoes) {
    struct Case {
        std::string_view name;
        std::string_view pattern;
        bool matches;
    };
    const Case cases[] = {
        {"SETUP.EXE", "*.*", true},
        {"README", "*.*", true},
        {"setup.exe", "*.EXE", true},
        {"SETUP.EX", "*.EXE", false},
        {"GAME", "GAME.*", true},
        {"GAME1.DAT", "GAME?.DAT", true},
        {"GAME12.DAT", "GAME?.DAT", false},
        {"A.B.C", "*.C", true},
        {"ABC", "A*C*", true},
        {"XYZ", "A*", false},
        {"Quake.ini", "quake.INI", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
}

} // namespace
} // namespace tavox
