#include "platform/drive_map.h"

#include "base/ascii.h"
#include "platform/windows_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace tavox {

namespace fs = std::filesystem;

namespace {

// What is at `path`, through a link (stat) or the link itself (lstat); nothing when nothing is there.
std::optional<struct stat> StatOf(const std::string& path, bool follow_links) {
    struct stat status {};
    const int result = follow_links ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status);
    return result == 0 ? std::optional<struct stat>(status) : std::nullopt;
}

// Appends a name to a host path's string as fs::path's operator/ would, without re-parsing the path for
// every component.
void AppendName(std::string& path, std::string_view name) {
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
}

fs::file_type FileTypeOf(const std::optional<struct stat>& status) {
    if (!status) {
        return fs::file_type::not_found;
    }
    const mode_t mode = status->st_mode;
    if (S_ISREG(mode)) {
        return fs::file_type::regular;
    }
    if (S_ISDIR(mode)) {
        return fs::file_type::directory;
    }
    if (S_ISLNK(mode)) {
        return fs::file_type::symlink;
    }
    if (S_ISCHR(mode)) {
        return fs::file_type::character;
    }
    if (S_ISBLK(mode)) {
        return fs::file_type::block;
    }
    if (S_ISFIFO(mode)) {
        return fs::file_type::fifo;
    }
    if (S_ISSOCK(mode)) {
        return fs::file_type::socket;
    }
    return fs::file_type::unknown;
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

// Where a walk ended: the host path, whether every component exists, and what stat said of the last one
// (links followed) when the walk already had to look.
struct DriveMap::Walk {
    std::string host; // native; made an fs::path once, when the walk ends
    bool exists = true;
    bool status_known = false;
    std::optional<struct stat> status; // of `host`, once known

    const std::optional<struct stat>& Status() {
        if (!status_known) {
            status = StatOf(host, true);
            status_known = true;
        }
        return status;
    }
    void Enter(std::string_view name) {
        AppendName(host, name);
        status_known = false;
    }
    // `own` is lstat's answer for `host`: a link's own status is not its target's, which is taken when asked.
    void Found(const struct stat& own) {
        status_known = !S_ISLNK(own.st_mode);
        status = own;
    }
    // Moves to `path` when something is there as spelled (a link counts, whatever it points to).
    bool MoveToIfPresent(std::string& path) {
        const std::optional<struct stat> own = StatOf(path, false);
        if (!own) {
            return false;
        }
        host = std::move(path);
        Found(*own);
        return true;
    }
    // Enters `name` when something is there as spelled; otherwise stays, and what is known of `host` holds.
    bool EnterIfPresent(std::string_view name) {
        const std::size_t length = host.size();
        AppendName(host, name);
        if (const std::optional<struct stat> own = StatOf(host, false)) {
            Found(*own);
            return true;
        }
        host.resize(length);
        return false;
    }
    // How far the probes below got: the names taken as spelled, and whether the next one is known to miss so.
    struct Probed {
        std::size_t taken = 0;
        bool next_missing = false;
    };
    // Most paths exist as spelled, or all but their last component does, so one or two lstat calls settle
    // them instead of one per component. A prefix that exists as spelled means every shorter one does too
    // (the kernel resolved them to reach it), and the component walk would take each as spelled.
    Probed EnterLongestPresent(const std::vector<std::string>& names) {
        if (names.empty()) {
            return {};
        }
        std::string path = host;
        std::size_t parent_length = 0;
        for (const std::string& name : names) {
            parent_length = path.size();
            AppendName(path, name);
        }
        if (MoveToIfPresent(path)) {
            return {names.size(), false};
        }
        if (names.size() == 1) {
            return {0, true};
        }
        path.resize(parent_length);
        if (MoveToIfPresent(path)) {
            return {names.size() - 1, true};
        }
        return {0, names.size() == 2};
    }
};

// Each component is taken as spelled when it exists so; otherwise the first entry of its directory (in name
// order, so the choice is stable) that equals it without regard to case.
std::optional<DriveMap::Walk> DriveMap::WalkTo(std::string_view windows_path) const {
    std::optional<WindowsPath> parsed = ParseWindowsPath(windows_path);
    if (!parsed) {
        return std::nullopt;
    }
    const Drive* drive = Find(parsed->drive);
    if (!drive) {
        return std::nullopt;
    }
    std::vector<std::string>& names = parsed->components;
    for (std::string& name : names) {
        name = ToUtf8(name, code_page_);
    }
    Walk walk;
    walk.host = drive->root.native();
    const auto [taken, next_missing] = walk.EnterLongestPresent(names);
    bool missing_as_spelled = next_missing;
    for (auto name = names.begin() + static_cast<std::ptrdiff_t>(taken); name != names.end(); ++name) {
        if (!walk.exists) {
            walk.Enter(*name); // nothing below a missing component can exist either
            continue;
        }
        if (!missing_as_spelled && walk.EnterIfPresent(*name)) {
            continue;
        }
        missing_as_spelled = false;
        const std::optional<struct stat>& dir = walk.Status();
        std::optional<std::string> entry;
        if (dir && S_ISDIR(dir->st_mode)) {
            entry = listings_->FindIgnoringCase(walk.host, StampOf(*dir), *name);
        }
        walk.exists = entry.has_value();
        walk.Enter(entry.value_or(*name));
    }
    return walk;
}

std::optional<fs::path> DriveMap::ToHostPath(std::string_view windows_path) const {
    std::optional<Walk> walk = WalkTo(windows_path);
    if (!walk) {
        return std::nullopt;
    }
    return fs::path(std::move(walk->host));
}

std::optional<HostEntry> DriveMap::Locate(std::string_view windows_path) const {
    std::optional<Walk> walk = WalkTo(windows_path);
    if (!walk) {
        return std::nullopt;
    }
    const fs::file_type type = walk->exists ? FileTypeOf(walk->Status()) : fs::file_type::not_found;
    return HostEntry{fs::path(std::move(walk->host)), type};
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
