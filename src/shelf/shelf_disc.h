#pragma once

// One disc of a shelf as the shelf shows and searches it: its issue, its counts, a picture and every item,
// read straight out of the image (or the disc's folder) without unpacking the disc.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

struct ShelfItem {
    std::uint8_t page = 0; // a PageKind
    int number = 0;        // 1-based, on its page
    std::string name;      // as the menu's list shows it, UTF-8
    std::string list_key;  // ListName as the settings file records it (code-page bytes)
    std::string full_name; // UTF-8
    std::string firm;      // UTF-8
    std::string texts;     // every description the catalogue holds for the item, UTF-8
};

struct ShelfDisc {
    std::string cd_issue; // MMYY, as the catalogue's [Main] CD gives it
    int demos = 0;
    int shareware = 0;
    int updates = 0;
    int readers = 0;
    int hotshots = 0;
    std::string picture; // the first demo's small picture as a BMP or JPEG file; empty when there is none
    std::vector<ShelfItem> items;
};

// An issue's month and year: "1298" is 1998-12, a two-digit year below 95 is in the 2000s ("0100" is
// 2000-01). Nothing for an issue that is not four digits with a month of 1 to 12.
struct IssueDate {
    int year = 0;
    int month = 0;
};
std::optional<IssueDate> ReadIssueDate(std::string_view cd_issue);

// "1998-12".
std::string YearMonthText(const IssueDate& date);

// The page's name in the shelf's lists: "Demos", "Shareware", "Updates", "Readers", "HotShots".
std::string_view ShelfPageName(std::uint8_t page);
// The page that a name stands for, in any case; nothing for other names.
std::optional<std::uint8_t> ShelfPageNamed(std::string_view name);

struct ShelfReading {
    std::optional<ShelfDisc> disc;
    std::string reason; // why the file is not a disc the shelf can show, when there is no disc
};

// Reads the disc at `path`: an image in a shape the menu opens, a directory holding a disc, an archive
// holding one, or one disc of an archive that holds several (named by its path below the archive's).
ShelfReading ReadShelfDisc(const std::filesystem::path& path);

// The discs a shelf's file or folder holds, each as ReadShelfDisc reads it: an archive of several discs
// holds one for each, anything else itself.
std::vector<std::filesystem::path> ShelfDiscPaths(const std::filesystem::path& path);

// A disc as its catalogue's bytes describe it, and the files inside the disc ("TAVOX/RGB/DEMO01.BMP") that
// may hold its picture, best first.
struct CatalogueReading {
    ShelfDisc disc;
    std::vector<std::string> picture_files;
};
std::optional<CatalogueReading> ReadShelfCatalogue(std::string_view catalogue_bytes);

} // namespace tavox
