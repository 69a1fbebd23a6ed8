#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavox {

// A regular file, open for reading at any offset.
class PositionalFile {
public:
    explicit PositionalFile(const std::string& path);
    ~PositionalFile();
    PositionalFile(const PositionalFile&) = delete;
    PositionalFile& operator=(const PositionalFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t Size() const { return size_; }
    // Reads exactly `count` bytes at `offset`; false when the file ends first or cannot be read.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Reads up to `count` bytes at `offset` into `out`; fewer where the file ends.
    bool ReadUpTo(std::uint64_t offset, std::size_t count, std::string& out) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace tavox
