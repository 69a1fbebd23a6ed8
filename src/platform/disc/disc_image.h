#pragma once

#include "platform/disc/sector_image.h"
#include "platform/disc/volume_descriptors.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace tavox {

// An image file opened for reading, closed with the object.
class ImageFile {
public:
    static std::optional<ImageFile> Open(const std::filesystem::path& path);
    ImageFile(ImageFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ImageFile& operator=(ImageFile&&) = delete;
    ImageFile(const ImageFile&) = delete;
    ~ImageFile();

    std::uint64_t Size() const;
    // Reads from this file; valid while the object lives.
    ReadAt Reader() const;

private:
    explicit ImageFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

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
