#include "installer/version_list.h"

namespace tavox {

bool IsVersionList(std::string_view gamename) {
    return gamename.find(':') != std::string_view::npos;
}

std::vector<std::string> VersionLabels(std::string_view gamename) {
    std::vector<std::string> labels;
    for (std::size_t colon = gamename.find(':'); colon != std::string_view::npos;
         colon = gamename.find(':', colon + 1)) {
        const std::size_t start = colon + 1;
        const std::size_t end = gamename.find(';', start);
        labels.emplace_back(gamename.substr(start, end == std::string_view::npos ? end : end - start));
    }
    return labels;
}

std::optional<std::string> VersionFile(std::string_view gamename, int k) {
    if (k < 1) {
        return std::nullopt;
    }
    std::size_t start = 0;
    for (int semicolons = 1; semicolons < k; ++semicolons) {
        const std::size_t semicolon = gamename.find(';', start);
        if (semicolon == std::string_view::npos) {
            return std::nullopt;
        }
        start = semicolon + 1;
    }
    const std::size_t end = gamename.find(':', start);
    return std::string(gamename.substr(start, end == std::string_view::npos ? end : end - start));
}

} // namespace tavox
