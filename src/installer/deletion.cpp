#include "installer/deletion.h"

#include "base/ascii.h"
#include "base/log.h"
#include "catalogue/text_helpers.h"
#include "platform/file_system.h"
#include "platform/windows_path.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tavox {

namespace {

constexpr std::string_view kProgramFiles = "C:\\PROGRAM FILES";
constexpr std::string_view kSetupMarker = "MsCreate.Dir";

// The one spelling of a directory that the guards compare: "." and ".." resolved, trailing dots and blanks
// dropped, as the drive map resolves it before it touches anything.
std::optional<std::string> Canonical(std::string_view path) {
    const std::optional<WindowsPath> parsed = ParseWindowsPath(path);
    if (!parsed) {
        return std::nullopt;
    }
    return parsed->ToString();
}

std::string CanonicalUpper(std::string_view path) {
    return UpperCaseAscii(Canonical(path).value_or(std::string()));
}

// The protected directories of one walk, worked out once.
class Guards {
public:
    explicit Guards(std::string_view windows_dir) : windows_dir_(CanonicalUpper(windows_dir)) {}

    // `canonical` as Canonical gives it.
    bool Protects(std::string_view canonical) const {
        const std::string upper = UpperCaseAscii(canonical);
        return upper.size() <= 3 || upper == kProgramFiles || upper == windows_dir_;
    }

private:
    std::string windows_dir_;
};

// Whether the last name of the path is a symbolic link (to anything that exists). `canonical` as Canonical
// gives it, so that the name holds no wildcard.
bool IsLink(const FileSystem& files, std::string_view canonical) {
    if (canonical.size() <= 3) {
        return false; // a drive root is the drive, whatever the machine's dosdevices entry is
    }
    const std::vector<FindEntry> entries = files.FindFiles(canonical);
    return std::any_of(entries.begin(), entries.end(), [](const FindEntry& entry) { return entry.is_link; });
}

void EmptyDirectory(const TreeDeletion& deletion, const Guards& guards, const std::string& dir) {
    if (guards.Protects(dir)) {
        return;
    }
    FileSystem& files = deletion.files;
    const std::string base = AddSlash(dir);
    const std::vector<FindEntry> entries = files.FindFiles(base + "*.*");
    for (const FindEntry& entry : entries) {
        if (entry.IsDirectory() && !entry.is_link) {
            continue;
        }
        const std::string path = base + entry.name;
        // A link goes as the link, whatever it points to: deleting it never touches its target.
        const bool gone = entry.is_link ? files.DeleteFile(path).Ok() : RemoveFile(files, path);
        if (!gone && deletion.report_undeletable) {
            deletion.report_undeletable(path);
        }
    }
    for (const FindEntry& entry : entries) {
        if (entry.IsDirectory() && !entry.is_link) {
            if (const std::optional<std::string> child = Canonical(base + entry.name)) {
                EmptyDirectory(deletion, guards, *child);
            }
        }
    }
    // A directory that keeps what could not be deleted stays; each such file was reported above.
    static_cast<void>(files.RemoveDirectory(dir));
}

} // namespace

std::string DirectoryAbove(std::string_view path) {
    if (path.size() > 3 && path.back() == '\\') {
        path.remove_suffix(1);
    }
    const std::size_t cut = path.rfind('\\');
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

bool IsProtectedDirectory(std::string_view dir, std::string_view windows_dir) {
    const std::optional<std::string> canonical = Canonical(dir);
    return !canonical || Guards(windows_dir).Protects(*canonical);
}

bool RemoveFile(FileSystem& files, std::string_view path) {
    if (files.DeleteFile(path)) {
        return true;
    }
    // What is there afterwards decides below, whatever each attempt said.
    const std::optional<std::string> canonical = Canonical(path);
    if (!canonical) {
        return false; // a name Windows cannot have: nothing can reach the file
    }
    // The attributes of a link are its target's; changing them would reach out of the tree.
    if (!IsLink(files, *canonical)) {
        static_cast<void>(files.SetAttributes(*canonical, FileAttribute::Archive));
        if (files.DeleteFile(*canonical)) {
            return true;
        }
    }
    return !files.GetAttributes(*canonical) && !IsLink(files, *canonical);
}

void EmptyTree(const TreeDeletion& deletion, std::string_view dir) {
    const std::optional<std::string> canonical = Canonical(dir);
    const Guards guards(deletion.windows_dir);
    if (!canonical || guards.Protects(*canonical)) {
        return;
    }
    if (IsLink(deletion.files, *canonical)) {
        LogFailure(LogLevel::Warning, "uninstall", deletion.files.DeleteFile(*canonical));
        return;
    }
    EmptyDirectory(deletion, guards, *canonical);
}

void DeleteEmptyBranch(FileSystem& files, std::string_view dir) {
    // Climbing the canonical path keeps ".." from leading the walk anywhere but up.
    std::string path = Canonical(dir).value_or(std::string());
    while (path.size() > 3) {
        if (!IsLink(files, path)) {
            const std::string marker = AddSlash(path) + std::string(kSetupMarker);
            if (files.FileExists(marker)) {
                // The branch is only cleared as far as it is empty: a marker or directory that stays ends
                // nothing, and the climb goes on to the next one up.
                if (!IsLink(files, marker)) {
                    static_cast<void>(files.SetAttributes(marker, FileAttribute::Archive));
                }
                static_cast<void>(files.DeleteFile(marker));
            }
            static_cast<void>(files.RemoveDirectory(path));
        }
        path = DirectoryAbove(path);
    }
}

void RemoveTree(const TreeDeletion& deletion, std::string_view dir) {
    const std::string path = AddSlash(dir);
    EmptyTree(deletion, path);
    DeleteEmptyBranch(deletion.files, path);
}

} // namespace tavox
