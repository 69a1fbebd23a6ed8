// The Gamename rules on arbitrary values: a caption for every colon, and every version's file a piece of the
// value itself, whatever k the buttons ask for.

#include "fuzz_support.h"
#include "installer/version_list.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

namespace {

using tavox::fuzz::Require;

void CheckLabels(std::string_view value) {
    const auto colons = static_cast<std::size_t>(std::count(value.begin(), value.end(), ':'));
    const std::vector<std::string> labels = tavox::VersionLabels(value);
    Require(labels.size() == colons, "one caption for every colon");
    Require(tavox::IsVersionList(value) == (colons > 0), "a value with a colon is a version list");
    for (const std::string& label : labels) {
        Require(label.find(';') == std::string::npos, "a caption ends at the next semicolon");
        Require(value.find(label) != std::string_view::npos, "a caption is taken from the value");
    }
}

void CheckFiles(std::string_view value) {
    const auto semicolons = static_cast<int>(std::count(value.begin(), value.end(), ';'));
    for (const int k : {INT_MIN, -1, 0}) {
        Require(!tavox::VersionFile(value, k), "no file before the first version");
    }
    // Every version there is, the first one past them, and a far one.
    for (int k = 1; k <= semicolons + 2; ++k) {
        const std::optional<std::string> file = tavox::VersionFile(value, k);
        Require(file.has_value() == (k <= semicolons + 1), "a file for every version the semicolons make");
        if (file) {
            Require(value.find(*file) != std::string_view::npos, "a file is a piece of the value");
            Require(file->find(':') == std::string::npos, "a file ends at the next colon");
        }
    }
    Require(!tavox::VersionFile(value, INT_MAX) || semicolons == INT_MAX - 1, "no file far past the list");
    if (const auto first = tavox::VersionFile(value, 1)) {
        Require(value.starts_with(*first), "the first file starts the value");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0;
    }
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    CheckLabels(value);
    CheckFiles(value);
    return 0;
}
