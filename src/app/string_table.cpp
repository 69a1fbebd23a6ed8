#include "app/string_table.h"

namespace tavox {

CodePage CodePageOfTextId(int id) {
    if (id >= 200 && id <= 299) {
        return CodePage::Windows1254;
    }
    if ((id >= 100 && id <= 199) || (id >= 300 && id <= 399)) {
        return CodePage::Windows1250;
    }
    return CodePage::Windows1252;
}

int TextId(int language, StringId text) {
    return language * 100 + static_cast<int>(text);
}

std::string LoadString(int language, int id) {
    // Before the first choice callers still multiply by 10; the Czech block stands in.
    const int looked_up = language == kLanguageNeverChosen ? id - 900 : id;
    return FromUtf8(StringTableText(looked_up), CodePageOfTextId(looked_up));
}

std::string LoadString(int language, StringId text) {
    return LoadString(language, TextId(language, text));
}

std::string LoadSpecial(int language, int id, std::string_view argument) {
    std::string text = LoadString(language, id);
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

std::string LoadSpecial(int language, StringId text, std::string_view argument) {
    return LoadSpecial(language, TextId(language, text), argument);
}

int FontCharsetOf(int language, int current) {
    switch (language) {
    case kEnglish:
        return 1;
    case kCzech:
    case kRomanian:
        return 238;
    case kTurkish:
        return 162;
    default:
        return current;
    }
}

std::string_view SloganResourceOf(int language) {
    switch (language) {
    case kEnglish:
        return "SLOGAN_E";
    case kCzech:
        return "SLOGAN_C";
    case kTurkish:
        return "SLOGAN_T";
    case kRomanian:
        return "SLOGAN_R";
    default:
        return {};
    }
}

std::optional<FixedCaptions> FixedCaptionsOf(int language) {
    // Written in UTF-8 like the table and converted the same way, so the bytes match the label's charset.
    const auto captions = [](std::string_view run, std::string_view uninstall, std::string_view readme,
                             std::string_view exit, CodePage code_page) {
        return FixedCaptions{FromUtf8(run, code_page), FromUtf8(uninstall, code_page),
                             FromUtf8(readme, code_page), FromUtf8(exit, code_page)};
    };
    switch (language) {
    case kEnglish:
        return captions("Run", "Uninstall", "Readme", "Exit", CodePage::Windows1252);
    case kCzech:
        return captions("Spusť", "Odinstaluj", "Přečti si", "Exit", CodePage::Windows1250);
    case kTurkish:
        return captions("Çalıştır", "Kaldır", "Bilgi", "Çıkış", CodePage::Windows1254);
    case kRomanian:
        return captions("Run", "Dezinstaleaza", "Citeste-ma", "Exit", CodePage::Windows1250);
    default:
        return std::nullopt;
    }
}

} // namespace tavox
