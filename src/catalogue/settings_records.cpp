#include "catalogue/settings_records.h"

#include "base/ascii.h"
#include "base/code_page.h"
#include "catalogue/records.h"
#include "catalogue/text_helpers.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"

#include <algorithm>

namespace tavox {

namespace {

// Issue sections of 1998 and later: "CD" + MMYY whose year digits read 98 or more.
bool IsShownIssueSection(const std::string& section) {
    if (EqualsIgnoringCase(section, "Main")) {
        return false;
    }
    const std::string year = section.size() >= 6 ? section.substr(4, 2) : std::string();
    int value = 0;
    for (const char c : year) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return year.size() == 2 && value >= 98;
}

} // namespace

std::string CdSection(std::string_view issue) {
    return "CD" + std::string(issue);
}

void WriteInstalledRecord(ProfileFile& settings, std::string_view issue, const TDemos& item) {
    const std::string section = CdSection(issue);
    // The settings file logs a key it could not write; the others are still worth writing.
    static_cast<void>(settings.WriteString(section, item.ListName, item.InstalledDir));
    static_cast<void>(settings.WriteString(section, item.ListName + "_",
                                           item.Gamename + "," + item.RegUninstall + "," + item.Uninstall));
    if (!item.UnInstallName.empty()) {
        static_cast<void>(settings.WriteString(section, item.ListName + "__", item.UnInstallName));
    }
}

void DeleteInstalledRecord(ProfileFile& settings, std::string_view section, std::string_view list_name) {
    const std::string name(list_name);
    // As above: each key on its own, a failure logged by the settings file.
    static_cast<void>(settings.DeleteKey(section, name));
    static_cast<void>(settings.DeleteKey(section, name + "_"));
    static_cast<void>(settings.DeleteKey(section, name + "__"));
}

void MergeSettings(ProfileFile& settings, const ProfileFile& older) {
    for (const std::string& section : older.ReadSections()) {
        // Decided on the current file as it was, so that a record taken over comes with all its keys.
        std::vector<std::string> missing;
        for (const std::string& key : older.ReadSection(section)) {
            // The item a key belongs to is its name without the "_" or "__" of the companion keys.
            std::string name = key;
            while (!name.empty() && name.back() == '_' && !EqualsIgnoringCase(section, SettingsKey::Main)) {
                name.pop_back();
            }
            if (!settings.ValueExists(section, key) && !settings.ValueExists(section, name) &&
                !settings.ValueExists(section, name + "_")) {
                missing.push_back(key);
            }
        }
        for (const std::string& key : missing) {
            // A key not taken over is logged by the settings file; the older copy still holds it.
            static_cast<void>(settings.WriteString(section, key, older.ReadString(section, key, "")));
        }
    }
}

std::vector<RecordedItem> ReadRecordedItems(const ProfileFile& settings) {
    std::vector<std::string> candidates;
    for (const std::string& section : settings.ReadSections()) {
        if (!IsShownIssueSection(section)) {
            continue;
        }
        for (const std::string& key : settings.ReadSection(section)) {
            if (!key.empty() && key.back() != '_') {
                candidates.push_back(key + ";" + section);
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), LessIgnoringAsciiCase);

    std::vector<RecordedItem> items;
    for (const std::string& candidate : candidates) {
        // Split as one list, so a name holding a comma splits at it, as the menus always read it.
        const std::vector<std::string> parts = SplitList(candidate);
        RecordedItem item;
        item.ListName = parts.empty() ? std::string() : parts[0];
        const std::string section_name = parts.size() > 1 ? parts[1] : std::string();
        item.Issue = section_name.size() > 2 ? section_name.substr(2, 4) : std::string();
        const std::string section = CdSection(item.Issue);
        item.InstalledDir = settings.ReadString(section, item.ListName, "");
        // An Uninstall list with commas keeps only its part before the first one, as it always has.
        const std::vector<std::string> fields =
            SplitList(settings.ReadString(section, item.ListName + "_", ""));
        if (fields.empty()) {
            continue;
        }
        item.Gamename = fields[0];
        item.RegUninstall = fields.size() > 1 ? fields[1] : std::string();
        item.Uninstall = fields.size() > 2 ? fields[2] : std::string();
        item.UnInstallName = settings.ReadString(section, item.ListName + "__", "");
        items.push_back(std::move(item));
    }
    return items;
}

bool StillInstalled(const FileSystem& files, const RecordedItem& record) {
    return !record.InstalledDir.empty() &&
           files.FileExists(record.InstalledDir + "\\" + ProgramPart(record.Gamename));
}

} // namespace tavox
