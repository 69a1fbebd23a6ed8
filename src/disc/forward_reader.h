#pragma once

#include "disc/sector_image.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tavox {

// Gives the next bytes of a stream: how many (0 at its end), nothing when it cannot be read.
using NextBytes = std::function<std::optional<std::size_t>(std::span<std::uint8_t> out)>;

// Reads a stream that can only go forward (an archive member as it is unpacked) as if it were a file: a read
// ahead skips the bytes between, and the first bytes of a track are kept from where KeepFrom() says, so that
// its volume descriptors and root directory can be read again after the sniffing. Never reads past the size
// the stream was said to have, so that a member cannot unpack more than its header claims.
class ForwardReader {
public:
    static constexpr std::size_t kKeptBytes = 1 << 20;

    ForwardReader(NextBytes next, std::uint64_t size_bytes) : next_(std::move(next)), size_(size_bytes) {}

    // Keeps the kKeptBytes from `offset` on, instead of what was kept before. False when those bytes went
    // by already without being kept.
    bool KeepFrom(std::uint64_t offset);

    // As ReadAt: fewer bytes at the end of the stream, and none for bytes that went by unkept (then
    // WentBack() says so) or that the stream failed to give (then Failed()).
    std::size_t Read(std::uint64_t offset, std::span<std::uint8_t> out);
    ReadAt AsReadAt() {
        return [this](std::uint64_t offset, std::span<std::uint8_t> out) { return Read(offset, out); };
    }

    std::uint64_t Size() const { return size_; }
    bool WentBack() const { return went_back_; }
    bool Failed() const { return failed_; }

private:
    // Pulls stream bytes up to `until`, keeping those that fall into the kept range; false when the stream
    // ended or failed first.
    bool Advance(std::uint64_t until, std::span<std::uint8_t> out, std::uint64_t out_offset);

    NextBytes next_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0; // the stream's next byte
    std::uint64_t kept_from_ = 0;
    std::vector<std::uint8_t> kept_;
    std::vector<std::uint8_t> scratch_;
    bool went_back_ = false;
    bool failed_ = false;
};

} // namespace tavox
