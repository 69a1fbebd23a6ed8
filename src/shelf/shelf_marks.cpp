#include "shelf/shelf_marks.h"

#include "base/ascii.h"
#include "catalogue/records.h"
#include "catalogue/settings_records.h"
#include "catalogue/text_helpers.h"
#include "platform/machine.h"
#include "platform/profile_file.h"

namespace tavox {

InstalledMarks::InstalledMarks(const ProfileFile& settings, const FileSystem& files) {
    for (const RecordedItem& record : ReadRecordedItems(settings)) {
        if (StillInstalled(files, record)) {
            installed_.emplace(record.Issue, LowerCaseAscii(record.ListName));
        }
    }
}

bool InstalledMarks::Contains(std::string_view cd_issue, std::uint8_t page, std::string_view list_key) const {
    // Only demos and readers' items are recorded; keys are found without regard to case, as the settings
    // file's reads find them.
    return (page == PageKind::Demos || page == PageKind::Readers) &&
           installed_.count({std::string(cd_issue), LowerCaseAscii(list_key)}) != 0;
}

InstalledMarks ReadInstalledMarks(const std::filesystem::path& machine_dir) {
    const Machine machine(machine_dir);
    const auto settings =
        machine.Files().HostPath(AddSlash(machine.WindowsDir()) + std::string(kSettingsFileName));
    if (!settings) {
        return {};
    }
    return InstalledMarks(ProfileFile(*settings), machine.Files());
}

} // namespace tavox
