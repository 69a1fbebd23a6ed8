#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the library and its decoding process say to each other over their socket: frames of a type byte, a
// 32-bit little-endian length and the payload.
namespace tavox::unrar::protocol {

enum class Frame : std::uint8_t {
    Open = 'O',     // library -> worker: the stream to decode from (Stream)
    Decode = 'D',   // library -> worker: one entry to decode (Request)
    Progress = 'P', // worker -> library: still working, no data yet
    Data = 'B',     // worker -> library: unpacked bytes
    End = 'E',      // worker -> library: the entry is done; one byte of EndStatus
};

enum class EndStatus : std::uint8_t {
    Ok = 0,
    Failed = 1,
    NotFound = 2,
    NoDecoder = 3, // the program that decodes this data is not installed
};

enum class Decoder : std::uint8_t {
    Rar4 = 1, // RAR 1.5-4 data, by the decoder of RAR 2.0 and 2.9/3.x compression
    Rar5 = 2,
    Rar15 = 3, // RAR 1.5-4 data holding RAR 1.5 compression, by the unar program
};

// A stretch of the stream: bytes given here, or a range of one of the stream's files.
struct Piece {
    std::string bytes;
    std::uint32_t file = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    bool from_file = false;
};

// The bytes the decoder reads as one archive, built from pieces so that headers can be rewritten while the
// packed data stays where it is.
struct Stream {
    Decoder decoder = Decoder::Rar4;
    bool solid = false;
    std::vector<std::string> files;
    std::vector<Piece> pieces;
};

struct Request {
    // Rar4: where the entry's header starts in the stream; Rar15 and Rar5: the entry's number in the stream.
    std::uint64_t key = 0;
    std::uint64_t unp_size = 0;
    // Rar15: what the files before the entry unpack to. unar is asked for them too (a solid stream), so that
    // their decoding shows as progress; their bytes come first and are not the entry's.
    std::uint64_t earlier_bytes = 0;
    // The decoder may not know the data's check value (an old-style comment keeps 16 bits of it): its own
    // check failing is then not an error, the library checks.
    bool unchecked = false;
    std::string name; // the entry's UTF-8 name, compared where the decoder gives names
};

constexpr std::size_t kMaxPayload = 64 * 1024 * 1024;
constexpr std::size_t kDataBlockBytes = 64 * 1024;

std::string EncodeStream(const Stream& stream);
std::optional<Stream> DecodeStream(std::string_view payload);
std::string EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(std::string_view payload);

// Sends a whole frame; false when the other side is gone.
bool SendFrame(int fd, Frame type, std::string_view payload);

// Collects received bytes and cuts them into frames.
class FrameBuffer {
public:
    void Append(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete frame; nullopt when more bytes are needed. `bad` is set for a frame too large to be
    // one of ours.
    std::optional<std::pair<Frame, std::string>> Next(bool& bad);

private:
    std::string buffer_;
};

} // namespace tavox::unrar::protocol
