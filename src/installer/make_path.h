#pragma once

#include <string_view>

namespace tavox {

class FileSystem;

// Creates a directory together with every missing directory above it. True when the directory exists at
// the end (it may have existed before). When the last one cannot be created, the directories made on the way
// are removed again, newest first, so a failed attempt leaves nothing behind. A relative path, a name Windows
// forbids, or a path outside every mapped drive is refused.
bool MakePath(FileSystem& files, std::string_view path);

} // namespace tavox
