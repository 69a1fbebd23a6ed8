#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// An absolute Windows path taken apart: the drive letter (upper case) and the components below its root,
// with "." and ".." resolved and Windows' trailing dots and blanks dropped from each name.
struct WindowsPath {
    char drive = 'C';
    std::vector<std::string> components;

    std::string ToString() const; // "C:\A\B", or "C:\" for the root
};

// Nothing for a relative or UNC path, a name with a character Windows forbids ("<>:\"|?*" or a control
// character), or ".." above the root.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path);

// Matches a file name against a Windows wildcard pattern ("*" any run, "?" one character; "*.*" matches every
// name, with or without a dot), without regard to ASCII case.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

} // namespace tavox
