#pragma once

#include "disc/sector_image.h"

#include <optional>
#include <string>

namespace tavox {

// Disc images of kinds this menu does not read but that people have: compressed (CHD, ECM) or of a layout
// of their own (DiscJuggler). Says what the image is and how to convert it into one the menu reads (for the
// user, without the file's name); nothing for any other file.
std::optional<std::string> ForeignImageRemedy(const ReadAt& read, std::uint64_t size_bytes);

} // namespace tavox
