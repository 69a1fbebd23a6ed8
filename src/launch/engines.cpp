#include "launch/engines.h"

#include <unistd.h>

#include <cstdlib>

namespace tavox {

namespace fs = std::filesystem;

bool IsExecutableFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<fs::path> FindOnPath(std::string_view name) {
    const char* path_variable = std::getenv("PATH");
    if (path_variable == nullptr) {
        return std::nullopt;
    }
    std::string_view rest(path_variable);
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (!dir.empty()) {
            fs::path candidate = fs::path(dir) / name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(colon + 1);
    }
}

std::optional<fs::path> FindDosbox() {
    return FindOnPath("dosbox");
}

bool WineRuns32Bit(const fs::path& wine_program) {
    // The program lies in bin/ (wine), lib/wine/ (Debian's loaders) or lib/<triplet>/wine/; the libraries
    // in lib/wine/i386-unix/ (Wine's own layout), lib/i386-linux-gnu/wine/i386-unix/ (Debian's wine32) or
    // lib32/wine/i386-unix/, below the same prefix.
    std::error_code ec;
    const fs::path canonical = fs::canonical(wine_program, ec);
    for (const fs::path& program : {wine_program, canonical}) {
        fs::path dir = program.parent_path();
        for (int level = 0; level < 3 && !dir.empty() && dir != dir.root_path(); ++level) {
            dir = dir.parent_path();
            for (const char* libraries :
                 {"lib/wine/i386-unix", "lib/i386-linux-gnu/wine/i386-unix", "lib32/wine/i386-unix"}) {
                if (fs::is_regular_file(dir / libraries / "ntdll.so", ec)) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace tavox
