#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tavox {

// A file or folder of a shelf that may be a disc, with what tells whether it changed since it was read.
struct ShelfEntry {
    std::filesystem::path path;
    std::int64_t size_bytes = 0;
    std::int64_t mtime_ns = 0; // of the file, or of a disc folder's catalogue
};

// The discs a folder may hold: files shaped like disc images or archives, and folders holding a disc's
// catalogue, in the folder and two levels of subfolders, sorted by path. Links to folders are not followed;
// a folder that is a disc is not looked into; a file that a sheet beside it stands for (the .bin of a .cue of
// the same name) is left to its sheet. `folder` may itself be a disc (a folder or an image).
std::vector<ShelfEntry> FindShelfEntries(const std::filesystem::path& folder);

// The same stamps, for one path; nothing (size -1) when it cannot be read.
ShelfEntry StampOf(const std::filesystem::path& path);

} // namespace tavox
