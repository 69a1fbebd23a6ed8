#include "disc/forward_reader.h"

#include <algorithm>
#include <cstring>

namespace tavox {

namespace {

constexpr std::size_t kScratchBytes = 1 << 18;

} // namespace

bool ForwardReader::KeepFrom(std::uint64_t offset) {
    if (offset >= position_) {
        kept_.clear();
        kept_from_ = offset;
        return true;
    }
    // Within what is kept, and either still keeping or already the start of it.
    const std::uint64_t kept_end = kept_from_ + kept_.size();
    if (offset < kept_from_ || offset > kept_end || (kept_end < position_ && offset != kept_from_)) {
        return false;
    }
    kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(offset - kept_from_));
    kept_from_ = offset;
    return true;
}

bool ForwardReader::Advance(std::uint64_t until, std::span<std::uint8_t> out, std::uint64_t out_offset) {
    until = std::min(until, size_);
    while (position_ < until && !failed_) {
        // Straight into the caller's buffer where the bytes land in it, else through the scratch buffer.
        std::span<std::uint8_t> into;
        if (position_ >= out_offset && position_ < out_offset + out.size()) {
            into = out.subspan(static_cast<std::size_t>(position_ - out_offset));
        } else {
            scratch_.resize(kScratchBytes);
            into = scratch_;
        }
        into = into.first(static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), until - position_)));
        const auto got = next_(into);
        if (!got || *got == 0) {
            failed_ = !got;
            return false;
        }
        // Kept bytes run without a gap from kept_from_.
        const std::uint64_t kept_end = kept_from_ + kept_.size();
        const std::uint64_t from = std::max(position_, kept_end);
        const std::uint64_t to = std::min(position_ + *got, kept_from_ + kKeptBytes);
        if (std::max(position_, kept_from_) <= kept_end && from < to) {
            const auto* begin = into.data() + (from - position_);
            kept_.insert(kept_.end(), begin, begin + (to - from));
        }
        position_ += *got;
    }
    return position_ >= until;
}

std::size_t ForwardReader::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= size_) {
        return 0;
    }
    out = out.first(static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset)));
    std::size_t done = 0;
    // What was kept.
    const std::uint64_t kept_end = kept_from_ + kept_.size();
    if (offset >= kept_from_ && offset < kept_end) {
        done = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), kept_end - offset));
        std::memcpy(out.data(), kept_.data() + (offset - kept_from_), done);
    }
    if (done == out.size()) {
        return done;
    }
    const std::uint64_t from = offset + done;
    if (from < position_) {
        went_back_ = true;
        return done;
    }
    const auto rest = out.subspan(done);
    Advance(from, rest, from); // the bytes before the read go by
    if (position_ != from) {
        return done;
    }
    Advance(from + rest.size(), rest, from);
    return done + static_cast<std::size_t>(position_ - from);
}

} // namespace tavox
