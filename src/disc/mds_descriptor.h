#pragma once

#include "disc/track_place.h"

#include <cstdint>
#include <span>

namespace tavox {

// Descriptors are small: a few kilobytes for a CD of 99 tracks.
constexpr std::size_t kMaxMdsBytes = 1 << 20;

// True for the bytes of a media descriptor (.mds) of any version.
bool LooksLikeMds(std::span<const std::uint8_t> bytes);

// The data tracks of a version 1 media descriptor, in its image file (.mdf, named in the descriptor).
// Version 2 descriptors are refused with a remedy: their layout is another.
TrackPlaces MdsTracks(std::span<const std::uint8_t> bytes);

} // namespace tavox
