#pragma once

#include <optional>
#include <string>

namespace tavox::unrar {

// The name of the volume after `path`: name.part1.rar -> name.part2.rar (the number keeps its width, and
// grows when it must), or, in the older scheme, name.rar -> name.r00 -> ... -> name.r99 -> name.s00.
std::string NextVolumeName(const std::string& path, bool new_numbering);

// The existing file of that name, matched without regard to case in its directory (discs and copies
// disagree on case); nullopt when there is none.
std::optional<std::string> FindVolume(const std::string& path);

} // namespace tavox::unrar
