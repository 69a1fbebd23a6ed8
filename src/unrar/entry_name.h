#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox::unrar {

// An entry's name as its header stores it.
struct StoredName {
    std::string bytes;               // the 8-bit name (RAR 5: the UTF-8 name)
    std::optional<std::string> utf8; // the Unicode form, when the header carries one
};

// RAR 1.5-4 name field. With the Unicode flag, the field holds the 8-bit name, a zero byte and the Unicode
// form packed against the 8-bit name; a field without the zero is UTF-8 as a whole.
StoredName ReadRar4Name(std::string_view field, bool unicode_flag);

// The name in UTF-8: the Unicode form when there is one; else, for archives made on Unix, the bytes when
// they are valid UTF-8 (RAR for Unix stores its names so); else the bytes read in the DOS code page.
std::string NameToUtf8(const StoredName& name, unsigned host_os, int dos_code_page);

bool IsValidUtf8(std::string_view bytes);

// The parts of the path under the target directory that a stored name stands for. '\' and '/' both
// separate; a drive letter, leading separators and "." parts are dropped. nullopt when the name climbs out
// with a ".." part or names nothing.
std::optional<std::vector<std::string>> RelativeParts(std::string_view utf8_name);

} // namespace tavox::unrar
