#include "app/page_bar.h"

#include "app/string_table.h"
#include "catalogue/records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavox {
namespace {

using Kinds = std::vector<std::uint8_t>;

PageBarInputs Inputs(int shots, int movies, int readers, int vyrniste, std::string issue) {
    PageBarInputs inputs;
    inputs.ShotCount = shots;
    inputs.MovieCount = movies;
    inputs.ReaderCount = readers;
    inputs.Vyrniste = vyrniste;
    inputs.CdIssue = std::move(issue);
    return inputs;
}

struct BarCase {
    const char* what;
    int language;
    PageBarInputs inputs;
    Kinds kinds;
};

TEST(PageBar, EnglishBarServesEnglishAndTurkish) {
    const std::vector<BarCase> cases = {
        {"with hotshots", kEnglish, Inputs(3, 1, 1, 40, "0298"), {1, 7, 2, 4, 3, 9}},
        {"without hotshots", kEnglish, Inputs(0, 1, 1, 40, "0298"), {1, 2, 4, 3, 9}},
        // Films stay even without movies; the magazine and readers' items never appear.
        {"nothing optional", kEnglish, Inputs(0, 0, 0, 0, "1297"), {1, 2, 4, 3, 9}},
        {"Turkish with hotshots", kTurkish, Inputs(1, 0, 2, 0, "1197"), {1, 7, 2, 4, 3, 9}},
    };
    for (const BarCase& c : cases) {
        EXPECT_EQ(PageBarKinds(c.language, c.inputs), c.kinds) << c.what;
    }
}

TEST(PageBar, CzechBarFollowsTheCatalogue) {
    const std::vector<BarCase> cases = {
        {"everything", kCzech, Inputs(2, 1, 3, 41, "0398"), {1, 7, 3, 4, 5, 6, 2, 10, 9}},
        {"nothing optional", kCzech, Inputs(0, 0, 0, 0, "0198"), {1, 3, 2, 10, 9}},
        {"hotshots only", kCzech, Inputs(1, 0, 0, 0, "0198"), {1, 7, 3, 2, 10, 9}},
        {"films only", kCzech, Inputs(0, 1, 0, 0, "0198"), {1, 3, 4, 2, 10, 9}},
        {"readers only", kCzech, Inputs(0, 0, 1, 0, "0198"), {1, 3, 6, 2, 10, 9}},
        {"magazine from [Main]", kCzech, Inputs(0, 0, 0, 35, "0598"), {1, 3, 5, 2, 10, 9}},
        // The two 1997 issues carry the magazine whatever [Main] says.
        {"issue 1197 without the key", kCzech, Inputs(0, 0, 0, 0, "1197"), {1, 3, 5, 2, 10, 9}},
        {"issue 1297 without the key", kCzech, Inputs(0, 0, 0, 0, "1297"), {1, 3, 5, 2, 10, 9}},
        {"issue 1097", kCzech, Inputs(0, 0, 0, 0, "1097"), {1, 3, 2, 10, 9}},
        {"negative counts", kCzech, Inputs(-1, -1, -1, 0, ""), {1, 3, 2, 10, 9}},
    };
    for (const BarCase& c : cases) {
        EXPECT_EQ(PageBarKinds(c.language, c.inputs), c.kinds) << c.what;
    }
}

TEST(PageBar, RomanianBarIsFixed) {
    const Kinds expected = {1, 2, 3, 7, 4, 9};
    EXPECT_EQ(PageBarKinds(kRomanian, Inputs(0, 0, 0, 0, "0199")), expected) << "hotshots without shots";
    EXPECT_EQ(PageBarKinds(kRomanian, Inputs(4, 2, 3, 40, "1297")), expected);
}

// ChangeLanguage leaves the bar alone for these.
TEST(PageBar, LanguagesWithoutTextsHaveNoBar) {
    for (const int language : {4, 5, kLanguageNeverChosen, -1}) {
        EXPECT_TRUE(PageBarKinds(language, Inputs(1, 1, 1, 1, "1297")).empty()) << "language " << language;
    }
}

TEST(PageBar, CaptionsPerLanguageAndKind) {
    // "Od čtenářů" in 1250 on every bar, as the label shows it only under the Central European charset.
    const std::string readers = "Od \xE8ten\xE1\xF8\xF9";
    struct Case {
        int language;
        std::uint8_t kind;
        std::string caption;
    };
    const std::vector<Case> cases = {
        {kEnglish, 1, "Demos"},
        {kEnglish, 2, "Shareware"},
        {kEnglish, 3, "Updates"},
        {kEnglish, 4, "Movies"},
        {kEnglish, 5, "Vyrniste"},
        {kEnglish, 6, readers},
        {kEnglish, 7, "HotShots"},
        {kEnglish, 9, "Installed"},
        {kEnglish, 10, ""},
        {kEnglish, 11, ""},
        {kCzech, 1, "Dema"},
        {kCzech, 6, readers},
        {kCzech, 7, "Obr\xE1zky 0609"},
        {kCzech, 9, "Instalov\xE1no"},
        {kCzech, 10, ""},
        {kTurkish, 1, "Demolar"},
        {kTurkish, 4, "Filmler"},
        {kTurkish, 6, readers},
        {kTurkish, 9, "Kuruldu"},
        {kRomanian, 1, "Demo-uri"},
        {kRomanian, 4, "Filme"},
        {kRomanian, 7, "Hotshots"},
        {kRomanian, 9, "Instalat"},
        {kLanguageNeverChosen, 1, "Dema"},
        {4, 1, ""},
        {4, 5, "Vyrniste"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageCaption(c.language, c.kind), c.caption)
            << "language " << c.language << ", kind " << static_cast<int>(c.kind);
    }
}

// Every button of a full bar has a caption, the custom page's alone excepted.
TEST(PageBar, EveryButtonOfABarButTheCustomPageHasACaption) {
    for (int language = kEnglish; language <= kRomanian; ++language) {
        for (const std::uint8_t kind : PageBarKinds(language, Inputs(1, 1, 1, 1, "0398"))) {
            EXPECT_EQ(PageCaption(language, kind).empty(), kind == PageKind::Custom)
                << "language " << language << ", kind " << static_cast<int>(kind);
        }
    }
}

} // namespace
} // namespace tavox
