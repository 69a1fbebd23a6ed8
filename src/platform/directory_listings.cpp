#include "platform/directory_listings.h"

#include "base/code_page.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace tavox {

namespace fs = std::filesystem;

namespace {

// Longer than the coarsest file-time step met on a disc or a copy of one (FAT's two seconds).
constexpr std::chrono::nanoseconds kSettleTime = std::chrono::seconds(3);
// A walk through a large tree keeps the memory bounded: past this many, the cache starts over.
constexpr std::size_t kMaxListings = 256;

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

struct Names {
    std::vector<std::string> names; // in name order
    bool complete = false;          // a read that failed part way gives what it read before
};

Names ReadNames(const fs::path& dir) {
    std::error_code ec;
    Names read;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        read.names.push_back(it->path().filename().string());
    }
    read.complete = !ec;
    std::sort(read.names.begin(), read.names.end());
    return read;
}

std::optional<std::string> FirstEqualIgnoringCase(const std::vector<std::string>& names,
                                                  std::string_view name) {
    const auto it = std::find_if(names.begin(), names.end(), [name](const std::string& entry) {
        return EqualsIgnoringCase(entry, name);
    });
    return it == names.end() ? std::nullopt : std::optional<std::string>(*it);
}

} // namespace

DirectoryStamp StampOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            Nanoseconds(status.st_mtim), Nanoseconds(status.st_ctim)};
}

std::optional<std::string>
DirectoryListings::FindIgnoringCase(const fs::path& dir, const DirectoryStamp& stamp, std::string_view name) {
    const std::lock_guard lock(mutex_);
    if (const auto cached = listings_.find(dir.native());
        cached != listings_.end() && cached->second.stamp == stamp) {
        return FirstEqualIgnoringCase(cached->second.names, name);
    }
    const std::int64_t read_at_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count();
    Names read = ReadNames(dir);
    std::optional<std::string> found = FirstEqualIgnoringCase(read.names, name);
    const bool settled = std::max(stamp.modified_ns, stamp.changed_ns) < read_at_ns - kSettleTime.count();
    if (read.complete && settled) {
        if (listings_.size() >= kMaxListings) {
            listings_.clear();
        }
        listings_.insert_or_assign(dir.native(), Listing{stamp, std::move(read.names)});
    } else {
        listings_.erase(dir.native());
    }
    return found;
}

} // namespace tavox
