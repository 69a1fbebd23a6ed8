#include "menu/create_date.h"

#include "base/code_page.h"

#include <array>
#include <charconv>

namespace tavox {

namespace {

constexpr int kOutNow = 0;
constexpr int kUnknown = 99;

struct DateTexts {
    CodePage code_page;
    std::string_view prefix;
    std::array<std::string_view, 12> months;
    std::array<std::string_view, 4> seasons;
    std::string_view out_now;
    std::string_view unknown;
};

// Written in UTF-8 here and converted to the language's code page when used.
constexpr DateTexts kTexts[] = {
    {CodePage::Windows1252,
     "Date of release: ",
     {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
      "November", "December"},
     {"Spring", "Summer", "Autumn", "Winter"},
     "Out now",
     "Unknown"},
    {CodePage::Windows1250,
     "Datum vydání: ",
     {"Leden", "Únor", "Březen", "Duben", "Květen", "Červen", "Červenec", "Srpen", "Září", "Říjen",
      "Listopad", "Prosinec"},
     {"Jaro", "Léto", "Podzim", "Zima"},
     "Již vyšlo",
     "Neznámé"},
    {CodePage::Windows1254,
     "Çıkış tarihi: ",
     {"Ocak", "Şubat", "Mart", "Nisan", "Mayıs", "Haziran", "Temmuz", "Ağustos", "Eylül", "Ekim", "Kasım",
      "Aralık"},
     {"İlkbahar", "Yaz", "Sonbahar", "Kış"},
     "Çıktı",
     "Bilinmiyor"},
    {CodePage::Windows1250,
     "Data lansării: ",
     {"Ianuarie", "Februarie", "Martie", "Aprilie", "Mai", "Iunie", "Iulie", "August", "Septembrie",
      "Octombrie", "Noiembrie", "Decembrie"},
     {"Primăvară", "Vară", "Toamnă", "Iarnă"},
     "A fost lansat",
     "Necunoscută"},
};

// The code of a date: 1..12 a month, 51..54 a season, 0 out now, 99 unknown, anything else nameless.
int DateCode(std::string_view date) {
    if (date.size() >= 2 && date[1] == 'Q') {
        switch (date[0]) {
        case '1':
            return 51;
        case '2':
            return 52;
        case '3':
            return 53;
        case '4':
            return 54;
        default:
            return kOutNow;
        }
    }
    if (!date.empty() && date[0] == '?') {
        return kUnknown;
    }
    // The first two characters as a number; a date that does not start with digits is of unknown date.
    const std::string_view digits = date.substr(0, 2);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return kUnknown;
    }
    return value & 0xFF;
}

} // namespace

std::string CreateDate(std::string_view date, int language) {
    if (language < 0 || language >= static_cast<int>(std::size(kTexts))) {
        return {};
    }
    const DateTexts& texts = kTexts[language];
    const int code = DateCode(date);
    std::string result(texts.prefix);
    if (code >= 1 && code <= 12) {
        result += texts.months[static_cast<std::size_t>(code - 1)];
    } else if (code >= 51 && code <= 54) {
        result += texts.seasons[static_cast<std::size_t>(code - 51)];
    }
    if (code == kOutNow) {
        result += texts.out_now;
    } else if (code == kUnknown) {
        result += texts.unknown;
    }
    std::string text = FromUtf8(result, texts.code_page);
    if (code != kOutNow && code != kUnknown) {
        // The year comes from the catalogue, already in the CD's code page: it is appended as it is.
        text += " ";
        text += date.size() > 2 ? date.substr(2, 2) : std::string_view();
    }
    return text;
}

} // namespace tavox
