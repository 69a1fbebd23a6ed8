#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace tavox {

class FileSystem;
class ProfileFile;

// The items that the settings file records as installed and that are still there, read as the Installed
// page reads them; a shelf marks its items by them.
class InstalledMarks {
public:
    InstalledMarks() = default;
    InstalledMarks(const ProfileFile& settings, const FileSystem& files);

    // Whether the item of that issue ("1298") and page (a PageKind) under that list name is installed.
    bool Contains(std::string_view cd_issue, std::uint8_t page, std::string_view list_key) const;

private:
    std::set<std::pair<std::string, std::string>> installed_; // issue, list name in lower case
};

// The marks of the machine at `machine_dir`, from the settings file in its Windows directory.
InstalledMarks ReadInstalledMarks(const std::filesystem::path& machine_dir);

} // namespace tavox
