#pragma once

#include "platform/disc/sector_image.h"
#include "platform/disc/volume_descriptors.h"
#include "platform/unrar/volume_file.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tavox {

// Reads from an image file opened as a volume file; valid while the file lives.
ReadAt FileReader(const unrar::VolumeFile& file);

// A disc image whose data track was found and whose volume descriptors were read.
struct DiscImage {
    std::filesystem::path data_file; // the file holding the data track (the .bin of a .cue)
    TrackLayout layout;
    VolumeInfo volume;
    std::uint64_t track_bytes = 0; // user data bytes the file holds from the track's start
};

struct DiscImageResult {
    std::optional<DiscImage> image;
    std::string error; // for the user, naming the file, when there is no image
};

// Opens an ISO 9660 image, a raw image of 2352-byte sectors (Mode 1 or Mode 2 Form 1) or a cue sheet naming
// one (its first data track). The kind comes from the content, never from the extension.
DiscImageResult OpenDiscImage(const std::filesystem::path& path);

} // namespace tavox
