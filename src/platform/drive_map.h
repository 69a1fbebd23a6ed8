#pragma once

#include "base/code_page.h"
#include "platform/directory_listings.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// Windows drive types, numbered as GetDriveType returns them.
enum class DriveType : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

struct Drive {
    char letter = 'C'; // upper case
    std::filesystem::path root;
    DriveType type = DriveType::Fixed;
};

// A Windows path's host path and what is there (links followed; not_found when nothing is).
struct HostEntry {
    std::filesystem::path path;
    std::filesystem::file_type type = std::filesystem::file_type::not_found;
};

// The machine's drive letters and the host directories behind them, and the translation of Windows paths to
// host paths and back. Existing components are matched without regard to case (discs and catalogues disagree
// on it); components that do not exist yet keep the case given, so they are created that way. Windows names
// are bytes in the machine's code page; host names are UTF-8.
class DriveMap {
public:
    explicit DriveMap(CodePage code_page = CodePage::Windows1252) : code_page_(code_page) {}

    // Adds or replaces a drive.
    void Map(char letter, std::filesystem::path root, DriveType type);
    void Unmap(char letter);
    // Drives in letter order.
    const std::vector<Drive>& Drives() const { return drives_; }
    const Drive* Find(char letter) const;
    // NoRootDir for a letter that is not mapped, as Windows answers.
    DriveType TypeOf(char letter) const;

    CodePage NameCodePage() const { return code_page_; }
    void SetNameCodePage(CodePage code_page) { code_page_ = code_page; }

    // The host path of an absolute Windows path ("D:\DEMOS\X\SETUP.EXE"; "/" is a separator too). Nothing for
    // a relative path, an unmapped drive, or ".." that would climb above the drive's root: such a path does
    // not exist and cannot be written.
    std::optional<std::filesystem::path> ToHostPath(std::string_view windows_path) const;
    // ToHostPath and the type of what is there, found in the same walk (no second look at the path).
    std::optional<HostEntry> Locate(std::string_view windows_path) const;
    // The Windows path of a host path inside a mapped drive (the drive with the longest matching root wins).
    std::optional<std::string> ToWindowsPath(const std::filesystem::path& host_path) const;

private:
    struct Walk;
    std::optional<Walk> WalkTo(std::string_view windows_path) const;

    std::vector<Drive> drives_;
    CodePage code_page_;
    // Names that miss as spelled are looked up again in these; shared by every lookup through this map.
    std::unique_ptr<DirectoryListings> listings_ = std::make_unique<DirectoryListings>();
};

// "cdrom", "floppy", "hd", "network", "ramdisk" as Wine names drive types in its registry.
std::optional<DriveType> DriveTypeFromWineName(std::string_view name);
std::string_view WineNameOfDriveType(DriveType type);

} // namespace tavox
