#include "disc/disc_tree.h"

namespace tavox {

namespace {

namespace fs = std::filesystem;

// Visits the entries below `root` (links as links, never entered), then `root` itself.
template <typename Visit> void ForEachEntry(const fs::path& root, Visit visit) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        visit(it->path(), it->symlink_status(ec));
    }
    visit(root, fs::symlink_status(root, ec));
}

} // namespace

void RemoveTree(const fs::path& root) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec))) {
        return;
    }
    // A directory without write permission keeps its entries; give it back before removing. Iterating a
    // directory without read permission fails, so the top is opened first.
    if (fs::is_directory(fs::symlink_status(root, ec))) {
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    }
    ForEachEntry(root, [](const fs::path& path, const fs::file_status& status) {
        if (fs::is_directory(status)) {
            std::error_code perm_ec;
            fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, perm_ec);
        }
    });
    fs::remove_all(root, ec);
}

void MakeReadOnly(const fs::path& root) {
    ForEachEntry(root, [](const fs::path& path, const fs::file_status& status) {
        std::error_code ec;
        if (fs::is_directory(status)) {
            fs::permissions(path,
                            fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                            ec);
        } else if (fs::is_regular_file(status)) {
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
        }
    });
}

std::uint64_t TreeBytes(const fs::path& root) {
    std::uint64_t bytes = 0;
    ForEachEntry(root, [&bytes](const fs::path& path, const fs::file_status& status) {
        std::error_code ec;
        if (fs::is_regular_file(status)) {
            const auto size = fs::file_size(path, ec);
            bytes += ec ? 0 : size;
        }
    });
    return bytes;
}

} // namespace tavox
