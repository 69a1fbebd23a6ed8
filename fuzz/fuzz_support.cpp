#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include <stdlib.h>

namespace tavox::fuzz {

namespace {

// The scratch directory once made, so that a broken invariant can remove it before the process ends.
std::filesystem::path* made_scratch = nullptr;

class Scratch {
public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavox-fuzz-XXXXXX").string();
        Require(::mkdtemp(pattern.data()) != nullptr, "a scratch directory can be made");
        path_ = pattern;
        made_scratch = &path_;
    }
    ~Scratch() {
        made_scratch = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace

void Require(bool holds, std::string_view invariant) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(invariant.size()),
                     invariant.data());
        if (made_scratch != nullptr) {
            std::error_code ec;
            std::filesystem::remove_all(*made_scratch, ec);
        }
        std::abort();
    }
}

const std::filesystem::path& ScratchDir() {
    static const Scratch scratch;
    return scratch.Path();
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr, "a scratch file can be written");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    Require(std::fclose(file) == 0 && written, "a scratch file can be written");
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[65536];
    for (std::size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}

std::uint8_t InputReader::Byte() {
    if (rest_.empty()) {
        return 0;
    }
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
}

std::string_view InputReader::Text(std::size_t max_bytes) {
    const std::size_t length = std::min<std::size_t>({Byte(), max_bytes, rest_.size()});
    const std::string_view text = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return text;
}

} // namespace tavox::fuzz
