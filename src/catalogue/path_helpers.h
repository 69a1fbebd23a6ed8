#pragma once

#include "platform/profile_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavox {

class FileSystem;
class Machine;

// Whether the directory exists. A drive root ("C:\", "C:") never counts, as the menu has always treated it.
bool DirExists(const FileSystem& files, std::string_view path);

// The machine's environment variable, empty when it is not set.
std::string GetEnv(const Machine& machine, std::string_view name);

// The working directory for a command line: the directory of the program it names (of the last of ".EXE",
// ".BAT", ".COM" whose text up to there is an existing file, when it has arguments), else "C:\".
std::string CommandDir(const FileSystem& files, std::string_view command);

// A Windows path for a file name as the profile functions take it: a bare name lives in the Windows
// directory; a relative path is taken from the current directory.
std::string ProfilePath(std::string_view name, std::string_view windows_dir, std::string_view current_dir);

// The profile file at a Windows path; nothing when the path lies outside every drive.
std::optional<ProfileFile> OpenProfileFile(const FileSystem& files, std::string_view windows_path);

} // namespace tavox
