#include "support/temp_dir.h"

#include <cstdio>
#include <memory>

namespace tavox::test {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    const File file(std::fopen(path.c_str(), "wb"));
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    }
}

void WriteScript(const std::filesystem::path& path, std::string_view bytes) {
    WriteFile(path, bytes);
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add,
                                 ec);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::string content;
    const File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return content;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, got);
    }
    return content;
}

} // namespace tavox::test
