#include "disc/disc_search.h"

#include "base/ascii.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tavox {

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> SortedSubdirectories(const fs::path& dir) {
    std::vector<fs::path> dirs;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code entry_ec;
        if (entry.is_directory(entry_ec)) {
            dirs.push_back(entry.path());
        }
    }
    std::sort(dirs.begin(), dirs.end());
    return dirs;
}

} // namespace

std::optional<fs::path> ChildNamed(const fs::path& dir, std::string_view lower_name) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (LowerCaseAscii(entry.path().filename().string()) == lower_name) {
            return entry.path();
        }
    }
    return std::nullopt;
}

std::optional<fs::path> MenuCatalogueOf(const fs::path& dir) {
    const auto menu_dir = ChildNamed(dir, "tavox");
    std::error_code ec;
    if (!menu_dir || !fs::is_directory(*menu_dir, ec)) {
        return std::nullopt;
    }
    auto catalogue = ChildNamed(*menu_dir, "tavox95.ini");
    if (!catalogue || !fs::is_regular_file(*catalogue, ec)) {
        return std::nullopt;
    }
    return catalogue;
}

bool HoldsMenuCatalogue(const fs::path& dir) {
    return MenuCatalogueOf(dir).has_value();
}

std::optional<fs::path> FindMountedDisc(std::span<const std::string_view> roots) {
    for (const std::string_view root : roots) {
        if (HoldsMenuCatalogue(root)) {
            return fs::path(root);
        }
        for (const fs::path& dir : SortedSubdirectories(root)) {
            if (HoldsMenuCatalogue(dir)) {
                return dir;
            }
            for (const fs::path& inner : SortedSubdirectories(dir)) {
                if (HoldsMenuCatalogue(inner)) {
                    return inner;
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace tavox
