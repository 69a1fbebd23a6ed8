#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavox {

// A directory's identity and the times that move when an entry is added, removed or renamed in it.
struct DirectoryStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modified_ns = 0;
    std::int64_t changed_ns = 0;

    bool operator==(const DirectoryStamp&) const = default;
};

DirectoryStamp StampOf(const struct stat& status);

// Listings of host directories, so that looking up a name the directory lacks (in any case) does not read
// the whole directory again each time. A listing is reused only while its directory keeps the stamp it was
// read under, and only when that stamp was already settled when it was read: file times are coarse (a
// clock tick; two seconds on FAT), so a directory that changed just before it was read can change again
// without its times moving.
class DirectoryListings {
public:
    // The entry of `dir` that equals `name` without regard to case, the first in name order; nothing when
    // there is none or `dir` cannot be read. `stamp` is the directory's, taken (links followed) just before.
    std::optional<std::string> FindIgnoringCase(const std::filesystem::path& dir, const DirectoryStamp& stamp,
                                                std::string_view name);

private:
    struct Listing {
        DirectoryStamp stamp;
        std::vector<std::string> names; // in name order
    };

    std::mutex mutex_;
    std::unordered_map<std::string, Listing> listings_; // by host path
};

} // namespace tavox
