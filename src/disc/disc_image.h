#pragma once

#include "base/positional_file.h"
#include "base/result.h"
#include "disc/sector_image.h"
#include "disc/volume_descriptors.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tavox {

// Reads from an image file opened as a volume file; valid while the file lives.
ReadAt FileReader(const PositionalFile& file);

// A disc image whose data track was found and whose volume descriptors were read.
struct DiscImage {
    std::filesystem::path data_file; // the file holding the data track (the .bin of a .cue)
    TrackLayout layout;
    VolumeInfo volume;
    std::uint64_t track_bytes = 0; // user data bytes the file holds from the track's start
    // Reads the data file's bytes where it is no file of its own (a member of an archive, read once from
    // its start); empty: data_file is opened.
    ReadAt source;
};

// Reads the volume descriptors of a data track found at `layout` in a file of `file_bytes` bytes, and where
// the track lies on the disc (`said_first_sector` where a descriptor gives it). `shown` names the image in
// the failure's text, which is for the user.
Result<DiscImage> ReadDataTrack(const std::filesystem::path& shown, const std::filesystem::path& data_file,
                                const ReadAt& read, std::uint64_t file_bytes, TrackLayout layout,
                                std::optional<std::uint32_t> said_first_sector);

// Opens a disc in any shape this program reads: an ISO 9660 image, a raw image of 2352-byte sectors (Mode 1
// or Mode 2 Form 1), or a descriptor naming its tracks: a cue sheet (one file for the disc or one per track),
// a media descriptor (.mds, version 1), a clone descriptor (.ccd) or an image with its track information at
// its end (.nrg). The first data track with a file system is the disc's, wherever it lies on the disc. The
// kind comes from the content, never from the extension. Images of kinds it does not read (CHD, ECM,
// DiscJuggler) are refused with how to convert them (Unsupported).
Result<DiscImage> OpenDiscImage(const std::filesystem::path& path);

} // namespace tavox
