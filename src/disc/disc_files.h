#pragma once

#include "disc/disc_image.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

// Asked for each plain file of the disc, by its name (UTF-8, "/" between parts, no leading "/") and size.
using WantDiscFile = std::function<bool(std::string_view name, std::uint64_t size_bytes)>;
// Given the whole content of a wanted file; returning false ends the walk.
using TakeDiscFile = std::function<bool(std::string_view name, std::string content)>;

// Reads chosen files out of the image's ISO 9660 file system without unpacking the disc: the files come in
// the order they lie on the disc, and the data of those not wanted is skipped. A wanted file is read only up
// to the disc's size. Returns what kept the walk from ending, for the user; nothing when every file was seen
// or `take` ended it.
std::optional<std::string> ReadDiscFiles(const DiscImage& image, const WantDiscFile& want,
                                         const TakeDiscFile& take);

} // namespace tavox
