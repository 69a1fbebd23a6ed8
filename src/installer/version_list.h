#pragma once

// The Gamename value of a catalogue item: one program ("GAME.EXE") or a list of versions
// ("G95.EXE:Windows 95;GNT.EXE:Windows NT"), each file relative to the item's installed directory.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// A value with a colon is a version list.
bool IsVersionList(std::string_view gamename);

// The button captions: for every colon in order, the text after it up to the next semicolon or the end. A
// colon at the very end gives an empty caption.
std::vector<std::string> VersionLabels(std::string_view gamename);

// The file of the k-th version (1-based): the text before the first colon for the first, otherwise the text
// after the (k-1)-th semicolon up to the next colon or the end. Nothing for k below 1 or when the value has
// too few semicolons.
std::optional<std::string> VersionFile(std::string_view gamename, int k);

} // namespace tavox
