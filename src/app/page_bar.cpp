#include "app/page_bar.h"

#include "app/string_table.h"
#include "base/code_page.h"
#include "catalogue/records.h"

namespace tavox {

namespace {

std::vector<std::uint8_t> EnglishBar(const PageBarInputs& inputs) {
    std::vector<std::uint8_t> kinds{PageKind::Demos};
    if (inputs.ShotCount > 0) {
        kinds.push_back(PageKind::Hotshots);
    }
    kinds.insert(kinds.end(), {PageKind::Shareware, PageKind::Films, PageKind::Updates, PageKind::Installed});
    return kinds;
}

std::vector<std::uint8_t> CzechBar(const PageBarInputs& inputs) {
    std::vector<std::uint8_t> kinds{PageKind::Demos};
    if (inputs.ShotCount > 0) {
        kinds.push_back(PageKind::Hotshots);
    }
    kinds.push_back(PageKind::Updates);
    if (inputs.MovieCount > 0) {
        kinds.push_back(PageKind::Films);
    }
    // The 11/97 and 12/97 catalogues carried the magazine without announcing it in [Main].
    if (inputs.Vyrniste != 0 || inputs.CdIssue == "1197" || inputs.CdIssue == "1297") {
        kinds.push_back(PageKind::Vyrniste);
    }
    if (inputs.ReaderCount > 0) {
        kinds.push_back(PageKind::Readers);
    }
    kinds.insert(kinds.end(), {PageKind::Shareware, PageKind::Custom, PageKind::Installed});
    return kinds;
}

std::vector<std::uint8_t> RomanianBar() {
    return {PageKind::Demos,    PageKind::Shareware, PageKind::Updates,
            PageKind::Hotshots, PageKind::Films,     PageKind::Installed};
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
    switch (kind) {
    case PageKind::Demos:
        return LoadString(language, StringId::DemosPage);
    case PageKind::Shareware:
        return LoadString(language, StringId::SharewarePage);
    case PageKind::Updates:
        return LoadString(language, StringId::UpdatesPage);
    case PageKind::Films:
        return LoadString(language, StringId::FilmsPage);
    case PageKind::Vyrniste:
        return "Vyrniste";
    case PageKind::Readers:
        // A Czech name on every bar that has the page, in the Czech code page.
        return FromUtf8("Od čtenářů", CodePage::Windows1250);
    case PageKind::Hotshots:
        return LoadString(language, StringId::HotshotsPage);
    case PageKind::Installed:
        return LoadString(language, StringId::InstalledPage);
    default:
        return {};
    }
}

} // namespace tavox
