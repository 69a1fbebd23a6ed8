#pragma once

// Discs inside archives (7-Zip, ZIP, RAR): a disc image of any shape the menu reads, or a disc's folder tree
// (its TAVOX/TAVOX95.INI at some depth). An image is read straight out of its member in one pass wherever
// its shape allows (the volume descriptors from the member's first bytes, then the file system as it
// streams by); shapes whose track information lies at their end go through a scratch copy that is always
// removed. Nothing of an archive within the archive is followed.

#include "disc/disc_cache.h"
#include "disc/disc_files.h"
#include "disc/track_place.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// No CD holds more: 99 minutes of 2448-byte sectors (raw, with subchannel).
constexpr std::uint64_t kMaxCdImageBytes = std::uint64_t{99} * 60 * 75 * 2448;
// An image that claims to unpack to more than this many times the archive's size is refused when it is
// also larger than kRatioFloorBytes: a pressed disc's files do not compress that well.
constexpr std::uint64_t kMaxPackingRatio = 1000;
constexpr std::uint64_t kRatioFloorBytes = std::uint64_t{64} << 20;

enum class ArchiveDiscKind { Image, Descriptor, Folder };

// One disc an archive holds.
struct ArchiveDiscEntry {
    ArchiveDiscKind kind = ArchiveDiscKind::Image;
    // The image's or descriptor's member, or the disc's folder ("" for the archive's top, else ending
    // in "/").
    std::string name;
    std::uint64_t size_bytes = 0; // the image's, or all the folder's files
    // A descriptor's data tracks, each `file` the member that holds it.
    std::vector<TrackPlace> tracks;
    std::string descriptor_kind; // "cue sheet", "media descriptor", "clone descriptor"
};

struct ArchiveDiscs {
    std::vector<ArchiveDiscEntry> discs;
    std::string error; // for the user, naming the archive, when it cannot be used at all
};

// Lists the discs the archive holds (reading only the descriptors' data). An archive with a descriptor that
// names files outside its folder, an image that is empty or larger than any CD, or that claims to unpack
// far beyond its packed size, is refused as a whole, before anything is unpacked.
ArchiveDiscs FindArchiveDiscs(const std::filesystem::path& archive);

// One disc of an archive, opened: its identity is known, its files not yet read.
class ArchiveDisc {
public:
    virtual ~ArchiveDisc() = default;
    virtual const VolumeInfo& Volume() const = 0;
    // Unpacks the disc into the cache, reading on from where opening stopped (once).
    virtual DiscCacheFill Fill(const DiscCache& cache, const UnpackProgress& progress,
                               const DiscCheck& check) = 0;
    // As ReadDiscFiles, once.
    virtual std::optional<std::string> ReadFiles(const WantDiscFile& want, const TakeDiscFile& take) = 0;
};

struct ArchiveDiscOpen {
    std::unique_ptr<ArchiveDisc> disc;
    UnpackStatus status = UnpackStatus::Done;
    std::string error; // for the user, naming the archive, when Failed
};

// Opens the disc `entry` of the archive. A scratch copy, where one is needed, is made in `scratch_dir`
// (reported to `progress`, which may cancel) and removed with the disc.
ArchiveDiscOpen OpenArchiveDisc(const std::filesystem::path& archive, const ArchiveDiscEntry& entry,
                                const std::filesystem::path& scratch_dir, const UnpackProgress& progress);

// A disc of an archive that holds several is named by a path below the archive's own: the archive's path,
// "/", and the disc's name in it ("/discs/two.7z/CD2/disc.iso", a folder's without its "/"). A file has no
// children, so such a path stands for nothing else.
struct ArchiveDiscPath {
    std::filesystem::path archive;
    std::string name;
};
// The archive and the disc's name, when `path` is no file or folder itself but lies below an archive.
std::optional<ArchiveDiscPath> SplitArchiveDiscPath(const std::filesystem::path& path);
// The path of each disc of the archive; the archive's own when it holds one disc or none, or when a disc's
// name cannot be part of a path (the archive's top folder, a name that climbs out with "..").
std::vector<std::filesystem::path> ArchiveDiscPaths(const std::filesystem::path& archive);
// The disc of that name (as its path gives it); nothing when the archive holds none of that name.
const ArchiveDiscEntry* ArchiveDiscNamed(const ArchiveDiscs& found, std::string_view name);
// For the user: the archive holds no disc of that name.
std::string NoDiscNamed(const std::filesystem::path& archive, std::string_view name);

// ReadDiscFiles for the disc of that name in the archive (the first for an empty name), streaming through
// its member.
std::optional<std::string> ReadArchiveDiscFiles(const std::filesystem::path& archive, std::string_view name,
                                                const std::filesystem::path& scratch_dir,
                                                const WantDiscFile& want, const TakeDiscFile& take);

} // namespace tavox
