#pragma once

#include "disc/track_place.h"

#include <string_view>

namespace tavox {

// True for text that reads as a cue sheet: no binary bytes and a FILE line followed by a TRACK line.
bool LooksLikeCueSheet(std::string_view text);

// The MODE1 and MODE2 tracks of a cue sheet, each with its INDEX 01 in its own file (a sheet may name one
// file for the whole disc or one per track); none when the sheet holds only audio or is malformed.
TrackPlaces CueSheetTracks(std::string_view text);

} // namespace tavox
