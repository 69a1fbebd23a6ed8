#include "catalogue/settings_records.h"

#include "catalogue/records.h"
#include "catalogue/text_helpers.h"
#include "platform/profile_file.h"

namespace tavox {

std::string CdSection(std::string_view issue) {
    return "CD" + std::string(issue);
}

void WriteInstalledRecord(ProfileFile& settings, std::string_view issue, const TDemos& item) {
    const std::string section = CdSection(issue);
    settings.WriteString(section, item.ListName, item.InstalledDir);
    settings.WriteString(section, item.ListName + "_",
                         item.Gamename + "," + item.RegUninstall + "," + item.Uninstall);
    if (!item.UnInstallName.empty()) {
        settings.WriteString(section, item.ListName + "__", item.UnInstallName);
    }
}

void DeleteInstalledRecord(ProfileFile& settings, std::string_view section, std::string_view list_name) {
    const std::string name(list_name);
    settings.DeleteKey(section, name);
    settings.DeleteKey(section, name + "_");
    settings.DeleteKey(section, name + "__");
}

std::vector<RecordedItem> ReadRecordedItems(const ProfileFile& settings, std::string_view section) {
    std::vector<RecordedItem> items;
    for (const std::string& key : settings.ReadSection(section)) {
        if (key.empty() || key.back() == '_') {
            continue;
        }
        RecordedItem item;
        item.ListName = key;
        item.InstalledDir = settings.ReadString(section, key, "");
        // An Uninstall list with commas keeps only its part before the first one, as it always has.
        const std::vector<std::string> fields = SplitList(settings.ReadString(section, key + "_", ""));
        std::string* const targets[] = {&item.Gamename, &item.RegUninstall, &item.Uninstall};
        for (std::size_t i = 0; i < fields.size() && i < std::size(targets); ++i) {
            *targets[i] = fields[i];
        }
        item.UnInstallName = settings.ReadString(section, key + "__", "");
        items.push_back(std::move(item));
    }
    return items;
}

} // namespace tavox
