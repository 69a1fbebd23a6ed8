#pragma once

// The program's texts by id. Each language has a block of 100 ids (English n, Czech 100 + n, Turkish 200 + n,
// Romanian 300 + n); callers ask for Language × 100 + n and receive 8-bit text in the block's code page.

#include "base/code_page.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavox {

// Language numbers. 10 stands for "never chosen" until start-up replaces it; 4 and 5 come from editions that
// have no texts of their own.
inline constexpr int kEnglish = 0;
inline constexpr int kCzech = 1;
inline constexpr int kTurkish = 2;
inline constexpr int kRomanian = 3;
inline constexpr int kLanguageNeverChosen = 10;

// The table's entries by their place n in a language's block, named for what the text says or serves.
enum class StringId : int {
    InstalledPage = 1, // the page bar's captions
    DemosPage = 2,
    SharewarePage = 3,
    FilmsPage = 4,
    UpdatesPage = 5,
    SettingsLabel = 7,
    DeleteAllFilesQuestion = 11, // "%1" the directory
    SharewareOnCd = 13,
    InstallDemoQuestion = 14, // "%1" the directory
    CannotCreateDirectory = 15,
    DemoDirectoryCaption = 16,
    WhichVersionQuestion = 26,
    CannotDeleteFile = 27, // "%1" the file, or the file follows the text
    UpdateDirectoryCaption = 29,
    InstallUpdateQuestion = 30,  // "%1" the directory
    InstallProgramQuestion = 31, // "%1" the directory
    ReaderDirectoryCaption = 32,
    InstalledPageNote = 33,
    Installing = 40,
    InstallingInto = 41,
    QuitInstallationQuestion = 50,
    HiColorAdvice = 52,
    SharewareNote = 60,
    UpdatesNote = 61,
    VyrnisteNote = 62,
    HotshotsPage = 81,
};

// The id of `text` in the language's block: Language × 100 + n.
int TextId(int language, StringId text);

// The table's text under `id` as written, in UTF-8; empty when the table lacks the id.
std::string_view StringTableText(int id);

// The code page the block of `id` is written in: 100..199 and 300..399 Central European, 200..299 Turkish,
// anything else Western.
CodePage CodePageOfTextId(int id);

// The text of `id` in its block's code page, empty when the table lacks it. While the language was never
// chosen (10), callers ask for 1000 + n and get the Czech 100 + n.
std::string LoadString(int language, int id);
std::string LoadString(int language, StringId text);

// LoadString with the first "%1" replaced by `argument`, whose bytes are inserted as they are. A text
// without "%1" comes back unchanged.
std::string LoadSpecial(int language, int id, std::string_view argument);
std::string LoadSpecial(int language, StringId text, std::string_view argument);

// The label fonts' character set for the language: 1 English, 238 Czech and Romanian, 162 Turkish. Other
// languages keep `current`.
int FontCharsetOf(int language, int current);

// The slogan picture's resource name, empty for a language that has none.
std::string_view SloganResourceOf(int language);

// Command captions that are not in the table, in the language's code page.
struct FixedCaptions {
    std::string RunButton;
    std::string UnButton;
    std::string ReadmeButton;
    std::string ExitLabel;
};

// The fixed captions of languages 0 to 3; nullopt for any other language, whose captions stay as they were.
std::optional<FixedCaptions> FixedCaptionsOf(int language);

} // namespace tavox
