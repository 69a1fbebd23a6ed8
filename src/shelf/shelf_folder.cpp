#include "shelf/shelf_folder.h"

#include "base/ascii.h"
#include "disc/disc_search.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <string_view>

namespace tavox {

namespace {

namespace fs = std::filesystem;

constexpr int kSubfolderLevels = 2;

// Sheets describe the data file of the same name beside them.
constexpr std::array<std::string_view, 3> kSheets = {".cue", ".mds", ".ccd"};
constexpr std::array<std::string_view, 11> kDiscShapes = {".iso", ".bin", ".img", ".mdf", ".nrg", ".cue",
                                                          ".mds", ".ccd", ".zip", ".7z",  ".rar"};

bool OneOf(std::string_view extension, std::span<const std::string_view> list) {
    return std::find(list.begin(), list.end(), extension) != list.end();
}

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

void Walk(const fs::path& dir, int levels_left, std::vector<ShelfEntry>& found) {
    if (const auto catalogue = MenuCatalogueOf(dir)) {
        ShelfEntry entry = StampOf(*catalogue);
        entry.path = dir;
        found.push_back(std::move(entry));
        return;
    }
    std::vector<fs::path> files;
    std::vector<fs::path> subfolders;
    std::set<std::string> sheet_stems;
    std::error_code ec;
    for (const auto& child : fs::directory_iterator(dir, fs::directory_options::skip_permission_denied, ec)) {
        std::error_code child_ec;
        if (child.is_symlink(child_ec)) {
            // A link to a file is followed, one to a folder never.
            if (!fs::is_regular_file(child.path(), child_ec)) {
                continue;
            }
        } else if (child.is_directory(child_ec)) {
            if (levels_left > 0) {
                subfolders.push_back(child.path());
            }
            continue;
        } else if (!child.is_regular_file(child_ec)) {
            continue;
        }
        const std::string extension = LowerCaseAscii(child.path().extension().string());
        if (!OneOf(extension, kDiscShapes)) {
            continue;
        }
        if (OneOf(extension, kSheets)) {
            sheet_stems.insert(LowerCaseAscii(child.path().stem().string()));
        }
        files.push_back(child.path());
    }
    for (const fs::path& file : files) {
        const bool sheet = OneOf(LowerCaseAscii(file.extension().string()), kSheets);
        if (!sheet && sheet_stems.count(LowerCaseAscii(file.stem().string())) != 0) {
            continue;
        }
        ShelfEntry entry = StampOf(file);
        if (entry.size_bytes >= 0) {
            found.push_back(std::move(entry));
        }
    }
    for (const fs::path& subfolder : subfolders) {
        Walk(subfolder, levels_left - 1, found);
    }
}

} // namespace

ShelfEntry StampOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {path, -1, 0};
    }
    return {path, static_cast<std::int64_t>(st.st_size), Nanoseconds(st.st_mtim)};
}

std::vector<ShelfEntry> FindShelfEntries(const fs::path& folder) {
    std::vector<ShelfEntry> found;
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        Walk(folder, kSubfolderLevels, found);
    } else if (fs::is_regular_file(folder, ec)) {
        found.push_back(StampOf(folder));
    }
    std::sort(found.begin(), found.end(),
              [](const ShelfEntry& a, const ShelfEntry& b) { return a.path < b.path; });
    return found;
}

} // namespace tavox
