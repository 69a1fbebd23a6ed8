#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

// Where the first data track of a cue sheet lies: in which file, in sectors of which size, from which byte.
struct CueDataTrack {
    std::string file;              // as the sheet names it, relative to the sheet's folder
    std::uint32_t sector_size = 0; // 2048, 2336, 2352 or 2448 as the TRACK line gives it
    std::uint64_t start_byte = 0;  // INDEX 01 of the track, in bytes into the file
};

// True for text that reads as a cue sheet: no binary bytes and a FILE line followed by a TRACK line.
bool LooksLikeCueSheet(std::string_view text);

// The first MODE1 or MODE2 track of a cue sheet; nothing when the sheet holds only audio or is malformed.
std::optional<CueDataTrack> FirstDataTrack(std::string_view text);

} // namespace tavox
