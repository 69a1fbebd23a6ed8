#include "platform/drive_map.h"

#include "platform/ascii.h"
#include "platform/windows_path.h"

#include <algorithm>
#include <system_error>

namespace tavox {

namespace fs = std::filesystem;

namespace {

// The entry of `dir` that `name` names: itself when it exists as spelled, else the first entry (in name
// order, so the choice is stable) that equals it without regard to case.
std::optional<std::string> FindEntry(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::symlink_status(dir / name, ec).type() != fs::file_type::not_found && !ec) {
        return name;
    }
    std::optional<std::string> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualsIgnoringCase(entry, name) && (!found || entry < *found)) {
            found = std::move(entry);
        }
    }
    return found;
}

// Whether `path` lies inside `root` (both absolute and lexically normal); the rest of it goes to `relative`.
bool IsInside(const fs::path& path, const fs::path& root, fs::path& relative) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) {
            continue; // a trailing separator of the root
        }
        if (p == path.end() || *p != *r) {
            return false;
        }
    }
    relative.clear();
    for (; p != path.end(); ++p) {
        if (!p->empty()) {
            relative /= *p;
        }
    }
    return true;
}

} // namespace

void DriveMap::Map(char letter, fs::path root, DriveType type) {
    letter = ToUpperAscii(letter);
    Unmap(letter);
    Drive drive{letter, std::move(root), type};
    auto at = std::lower_bound(drives_.begin(), drives_.end(), letter,
                               [](const Drive& d, char l) { return d.letter < l; });
    drives_.insert(at, std::move(drive));
}

void DriveMap::Unmap(char letter) {
    letter = ToUpperAscii(letter);
    std::erase_if(drives_, [letter](const Drive& d) { return d.letter == letter; });
}

const Drive* DriveMap::Find(char letter) const {
    letter = ToUpperAscii(letter);
    auto it =
        std::find_if(drives_.begin(), drives_.end(), [letter](const Drive& d) { return d.letter == letter; });
    return it == drives_.end() ? nullptr : &*it;
}

DriveType DriveMap::TypeOf(char letter) const {
    const Drive* drive = Find(letter);
    return drive ? drive->type : DriveType::NoRootDir;
}

std::optional<fs::path> DriveMap::ToHostPath(std::string_view windows_path) const {
    const std::optional<WindowsPath> parsed = ParseWindowsPath(windows_path);
    if (!parsed) {
        return std::nullopt;
    }
    const Drive* drive = Find(parsed->drive);
    if (!drive) {
        return std::nullopt;
    }
    fs::path host = drive->root;
    bool parent_exists = true;
    for (const std::string& component : parsed->components) {
        const std::string name = ToUtf8(component, code_page_);
        if (parent_exists) {
            if (const std::optional<std::string> entry = FindEntry(host, name)) {
                host /= *entry;
                continue;
            }
            parent_exists = false; // nothing below a missing component can exist either
        }
        host /= name;
    }
    return host;
}

std::optional<std::string> DriveMap::ToWindowsPath(const fs::path& host_path) const {
    std::error_code ec;
    const fs::path plain = fs::absolute(host_path, ec).lexically_normal();
    if (ec) {
        return std::nullopt;
    }
    const fs::path canonical = fs::weakly_canonical(plain, ec);
    const Drive* best = nullptr;
    fs::path best_relative;
    std::size_t best_length = 0;
    for (const Drive& drive : drives_) {
        const fs::path roots[] = {fs::absolute(drive.root, ec).lexically_normal(),
                                  fs::weakly_canonical(drive.root, ec)};
        for (const fs::path& root : roots) {
            for (const fs::path& candidate : {plain, canonical}) {
                fs::path relative;
                const std::size_t length = root.native().size();
                if (!root.empty() && IsInside(candidate, root, relative) && (!best || length > best_length)) {
                    best = &drive;
                    best_relative = relative;
                    best_length = length;
                }
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    std::string result{best->letter, ':', '\\'};
    bool first = true;
    for (const fs::path& part : best_relative) {
        if (!first) {
            result += '\\';
        }
        result += FromUtf8(part.string(), code_page_);
        first = false;
    }
    return result;
}

std::optional<DriveType> DriveTypeFromWineName(std::string_view name) {
    struct Entry {
        std::string_view name;
        DriveType type;
    };
    static constexpr Entry kTypes[] = {{"cdrom", DriveType::CdRom},
                                       {"floppy", DriveType::Removable},
                                       {"hd", DriveType::Fixed},
                                       {"network", DriveType::Remote},
                                       {"ramdisk", DriveType::RamDisk}};
    for (const Entry& entry : kTypes) {
        if (EqualsIgnoringCase(entry.name, name)) {
            return entry.type;
        }
    }
    return std::nullopt;
}

std::string_view WineNameOfDriveType(DriveType type) {
    switch (type) {
    case DriveType::CdRom:
        return "cdrom";
    case DriveType::Removable:
        return "floppy";
    case DriveType::Remote:
        return "network";
    case DriveType::RamDisk:
        return "ramdisk";
    default:
        return "hd";
    }
}

} // namespace tavox
