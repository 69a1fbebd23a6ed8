#include "base/code_page.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tavox {
namespace {

constexpr std::array kAllCodePages = {CodePage::Windows1250, CodePage::Windows1252, CodePage::Windows1254};

std::string Byte(int value) {
    return std::string(1, static_cast<char>(value));
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    for (const CodePage code_page : kAllCodePages) {
        std::string all_bytes;
        for (int b = 0; b < 256; ++b) {
            EXPECT_EQ(FromUtf8(ToUtf8(Byte(b), code_page), code_page), Byte(b))
                << "code page " << static_cast<int>(code_page) << ", byte " << b;
            all_bytes += Byte(b);
        }
        EXPECT_EQ(FromUtf8(ToUtf8(all_bytes, code_page), code_page), all_bytes);
    }
}

TEST(CodePage, WellKnownLettersDecodeAndEncode) {
    struct Case {
        CodePage code_page;
        int byte;
        const char* utf8;
    };
    const std::vector<Case> cases = {
        {CodePage::Windows1250, 0x8A, "Š"}, {CodePage::Windows1250, 0xE8, "č"},
        {CodePage::Windows1250, 0xF8, "ř"}, {CodePage::Windows1250, 0xBA, "ş"},
        {CodePage::Windows1250, 0xFE, "ţ"}, {CodePage::Windows1250, 0xFF, "˙"},
        {CodePage::Windows1254, 0xF0, "ğ"}, {CodePage::Windows1254, 0xFD, "ı"},
        {CodePage::Windows1254, 0xDD, "İ"}, {CodePage::Windows1254, 0xFE, "ş"},
        {CodePage::Windows1252, 0x80, "€"}, {CodePage::Windows1252, 0xE9, "é"},
        {CodePage::Windows1252, 0x9F, "Ÿ"}, {CodePage::Windows1252, 0x99, "™"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(Byte(c.byte), c.code_page), c.utf8) << c.utf8;
        EXPECT_EQ(FromUtf8(c.utf8, c.code_page), Byte(c.byte)) << c.utf8;
    }
}

TEST(CodePage, OnlyTheUndefinedBytesDecodeToControlCharacters) {
    struct Case {
        CodePage code_page;
        std::vector<int> undefined;
    };
    const std::vector<Case> cases = {
        {CodePage::Windows1250, {0x81, 0x83, 0x88, 0x90, 0x98}},
        {CodePage::Windows1252, {0x81, 0x8D, 0x8F, 0x90, 0x9D}},
        {CodePage::Windows1254, {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}},
    };
    for (const Case& c : cases) {
        std::vector<int> decoded_to_control;
        for (int b = 0x80; b < 0x100; ++b) {
            const std::string utf8 = ToUtf8(Byte(b), c.code_page);
            // U+0080..U+009F are C2 80..C2 9F in UTF-8.
            if (utf8.size() == 2 && utf8[0] == '\xC2' && static_cast<unsigned char>(utf8[1]) < 0xA0) {
                EXPECT_EQ(static_cast<unsigned char>(utf8[1]), b) << "byte " << b;
                decoded_to_control.push_back(b);
            }
        }
        EXPECT_EQ(decoded_to_control, c.undefined);
    }
}

TEST(CodePage, CharactersTheCodePageLacksBecomeAQuestionMark) {
    struct Case {
        CodePage code_page;
        const char* utf8;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {CodePage::Windows1252, "ğ", "?"},
        {CodePage::Windows1252, "ř", "?"},
        {CodePage::Windows1250, "é", "\xE9"},
        {CodePage::Windows1250, "è", "?"},
        {CodePage::Windows1254, "ř", "?"},
        {CodePage::Windows1254, "Ž", "?"},
        {CodePage::Windows1252, "\u0080", "?"}, // the C1 control, not the euro sign at 0x80
        {CodePage::Windows1252, "x中y", "x?y"},
        {CodePage::Windows1252, "a😀b", "a?b"}, // four bytes, one character
        {CodePage::Windows1250, "Ж", "?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromUtf8(c.utf8, c.code_page), c.expected) << c.utf8;
    }
}

TEST(CodePage, MalformedUtf8BecomesQuestionMarks) {
    struct Case {
        const char* utf8;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"\x80", "?"},                // continuation byte without a lead
        {"a\xC3", "a?"},              // cut off at the end
        {"\xE2\x82Z", "?Z"},          // cut-off euro sign: one mark, the next letter kept
        {"\xF0\x9F\x98z", "?z"},      // cut-off four-byte sequence
        {"\xC0\xAF", "??"},           // overlong '/'
        {"\xE0\x80\xAF", "???"},      // overlong three-byte form
        {"\xED\xA0\x80", "???"},      // surrogate
        {"\xF4\x90\x80\x80", "????"}, // beyond U+10FFFF
        {"\xF5", "?"},                // never a lead byte
        {"\xFF\xFE", "??"},           // never a lead byte
        {"\xC3\xA9\xC3", "\xE9?"},    // good character, then a broken one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromUtf8(c.utf8, CodePage::Windows1252), c.expected) << c.utf8;
    }
}

TEST(CodePage, CharsetPicksTheCodePage) {
    struct Case {
        int charset;
        CodePage expected;
    };
    const std::vector<Case> cases = {
        {238, CodePage::Windows1250}, {162, CodePage::Windows1254}, {0, CodePage::Windows1252},
        {1, CodePage::Windows1252},   {204, CodePage::Windows1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePageForCharset(c.charset), c.expected) << c.charset;
    }
}

// Every capital of the three code pages must find its small letter, wherever the code page puts the pair.
TEST(CodePage, EveryCapitalOfTheCodePagesFoldsLikeItsSmallLetter) {
    struct Case {
        CodePage code_page;
        std::vector<std::pair<int, int>> pairs;
    };
    std::vector<std::pair<int, int>>
        high_block; // 0xC0..0xDE against 0xE0..0xFE, except the multiplication sign
    for (int b = 0xC0; b <= 0xDE; ++b) {
        if (b != 0xD7) {
            high_block.emplace_back(b, b + 0x20);
        }
    }
    std::vector<std::pair<int, int>> ascii;
    for (int b = 'A'; b <= 'Z'; ++b) {
        ascii.emplace_back(b, b + 0x20);
    }
    const auto with = [&](std::vector<std::pair<int, int>> pairs) {
        pairs.insert(pairs.end(), high_block.begin(), high_block.end());
        pairs.insert(pairs.end(), ascii.begin(), ascii.end());
        return pairs;
    };
    const std::vector<Case> cases = {
        {CodePage::Windows1250, with({{0x8A, 0x9A},
                                      {0x8C, 0x9C},
                                      {0x8D, 0x9D},
                                      {0x8E, 0x9E},
                                      {0x8F, 0x9F},
                                      {0xA3, 0xB3},
                                      {0xA5, 0xB9},
                                      {0xAA, 0xBA},
                                      {0xAF, 0xBF},
                                      {0xBC, 0xBE}})},
        {CodePage::Windows1252, with({{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}})},
        {CodePage::Windows1254, with({{0x8A, 0x9A}, {0x8C, 0x9C}, {0x9F, 0xFF}})},
    };
    for (const Case& c : cases) {
        for (const auto& [capital, small] : c.pairs) {
            const std::string capital_utf8 = ToUtf8(Byte(capital), c.code_page);
            const std::string small_utf8 = ToUtf8(Byte(small), c.code_page);
            EXPECT_TRUE(EqualsIgnoringCase(capital_utf8, small_utf8)) << capital_utf8 << " " << small_utf8;
        }
    }
}

TEST(CodePage, FoldCaseMapsCapitalsToSmallLettersAndLeavesTheRest) {
    struct Case {
        char32_t in;
        char32_t expected;
    };
    const std::vector<Case> cases = {
        {U'A', U'a'},   {U'Z', U'z'},   {U'@', U'@'},   {U'[', U'['},   {0xC0, 0xE0},   {0xDE, 0xFE},
        {0xD7, 0xD7},   {0xDF, 0xDF},   {0x178, 0xFF},  {0x100, 0x101}, {0x101, 0x101}, {0x130, U'i'},
        {0x131, U'i'},  {0x138, 0x138}, {0x139, 0x13A}, {0x148, 0x148}, {0x149, 0x149}, {0x14A, 0x14B},
        {0x177, 0x177}, {0x17D, 0x17E}, {0x17F, 0x17F}, {0x410, 0x410},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FoldCase(c.in), c.expected) << std::hex << static_cast<unsigned>(c.in);
    }
}

TEST(CodePage, NamesCompareWithoutRegardToCase) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"Č", "č", true},
        {"ŘEŠENÍ", "řešení", true},
        {"SETUP.EXE", "setup.exe", true},
        {"ĽUBOŠ", "ľuboš", true},
        {"İNSTALL", "install", true},
        {"INSTALL", "ınstall", true},
        {"DOSYASI", "dosyası", true},
        {"", "", true},
        {"abc", "abcd", false},
        {"a", "", false},
        {"S", "Š", false},
        {"×", "÷", false},
        {"ß", "ÿ", false},
        {"i", "j", false},
        {"\xC3x", "\xC3X", true}, // a stray byte equals itself
        {"\xC3", "\xC4", false},
        {"\xE3", "ã", false}, // the byte 0xE3 is not the character U+00E3
        {"\xE2\x82", "\xE2\x82", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    }
}

TEST(CodePage, Utf16PairsJoinAndUnpairedSurrogatesAreKeptOrReplaced) {
    struct Utf16Case {
        std::u16string in;
        std::string kept;
        std::string replaced;
    };
    const std::string kReplacement = "\xEF\xBF\xBD";
    const std::vector<Utf16Case> cases = {
        {u"SETUP.EXE", "SETUP.EXE", "SETUP.EXE"},
        {u"\u010Dist\u00FD \u20AC", "\xC4\x8Dist\xC3\xBD \xE2\x82\xAC", "\xC4\x8Dist\xC3\xBD \xE2\x82\xAC"},
        // U+1F600 as a pair, and the highest code point.
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        // A high half at the end, a low half alone, the halves the wrong way round, a high half before a
        // letter.
        {u"a\xD800", "a\xED\xA0\x80", "a" + kReplacement},
        {u"\xDC00!", "\xED\xB0\x80!", kReplacement + "!"},
        {u"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD", kReplacement + kReplacement},
        {u"\xD83Dx", "\xED\xA0\xBDx", kReplacement + "x"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3), std::string("a\0b", 3)},
        {u"", "", ""},
    };
    for (const Utf16Case& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.in, UnpairedSurrogate::Keep), c.kept) << c.kept;
        EXPECT_EQ(Utf16ToUtf8(c.in, UnpairedSurrogate::Replace), c.replaced) << c.replaced;
    }
}

} // namespace
} // namespace tavox
