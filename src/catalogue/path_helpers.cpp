#include "catalogue/path_helpers.h"

#include "base/ascii.h"
#include "catalogue/text_helpers.h"
#include "platform/machine.h"

namespace tavox {

bool DirExists(const FileSystem& files, std::string_view path) {
    if (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    if (path.size() < 4) {
        return false;
    }
    return files.DirectoryExists(path);
}

std::string GetEnv(const Machine& machine, std::string_view name) {
    return machine.EnvironmentVariable(name).value_or(std::string());
}

std::string CommandDir(const FileSystem& files, std::string_view command) {
    std::string result;
    if (command.find(' ') == std::string_view::npos) {
        result = DirectoryPart(command);
    } else {
        const std::string upper = UpperCaseAscii(command);
        for (const std::string_view extension : {".EXE", ".BAT", ".COM"}) {
            const std::size_t at = upper.find(extension);
            if (at == std::string::npos) {
                continue;
            }
            // The command's own letters, not the upper-cased ones: the directory keeps its case.
            const std::string_view program = command.substr(0, at + extension.size());
            if (files.FileExists(program)) {
                result = DirectoryPart(program);
            }
        }
    }
    return result.empty() ? "C:\\" : result;
}

std::string ProfilePath(std::string_view name, std::string_view windows_dir, std::string_view current_dir) {
    if (name.find_first_of("\\:/") == std::string_view::npos) {
        return AddSlash(windows_dir) + std::string(name);
    }
    if (name.size() >= 2 && name[1] == ':') {
        return std::string(name);
    }
    if (name.front() == '\\' || name.front() == '/') {
        return std::string(current_dir.substr(0, 2)) + std::string(name);
    }
    return AddSlash(current_dir) + std::string(name);
}

std::optional<ProfileFile> OpenProfileFile(const FileSystem& files, std::string_view windows_path) {
    const auto host = files.HostPath(windows_path);
    if (!host) {
        return std::nullopt;
    }
    return ProfileFile(*host);
}

} // namespace tavox
