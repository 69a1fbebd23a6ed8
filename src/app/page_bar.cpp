#include "app/page_bar.h"

#include "app/string_table.h"
#include "platform/code_page.h"

namespace tavox {

namespace {

constexpr std::uint8_t kDemos = 1;
constexpr std::uint8_t kShareware = 2;
constexpr std::uint8_t kUpdates = 3;
constexpr std::uint8_t kFilms = 4;
constexpr std::uint8_t kVyrniste = 5;
constexpr std::uint8_t kReaders = 6;
constexpr std::uint8_t kHotshots = 7;
constexpr std::uint8_t kInstalled = 9;
constexpr std::uint8_t kCustom = 10;

std::vector<std::uint8_t> EnglishBar(const PageBarInputs& inputs) {
    std::vector<std::uint8_t> kinds{kDemos};
    if (inputs.ShotCount > 0) {
        kinds.push_back(kHotshots);
    }
    kinds.insert(kinds.end(), {kShareware, kFilms, kUpdates, kInstalled});
    return kinds;
}

std::vector<std::uint8_t> CzechBar(const PageBarInputs& inputs) {
    std::vector<std::uint8_t> kinds{kDemos};
    if (inputs.ShotCount > 0) {
        kinds.push_back(kHotshots);
    }
    kinds.push_back(kUpdates);
    if (inputs.MovieCount > 0) {
        kinds.push_back(kFilms);
    }
    // The 11/97 and 12/97 catalogues carried the magazine without announcing it in [Main].
    if (inputs.Vyrniste != 0 || inputs.CdIssue == "1197" || inputs.CdIssue == "1297") {
        kinds.push_back(kVyrniste);
    }
    if (inputs.ReaderCount > 0) {
        kinds.push_back(kReaders);
    }
    kinds.insert(kinds.end(), {kShareware, kCustom, kInstalled});
    return kinds;
}

std::vector<std::uint8_t> RomanianBar() {
    return {kDemos, kShareware, kUpdates, kHotshots, kFilms, kInstalled};
}

} // namespace

std::vector<std::uint8_t> PageBarKinds(int language, const PageBarInputs& inputs) {
    switch (language) {
    case kEnglish:
    case kTurkish:
        return EnglishBar(inputs);
    case kCzech:
        return CzechBar(inputs);
    case kRomanian:
        return RomanianBar();
    default:
        return {};
    }
}

std::string PageCaption(int language, std::uint8_t kind) {
    const auto text = [language](int n) { return LoadString(language, language * 100 + n); };
    switch (kind) {
    case kDemos:
        return text(2);
    case kShareware:
        return text(3);
    case kUpdates:
        return text(5);
    case kFilms:
        return text(4);
    case kVyrniste:
        return "Vyrniste";
    case kReaders:
        // A Czech name on every bar that has the page, in the Czech code page.
        return FromUtf8("Od čtenářů", CodePage::Windows1250);
    case kHotshots:
        return text(81);
    case kInstalled:
        return text(1);
    default:
        return {};
    }
}

} // namespace tavox
