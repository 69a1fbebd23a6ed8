#pragma once

#include "unrar/protocol/decoder_protocol.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tavox::unrar::worker {

// Where a decoder's work goes: unpacked bytes for the library, or a sign of progress while it unpacks what
// the library did not ask for (earlier files of a solid archive).
struct Output {
    std::function<bool(std::span<const std::uint8_t>)> data; // false: the library is gone
    std::function<void()> progress;
};

class StreamDecoder {
public:
    virtual ~StreamDecoder() = default;
    virtual protocol::EndStatus Decode(const protocol::Request& request, const Output& out) = 0;
};

// A decoder over the bytes of a stream; nullptr when the decoder does not take them.
std::unique_ptr<StreamDecoder> MakeDecoder(const protocol::Stream& stream, std::vector<std::uint8_t> bytes);

} // namespace tavox::unrar::worker
