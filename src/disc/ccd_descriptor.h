#pragma once

#include "disc/track_place.h"

#include <string_view>

namespace tavox {

// True for text that reads as a clone descriptor (.ccd): it opens with its "[CloneCD]" section.
bool LooksLikeCcd(std::string_view text);

// The data tracks of a clone descriptor, in the raw image of 2352-byte sectors named as the descriptor
// (.img; the subchannel file .sub is not needed). An image whose data tracks were stored scrambled is
// refused with a remedy.
TrackPlaces CcdTracks(std::string_view text);

} // namespace tavox
