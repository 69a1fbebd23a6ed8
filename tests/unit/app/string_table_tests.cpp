#include "app/string_table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavox {
namespace {

// Every text that the menu's screens, dialogs and flows look up.
const std::vector<StringId> kIdsInUse = {
    StringId::InstalledPage,
    StringId::DemosPage,
    StringId::SharewarePage,
    StringId::FilmsPage,
    StringId::UpdatesPage,
    StringId::SettingsLabel,
    StringId::DeleteAllFilesQuestion,
    StringId::SharewareOnCd,
    StringId::InstallDemoQuestion,
    StringId::CannotCreateDirectory,
    StringId::DemoDirectoryCaption,
    StringId::WhichVersionQuestion,
    StringId::CannotDeleteFile,
    StringId::UpdateDirectoryCaption,
    StringId::InstallUpdateQuestion,
    StringId::InstallProgramQuestion,
    StringId::ReaderDirectoryCaption,
    StringId::InstalledPageNote,
    StringId::Installing,
    StringId::InstallingInto,
    StringId::QuitInstallationQuestion,
    StringId::HiColorAdvice,
    StringId::SharewareNote,
    StringId::UpdatesNote,
    StringId::VyrnisteNote,
    StringId::HotshotsPage,
};

TEST(StringTable, EveryIdInUseHasATextInEveryLanguage) {
    for (int language = kEnglish; language <= kRomanian; ++language) {
        for (const StringId text : kIdsInUse) {
            const int id = TextId(language, text);
            if (language == kRomanian && text == StringId::VyrnisteNote) {
                // The Romanian block has no disk-magazine text; its edition never carried the magazine.
                EXPECT_EQ(LoadString(language, text), "");
                continue;
            }
            EXPECT_FALSE(LoadString(language, text).empty()) << "id " << id;
        }
    }
}

// A character its code page lacks would come out as '?', and the label would show it.
TEST(StringTable, EveryTextSurvivesTheConversionToItsCodePage) {
    for (int language = kEnglish; language <= kRomanian; ++language) {
        for (const StringId text : kIdsInUse) {
            const int id = TextId(language, text);
            const std::string bytes = LoadString(language, id);
            EXPECT_EQ(ToUtf8(bytes, CodePageOfTextId(id)), StringTableText(id)) << "id " << id;
        }
    }
}

TEST(StringTable, TextsHaveTheirExactBytes) {
    struct Case {
        int language;
        int id;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {kEnglish, 7, "Settings"},
        {kEnglish, 13, "All files are stored  in directory \\SHAREWARE"},
        {kEnglish, 15, "Can''t create directory!"},
        {kEnglish, 27, "Can''t delete file %1!"},
        {kEnglish, 61,
         "Updates are programs, made by game developers, which corrects \"bugs\" or adds some new features. "
         "Before updating, we recommend you to back-up the original installation."},
        {kCzech, 101, "Instalov\xE1no"},
        {kCzech, 107, "Nastaven\xED"},
        {kCzech, 115, "Nemohu vytvo\xF8it adres\xE1\xF8!"},
        {kCzech, 152,
         "Na\x9A"
         "e menu je optimalizov\xE1no pro hi-color (16bit grafika a v\xFD\x9A). Doporu\xE8ujeme v\xE1m, "
         "abyste si ho nastavili..."},
        {kCzech, 160,
         "Shareware jsou voln\xEC \x9Ai\xF8iteln\xE9 programy, kter\xE9 si ale po ur\xE8it\xE9 dob\xEC "
         "pou\x9E\xEDv\xE1n\xED mus\xEDte zakoupit.                  Tentokr\xE1t ji\x9E naposled bez "
         "mo\x9Enosti uninstalace...!!!"},
        {kCzech, 162,
         "Vyrniste je nejstar\x9A\xED \xE8"
         "esk\xFD \"diskmag\", nyn\xED vych\xE1zej\xED"
         "c\xED na TAVOX CD. Ur\xE8it\xEC se p\xF8i jeho \xE8ten\xED "
         "dob\xF8"
         "e pobav\xEDte."},
        {kCzech, 181, "Obr\xE1zky 0609"},
        {kTurkish, 211, "%1 'in i\xE7indeki b\xFCt\xFCn dosyalar\xFD silmek mi istiyorsunuz?"},
        {kTurkish, 215, "Dizin Olu\xFEturulam\xFDyor!"},
        {kTurkish, 216, "Dizin Se\xE7imi"},
        {kTurkish, 227, "Dosya silinemiyor: "},
        {kTurkish, 250,
         "Kurulumdan ger\xE7"
         "ekten \xE7\xFDkmak istiyor musunuz?"},
        {kTurkish, 262, "Vyrniste is czech \"diskmag\"..."},
        {kRomanian, 307, "Set\xE3ri"},
        {kRomanian, 311, "Dori\xFEi s\xE3 \xBAterge\xFEi toate fi\xBAierele din %1 ?"},
        {kRomanian, 333,
         "\xCEn aceast\xE3 fereastr\xE3 pute\xFEi dezinstala toate jocurile instalate de la num\xE3rul 1/98 "
         "\xEEncoace!"},
        {kRomanian, 340, "Instaleaz\xE3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadString(c.language, c.id), c.bytes) << "id " << c.id;
    }
}

// Callers always pass Language × 100 + n, so before the first choice they ask for 10xx.
TEST(StringTable, NeverChosenLanguageReadsTheCzechBlock) {
    EXPECT_EQ(LoadString(kLanguageNeverChosen, 1007), "Nastaven\xED");
    EXPECT_EQ(LoadString(kLanguageNeverChosen, 1001), LoadString(kCzech, 101));
    EXPECT_EQ(LoadString(kLanguageNeverChosen, 7), "");
    // Only language 10 shifts the id.
    EXPECT_EQ(LoadString(kEnglish, 1007), "");
    EXPECT_EQ(LoadString(4, 407), "");
}

// The named texts land on Language × 100 + n, the never-chosen language's on the Czech block as well.
TEST(StringTable, NamedTextsComeFromTheLanguagesBlock) {
    EXPECT_EQ(TextId(kRomanian, StringId::HotshotsPage), 381);
    EXPECT_EQ(LoadString(kTurkish, StringId::CannotCreateDirectory), "Dizin Olu\xFEturulam\xFDyor!");
    EXPECT_EQ(LoadString(kLanguageNeverChosen, StringId::SettingsLabel), "Nastaven\xED");
    EXPECT_EQ(LoadSpecial(kRomanian, StringId::DeleteAllFilesQuestion, "C:\\X"),
              "Dori\xFEi s\xE3 \xBAterge\xFEi toate fi\xBAierele din C:\\X ?");
    EXPECT_EQ(LoadSpecial(kLanguageNeverChosen, StringId::InstallDemoQuestion, "C:\\X"),
              LoadSpecial(kCzech, StringId::InstallDemoQuestion, "C:\\X"));
}

TEST(StringTable, IdsTheTableLacksAreEmpty) {
    for (const int id : {0, 6, 8, 12, 99, 100, 106, 182, 206, 362, 400, 401, 507, 1007, -1, -893}) {
        EXPECT_EQ(LoadString(kEnglish, id), "") << "id " << id;
        EXPECT_EQ(StringTableText(id), "") << "id " << id;
    }
}

// The bytes follow the block the id is in, whatever the current language.
TEST(StringTable, CodePageFollowsTheBlockOfTheId) {
    EXPECT_EQ(LoadString(kEnglish, 215), "Dizin Olu\xFEturulam\xFDyor!");
    EXPECT_EQ(LoadString(kTurkish, 101), "Instalov\xE1no");
    EXPECT_EQ(LoadString(kCzech, 307), "Set\xE3ri");

    struct Case {
        int id;
        CodePage code_page;
    };
    const std::vector<Case> cases = {
        {0, CodePage::Windows1252},   {99, CodePage::Windows1252},  {100, CodePage::Windows1250},
        {199, CodePage::Windows1250}, {200, CodePage::Windows1254}, {299, CodePage::Windows1254},
        {300, CodePage::Windows1250}, {399, CodePage::Windows1250}, {400, CodePage::Windows1252},
        {-1, CodePage::Windows1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodePageOfTextId(c.id), c.code_page) << "id " << c.id;
    }
}

TEST(StringTable, LoadSpecialPutsTheArgumentInPlaceOfTheFirstPercentOne) {
    struct Case {
        int language;
        int id;
        std::string argument;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // The blank before the question mark stays.
        {kEnglish, 14, "C:\\GAMES\\QUAKE", "Would you like to install this demo in C:\\GAMES\\QUAKE ?"},
        {kEnglish, 27, "C:\\X\\A.EXE", "Can''t delete file C:\\X\\A.EXE!"},
        // The argument's bytes go in as they are, not converted.
        {kCzech, 111, "C:\\\xC8TEN\xC1\xD8I",
         "P\xF8"
         "ejete si odstranit v\x9A"
         "echny soubory z C:\\\xC8TEN\xC1\xD8I ?"},
        {kTurkish, 211, "C:\\OYUN",
         "C:\\OYUN 'in i\xE7indeki b\xFCt\xFCn dosyalar\xFD silmek mi istiyorsunuz?"},
        {kTurkish, 230, "C:\\Q", "Bu Update'in C:\\Q'e kurulmas\xFDn\xFD ister misiniz ?"},
        {kLanguageNeverChosen, 1014, "C:\\D",
         "P\xF8"
         "ejete si toho demo nainstalovat do C:\\D ?"},
        // Without "%1" the text comes back unchanged.
        {kTurkish, 227, "C:\\X\\A.EXE", "Dosya silinemiyor: "},
        // Only one replacement: a "%1" the argument brings is not substituted again.
        {kEnglish, 14, "%1%1", "Would you like to install this demo in %1%1 ?"},
        {kEnglish, 14, "", "Would you like to install this demo in  ?"},
        {kEnglish, 6, "C:\\X", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadSpecial(c.language, c.id, c.argument), c.expected) << "id " << c.id;
    }
}

TEST(StringTable, FontCharsetPerLanguage) {
    struct Case {
        int language;
        int current;
        int expected;
    };
    const std::vector<Case> cases = {
        {kEnglish, 238, 1}, {kCzech, 1, 238}, {kTurkish, 238, 162},         {kRomanian, 162, 238},
        {4, 162, 162},      {5, 238, 238},    {kLanguageNeverChosen, 1, 1}, {-1, 238, 238},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FontCharsetOf(c.language, c.current), c.expected) << "language " << c.language;
    }
}

TEST(StringTable, SloganResourcePerLanguage) {
    EXPECT_EQ(SloganResourceOf(kEnglish), "SLOGAN_E");
    EXPECT_EQ(SloganResourceOf(kCzech), "SLOGAN_C");
    EXPECT_EQ(SloganResourceOf(kTurkish), "SLOGAN_T");
    EXPECT_EQ(SloganResourceOf(kRomanian), "SLOGAN_R");
    EXPECT_EQ(SloganResourceOf(4), "");
    EXPECT_EQ(SloganResourceOf(kLanguageNeverChosen), "");
}

TEST(StringTable, FixedCaptionsAreInTheLanguagesCodePage) {
    struct Case {
        int language;
        FixedCaptions captions;
    };
    const std::vector<Case> cases = {
        {kEnglish, {"Run", "Uninstall", "Readme", "Exit"}},
        {kCzech,
         {"Spus\x9D", "Odinstaluj",
          "P\xF8"
          "e\xE8ti si",
          "Exit"}},
        {kTurkish,
         {"\xC7"
          "al\xFD\xFEt\xFDr",
          "Kald\xFDr", "Bilgi", "\xC7\xFDk\xFD\xFE"}},
        {kRomanian, {"Run", "Dezinstaleaza", "Citeste-ma", "Exit"}},
    };
    for (const Case& c : cases) {
        const std::optional<FixedCaptions> captions = FixedCaptionsOf(c.language);
        ASSERT_TRUE(captions.has_value()) << "language " << c.language;
        EXPECT_EQ(captions->RunButton, c.captions.RunButton) << "language " << c.language;
        EXPECT_EQ(captions->UnButton, c.captions.UnButton) << "language " << c.language;
        EXPECT_EQ(captions->ReadmeButton, c.captions.ReadmeButton) << "language " << c.language;
        EXPECT_EQ(captions->ExitLabel, c.captions.ExitLabel) << "language " << c.language;
    }
}

// Editions 4 and 5 and the unchosen language keep whatever captions the buttons had.
TEST(StringTable, LanguagesWithoutTextsHaveNoFixedCaptions) {
    for (const int language : {4, 5, kLanguageNeverChosen, -1}) {
        EXPECT_FALSE(FixedCaptionsOf(language).has_value()) << "language " << language;
    }
}

} // namespace
} // namespace tavox
