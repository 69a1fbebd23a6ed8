#include "installer/make_path.h"

#include "base/log.h"
#include "platform/file_system.h"
#include "platform/windows_path.h"

#include <optional>
#include <string>
#include <vector>

namespace tavox {

bool MakePath(FileSystem& files, std::string_view path) {
    // Parsed rather than cut at each backslash, so that "." and ".." never create a directory that the
    // finished path does not contain.
    const std::optional<WindowsPath> parsed = ParseWindowsPath(path);
    if (!parsed) {
        return false;
    }
    WindowsPath prefix{parsed->drive, {}};
    if (!files.DirectoryExists(prefix.ToString())) {
        return false; // an unmapped drive, or one whose directory is gone
    }
    std::vector<std::string> created;
    for (const std::string& name : parsed->components) {
        prefix.components.push_back(name);
        const std::string directory = prefix.ToString();
        if (files.DirectoryExists(directory)) {
            continue;
        }
        if (!files.CreateDirectory(directory)) {
            for (auto it = created.rbegin(); it != created.rend(); ++it) {
                LogFailure(LogLevel::Warning, "install", files.RemoveDirectory(*it));
            }
            return false;
        }
        created.push_back(directory);
    }
    return true;
}

} // namespace tavox
