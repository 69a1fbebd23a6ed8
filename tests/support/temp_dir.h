#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavox::test {

// A fresh directory for one test, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavox-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
    }
    ~TempDir() {
        std::error_code ec;
        // Read-only files and directories left by a test must not keep it from being removed.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_symlink()) {
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
            }
        }
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its directories.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// Writes an executable script (or program) file.
void WriteScript(const std::filesystem::path& path, std::string_view bytes);
// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

} // namespace tavox::test
