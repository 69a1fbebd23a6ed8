#pragma once

// Small text rules of the catalogue. Texts are code-page bytes and are never decoded here.

#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// The path with one trailing "\" added when it lacks one; an empty path stays empty.
std::string AddSlash(std::string_view path);

// Splits a catalogue list. The separator is "," when the text holds a comma anywhere, else ";". Empty fields
// count ("a,,b" has three, "a," has two); an empty text is an empty list.
std::vector<std::string> SplitList(std::string_view text);

// Doubles every lone "&" so a caption shows it instead of underlining the next letter; runs of two or more
// are left as they are.
std::string EscapeAmpersands(std::string_view text);

// The text up to and including the last "\" or ":", empty when there is neither.
std::string DirectoryPart(std::string_view path);

// The directory an uninstall command works on: the directory of its -f"…" argument (or of " -f…", or of the
// first argument), cut exactly as the original program cut it.
std::string UninstallDir(std::string_view command);

// The program of a "program:label;program:label" value: the text before the first ":".
std::string ProgramPart(std::string_view value);

} // namespace tavox
