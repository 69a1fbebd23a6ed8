#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

class FileSystem;
class ProfileFile;
struct TDemos;

// The user's settings file "tavox.ini": [Main] with the user's choices, and one section "CD" + MMYY per issue
// recording each installed item under three keys named after its list name.
namespace SettingsKey {
inline constexpr std::string_view Main = "Main";
inline constexpr std::string_view Language = "Language";
inline constexpr std::string_view Language2 = "Language2";
inline constexpr std::string_view FullScreen = "FullScreen";
inline constexpr std::string_view LowColorWarning = "LowColorWarning";
} // namespace SettingsKey

inline constexpr std::string_view kSettingsFileName = "tavox.ini";

// "CD" + issue, the section of one CD issue.
std::string CdSection(std::string_view issue);

// Records an installed item: its directory, "Gamename,RegUninstall,Uninstall" under ListName + "_", and its
// uninstall command under ListName + "__" when it has one.
void WriteInstalledRecord(ProfileFile& settings, std::string_view issue, const TDemos& item);
// Forgets an item: all three keys.
void DeleteInstalledRecord(ProfileFile& settings, std::string_view section, std::string_view list_name);

// Brings the records of an older settings file into the current one, keeping both files' records: each key
// of [Main] and each item record (its three keys) that the current file lacks. What the current file holds
// stays as it is, so an item recorded in both keeps its current directory and uninstall fields together.
void MergeSettings(ProfileFile& settings, const ProfileFile& older);

// One item as the settings file records it for an issue.
struct RecordedItem {
    std::string ListName;
    std::string Issue; // MMYY, from its section "CD" + MMYY
    std::string InstalledDir;
    std::string Gamename;
    std::string RegUninstall;
    std::string Uninstall;
    std::string UnInstallName;
};

// The items that the menus of 1998 and later recorded, as the Installed page lists them: every key not
// ending with "_" of every section "CD" + MMYY with a year of 98 or more, sorted by name without regard to
// case, with the keys beside it. A key without its "_" companion is no record.
std::vector<RecordedItem> ReadRecordedItems(const ProfileFile& settings);

// Whether a recorded item is still there: its directory holds its program.
bool StillInstalled(const FileSystem& files, const RecordedItem& record);

} // namespace tavox
