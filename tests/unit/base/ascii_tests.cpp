#include "base/ascii.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tavox {
namespace {

struct CaseChange {
    std::string in;
    std::string upper;
    std::string lower;
};

TEST(Ascii, ChangesCaseOfAsciiLettersOnly) {
    const std::vector<CaseChange> cases = {
        {"setup.exe", "SETUP.EXE", "setup.exe"},
        // The neighbours of the letter ranges differ from a letter by the case bit alone.
        {"Az09_@[`{z", "AZ09_@[`{Z", "az09_@[`{z"},
        // 1250 "čistý Město": the accented letters must not move to other letters.
        {"\xE8ist\xFD M\xECsto", "\xE8IST\xFD M\xECSTO", "\xE8ist\xFD m\xECsto"},
        {"\xC8\xE9\xFF\xB5\xDE", "\xC8\xE9\xFF\xB5\xDE", "\xC8\xE9\xFF\xB5\xDE"},
        {std::string("a\0B", 3), std::string("A\0B", 3), std::string("a\0b", 3)},
        {"", "", ""},
    };
    for (const CaseChange& c : cases) {
        EXPECT_EQ(UpperCaseAscii(c.in), c.upper) << c.in;
        EXPECT_EQ(LowerCaseAscii(c.in), c.lower) << c.in;
    }
}

TEST(Ascii, EqualityIgnoresTheCaseOfAsciiLettersOnly) {
    struct Pair {
        std::string_view a;
        std::string_view b;
        bool equal;
    };
    const std::vector<Pair> pairs = {
        {"Software", "SOFTWARE", true},
        {"explorer.EXE", "Explorer.exe", true},
        {"", "", true},
        {"explorer", "explorer.exe", false},
        {"@", "`", false},
        {"[", "{", false},
        {"\xE8", "\xC8", false}, // č and Č in 1250 are different bytes to us
        {"\xE8", "\xE8", true},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(EqualsIgnoringAsciiCase(p.a, p.b), p.equal) << p.a << " / " << p.b;
        EXPECT_EQ(EqualsIgnoringAsciiCase(p.b, p.a), p.equal) << p.b << " / " << p.a;
    }
    EXPECT_TRUE(EndsWithIgnoringAsciiCase("DEMO.rar", ".RAR"));
    EXPECT_FALSE(EndsWithIgnoringAsciiCase("rar", ".RAR"));
    EXPECT_FALSE(EndsWithIgnoringAsciiCase("DEMO.RAR.TXT", ".RAR"));
}

TEST(Ascii, OrdersUnsignedBytesWithoutRegardToCase) {
    EXPECT_TRUE(LessIgnoringAsciiCase("abc", "ABD"));
    EXPECT_FALSE(LessIgnoringAsciiCase("ABD", "abc"));
    EXPECT_TRUE(LessIgnoringAsciiCase("AB", "abc"));
    EXPECT_FALSE(LessIgnoringAsciiCase("setup.exe", "SETUP.EXE"));
    EXPECT_FALSE(LessIgnoringAsciiCase("SETUP.EXE", "setup.exe"));
    // Code-page letters sort after every ASCII one, as the bytes do.
    EXPECT_TRUE(LessIgnoringAsciiCase("z", "\xE8"));
    // Lower case sorts as upper case: "_" (0x5F) lies between the two ranges.
    EXPECT_TRUE(LessIgnoringAsciiCase("a", "_"));

    std::vector<std::string> names = {"readme.TXT", "\xC8TI.TXT", "Setup.exe", "_install.log", "README.txt"};
    std::ranges::stable_sort(names, LessIgnoringAsciiCase);
    const std::vector<std::string> sorted = {"readme.TXT", "README.txt", "Setup.exe", "_install.log",
                                             "\xC8TI.TXT"};
    EXPECT_EQ(names, sorted);
    EXPECT_TRUE(std::ranges::binary_search(names, std::string("SETUP.EXE"), LessIgnoringAsciiCase));
}

} // namespace
} // namespace tavox
