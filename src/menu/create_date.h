#pragma once

#include <string>
#include <string_view>

namespace tavox {

// The release-date text of a catalogue date ("0798", "2Q98", "0098", "?") in a language, in its code page.
std::string CreateDate(std::string_view date, int language);

} // namespace tavox
