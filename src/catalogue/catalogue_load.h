#pragma once

#include "base/code_page.h"
#include "catalogue/catalogue_state.h"
#include "platform/profile_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavox {

struct DetectionContext;

enum class LoadOutcome {
    Loaded,
    LoadedWithError,  // loaded, but a value was wrong; the message says which
    CdDirUnreachable, // the menu's directory on the CD cannot be entered: nothing was loaded
    CatalogueMissing, // no TAVOX95.INI: the program ends
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Loaded;
    std::string message;                  // for an error box, when the outcome is not Loaded
    std::string IssueLabel;               // "3-98"
    std::string Title;                    // "TAVOX CD 3-98"
    std::string CdMenuDir;                // CdDrive + "\TAVOX\"
    std::optional<ProfileFile> Catalogue; // the open catalogue, kept for later reads
};

// "3-98" for "0398", "12-97" for "1297", "-" for an empty issue.
std::string IssueLabel(std::string_view cd_issue);

// The code page an edition's texts are in, as the Windows it was made for reads them: Turkish editions
// (Version 2) 1254, the others Central European.
CodePage EditionCodePage(int variant);

// Fills the records and counts from an open catalogue, detecting nothing; `result` gets the issue label,
// the title and the first wrong value. Items' CD paths start with `cd_drive`.
void LoadCatalogueRecords(const ProfileFile& catalogue, std::string_view cd_drive, CatalogueState& state,
                          LoadResult& result);

// Loads the CD's catalogue into the records and counts and detects each demo's and readers' item's state.
// `detection` must have its CdDrive set; the load fills its CdIssue and CurrentDir as it goes.
LoadResult LoadCatalogue(DetectionContext& detection, CatalogueState& state);

} // namespace tavox
