#include "shelf/last_shelf.h"

#include "base/atomic_file.h"
#include "base/log.h"
#include "base/unique_fd.h"
#include "disc/disc_search.h"

#include <fcntl.h>

#include <cstdlib>

namespace tavox {

namespace {

namespace fs = std::filesystem;

fs::path MemoryFile() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return fs::path(config) / "tavox95" / "shelf";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".config" / "tavox95" / "shelf";
}

} // namespace

std::optional<fs::path> LastShelf() {
    const UniqueFd fd(::open(MemoryFile().c_str(), O_RDONLY | O_CLOEXEC));
    std::string folder;
    if (!fd.Valid() || !ReadAll(fd.Get(), folder) || folder.empty() || !IsShelfFolder(folder)) {
        return std::nullopt;
    }
    return fs::path(folder);
}

void RememberShelf(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(MemoryFile().parent_path(), ec);
    // Not remembering is no reason to stop the shelf from opening; the log keeps why.
    const auto written = ReplaceFileAtomically(MemoryFile(), fs::absolute(folder, ec).string(), 0644);
    if (!written) {
        LogFailure(LogLevel::Warning, "shelf", Status(written.Error()));
    }
}

bool IsShelfFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec) && !HoldsMenuCatalogue(path);
}

} // namespace tavox
