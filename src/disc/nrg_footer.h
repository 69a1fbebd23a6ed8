#pragma once

#include "disc/sector_image.h"
#include "disc/track_place.h"

namespace tavox {

// The tracks of an image whose chunks of track information follow the sectors, found through the footer in
// its last 8 ("NERO", 32-bit offsets) or 12 bytes ("NER5", 64-bit offsets). Disc-at-once chunks ("DAOI",
// "DAOX") and track-at-once chunks ("ETNF", "ETN2") are read; the cue chunk ("CUES", "CUEX") gives the
// tracks' addresses. `size_bytes` is the image file's size.
TrackPlaces NrgTracks(const ReadAt& read, std::uint64_t size_bytes);

} // namespace tavox
