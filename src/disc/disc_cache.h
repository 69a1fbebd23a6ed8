#pragma once

#include "disc/disc_unpack.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavox {

struct DiscCacheLimits {
    std::size_t max_discs = 3;
    std::uint64_t max_bytes = std::uint64_t{4} << 30;
};

struct DiscCacheFill {
    UnpackStatus status = UnpackStatus::Done;
    std::filesystem::path root; // the disc's directory, when Done
    std::string error;          // for the user, when Failed
};

// Says what is wrong with an unpacked disc (for the user), or nothing when it is one to keep.
using DiscCheck = std::function<std::optional<std::string>(const std::filesystem::path& unpacked)>;

// What a disc is unpacked from: its identity, the bytes its files take, its name in messages, and the unpack
// into an empty directory.
struct DiscSource {
    const VolumeInfo& volume;
    std::uint64_t bytes = 0;
    std::string shown;
    std::function<UnpackResult(const std::filesystem::path& target, const UnpackProgress& progress)> unpack;
};

// Discs unpacked from their images, one directory each, named by the disc's identity (never by the image's
// file name), read-only as on a disc, with the drive's label files. A disc is unpacked into a hidden
// directory of its own and renamed to its identity only once complete, so a cancelled, failed or killed
// unpack is never found as a disc. The most recently used discs are kept within the limits; eviction
// removes only directories of the cache itself and follows no links.
class DiscCache {
public:
    explicit DiscCache(std::filesystem::path root, DiscCacheLimits limits = {})
        : root_(std::move(root)), limits_(limits) {}

    const std::filesystem::path& Root() const { return root_; }

    // The complete directory of the disc, marked as just used; nothing when it has not been unpacked.
    std::optional<std::filesystem::path> Find(const VolumeInfo& volume) const;

    // Unpacks the image, checks the result, writes the label files, and keeps the disc. Older discs are
    // evicted first to make room; a disc larger than the free space is refused before anything is written.
    DiscCacheFill Fill(const DiscImage& image, const UnpackProgress& progress, const DiscCheck& check) const;
    // As above, for a disc that comes from elsewhere (the folders of an archive).
    DiscCacheFill Fill(const DiscSource& source, const UnpackProgress& progress,
                       const DiscCheck& check) const;

    // Removes the least recently used discs beyond the limits (`keep` and newer ones first), and
    // leftovers of unpacks whose process has ended. `room_bytes` is kept free within the size limit.
    void Evict(std::string_view keep, std::size_t max_discs, std::uint64_t room_bytes) const;

private:
    std::filesystem::path root_;
    DiscCacheLimits limits_;
};

// The mkdtemp pattern of a scratch folder that this process makes in the cache's directory (a copy of an
// image's files out of an archive); the cache removes those whose process has ended, as it does partial
// unpacks.
std::string ScratchDirPattern();

// $XDG_CACHE_HOME/tavox95 (~/.cache/tavox95 without it): discs/ holds the unpacked discs, mounts/ the
// labelled link directories of mounted ones.
std::filesystem::path DefaultCacheDir();

} // namespace tavox
