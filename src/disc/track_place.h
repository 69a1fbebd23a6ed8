#pragma once

#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// Where a descriptor (a cue sheet, an .mds, an .nrg's footer, a .ccd) puts one of the disc's tracks that may
// hold data: every format comes down to a file, the byte the track starts at, and how its sectors are
// framed.
struct TrackPlace {
    // The file holding the track, relative to the descriptor's folder; empty for the descriptor's own file,
    // "*.ext" for the file named as the descriptor with another extension.
    std::string file;
    std::uint64_t start_byte = 0;
    std::uint32_t sector_size = 0;             // as the descriptor gives it; 0 leaves it to the content
    std::optional<std::uint32_t> first_sector; // the track's address on the disc, where the descriptor says
};

// A CD holds at most 99 tracks; a descriptor that claims more is damaged or hostile.
constexpr std::size_t kMaxTracks = 99;

// What a descriptor says: its tracks in disc order, or what is wrong with it (for the user, without the
// file's name). Neither: the bytes are not this kind of descriptor.
struct TrackPlaces {
    std::vector<TrackPlace> tracks;
    std::string problem;
};

// The file a descriptor names, found in the descriptor's folder in any case of its letters. Fails NotFound
// when it is missing, Denied when the name is absolute or leaves the folder; the text is for the user,
// naming the name.
Result<std::filesystem::path> FindNamedFile(const std::filesystem::path& descriptor, std::string_view name);

// The path, relative to the descriptor's folder, of a file it names; nothing for a name that is absolute
// or leaves the folder.
std::optional<std::filesystem::path> NamedRelativePath(const std::filesystem::path& descriptor,
                                                       std::string_view name);
// What is wrong with a descriptor that names a file outside its folder, or one that is missing.
std::string OutsideFolder(std::string_view name);
std::string MissingFile(std::string_view name);

} // namespace tavox
