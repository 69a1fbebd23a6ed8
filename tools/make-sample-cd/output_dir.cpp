#include "output_dir.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace sample_cd {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarkerText =
    "Written by make-sample-cd. The next run of make-sample-cd replaces this whole directory.\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Whether the directory holds nothing but empty directories; build tools create the output's parents
// before they run us, and there is nothing to lose in such a tree.
bool HoldsNoFiles(const fs::path& dir, std::error_code& ec) {
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec)) {
            return false;
        }
    }
    return !ec;
}

} // namespace

std::optional<std::string> PrepareOutputDir(const fs::path& out) {
    std::error_code ec;
    const fs::file_status status = fs::status(out, ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        return out.string() + " exists and is not a directory";
    }
    if (!fs::exists(status)) {
        fs::create_directories(out, ec);
        if (ec) {
            return "cannot create " + out.string() + ": " + ec.message();
        }
    }
    const bool empty = HoldsNoFiles(out, ec);
    if (ec) {
        return "cannot read " + out.string() + ": " + ec.message();
    }
    if (!empty) {
        if (!fs::is_regular_file(fs::symlink_status(out / kMarkerFile, ec))) {
            return out.string() +
                   " is not empty and was not written by make-sample-cd; refusing to replace it";
        }
        // Listed first and removed afterwards: a directory changed while it is read may skip entries.
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec)) {
            entries.push_back(it->path());
        }
        if (ec) {
            return "cannot read " + out.string() + ": " + ec.message();
        }
        for (const fs::path& entry : entries) {
            fs::remove_all(entry, ec);
            if (ec) {
                return "cannot remove " + entry.string() + ": " + ec.message();
            }
        }
    }
    const fs::path marker = out / kMarkerFile;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(marker.c_str(), "wb"));
    if (!file || std::fwrite(kMarkerText.data(), 1, kMarkerText.size(), file.get()) != kMarkerText.size()) {
        return "cannot write " + marker.string();
    }
    return std::nullopt;
}

} // namespace sample_cd
