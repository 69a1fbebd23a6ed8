#include "menu/create_date.h"

#include "base/code_page.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

std::string Utf8(std::string_view date, int language) {
    const CodePage pages[] = {CodePage::Windows1252, CodePage::Windows1250, CodePage::Windows1254,
                              CodePage::Windows1250};
    return ToUtf8(CreateDate(date, language), pages[language]);
}

TEST(CreateDate, NamesMonthsSeasonsAndStates) {
    struct Case {
        std::string_view date;
        int language;
        std::string_view text;
    };
    const Case cases[] = {
        {"0798", 0, "Date of release: July 98"},   {"2Q98", 1, "Datum vydání: Léto 98"},
        {"0098", 0, "Date of release: Out now"},   {"?", 0, "Date of release: Unknown"},
        {"?898", 3, "Data lansării: Necunoscută"}, {"1398", 0, "Date of release:  98"},
        {"5Q98", 0, "Date of release: Out now"},   {"1298", 2, "Çıkış tarihi: Aralık 98"},
        {"4Q99", 2, "Çıkış tarihi: Kış 99"},       {"0399", 1, "Datum vydání: Březen 99"},
        {"9999", 0, "Date of release: Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8(c.date, c.language), c.text) << c.date << " in " << c.language;
    }
}

TEST(CreateDate, ComesInTheLanguagesCodePage) {
    EXPECT_EQ(CreateDate("0798", 1), "Datum vyd\xE1n\xED: \xC8"
                                     "ervenec 98");
    EXPECT_EQ(CreateDate("0298", 2), "\xC7\xFDk\xFD\xFE tarihi: \xDE"
                                     "ubat 98");
}

TEST(CreateDate, OtherLanguagesAndOddValuesGiveNoGarbage) {
    EXPECT_EQ(CreateDate("0798", 4), "");
    EXPECT_EQ(CreateDate("0798", 10), "");
    EXPECT_EQ(Utf8("", 0), "Date of release: Unknown");
    EXPECT_EQ(Utf8("7", 0), "Date of release: July ");
}

} // namespace
} // namespace tavox
