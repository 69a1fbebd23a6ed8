#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

class FileSystem;

// Splits Windows argument text as the Microsoft C runtime does for argv[1] onwards: blanks and tabs separate
// arguments; "..." groups blanks into one argument and may sit inside one (a"b c"d is "ab cd"); inside quotes
// "" is one literal quote; 2n backslashes before a quote give n backslashes and the quote delimits, 2n+1 give
// n backslashes and a literal quote; other backslashes are literal. An unclosed quote runs to the end.
std::vector<std::string> SplitArguments(std::string_view command_line);

// Splits host command text (as given to --runner or --opener) as a POSIX shell splits words, without any
// expansion: blanks separate, '...' is literal, "..." allows \" \\ \$ \`, and a backslash outside quotes
// takes the next character as it is.
std::vector<std::string> SplitHostCommand(std::string_view command);

// A command line taken apart into its program and the argument text after it (leading blanks dropped).
struct CommandParts {
    std::string program;
    std::string arguments;
};

// The first word of a command line without looking at any file: the quoted text when it starts with a quote,
// else everything up to the first blank.
CommandParts SplitProgramWord(std::string_view command_line);

// Finds the program of a command line as CreateProcess does when given only a command line. A quoted first
// word is the program. Otherwise the blank-separated prefixes are tried from the shortest to the longest
// ("C:\Program Files\A B\X.EXE" tries "C:\Program.exe", then "C:\Program Files\A.exe", then the whole), so an
// unquoted path with blanks still finds its program. ".exe" is appended to a name without an extension. A
// name without a drive is looked for in each of `search_dirs` in order (the working directory, the system
// directory, the Windows directory); one starting with "\" is on the drive of the first of them. The result
// names the program by the Windows path where it was found; nothing when no candidate is an existing file.
std::optional<CommandParts> ResolveCommand(const FileSystem& files, std::string_view command_line,
                                           std::span<const std::string> search_dirs);

} // namespace tavox
