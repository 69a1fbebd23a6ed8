// The decoding process of the RAR library layer: reads frames on standard input (the library's socket),
// unpacks what it is asked for with libunarr, libarchive or the unar program and streams the bytes back on
// standard output. It never writes a file; the library checks and writes what it receives.

#include "unrar/protocol/decoder_protocol.h"
#include "unrar/worker/stream_decoder.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

namespace protocol = tavox::unrar::protocol;
namespace worker = tavox::unrar::worker;

constexpr std::size_t kReadChunk = 1024 * 1024;

void Progress() {
    protocol::SendFrame(STDOUT_FILENO, protocol::Frame::Progress, {});
}

// The stream's bytes in memory, as the decoders read them. A range beyond its file's end is cut short; the
// decoder then meets the end of its data.
std::vector<std::uint8_t> Materialize(const protocol::Stream& stream) {
    std::vector<std::uint8_t> bytes;
    std::map<std::uint32_t, int> open_files;
    for (const protocol::Piece& piece : stream.pieces) {
        if (!piece.from_file) {
            bytes.insert(bytes.end(), piece.bytes.begin(), piece.bytes.end());
            continue;
        }
        auto [it, added] = open_files.try_emplace(piece.file, -1);
        if (added) {
            it->second = ::open(stream.files[piece.file].c_str(), O_RDONLY | O_CLOEXEC);
        }
        std::uint64_t offset = piece.offset;
        std::uint64_t left = piece.size;
        while (it->second >= 0 && left > 0) {
            const std::size_t want = left < kReadChunk ? static_cast<std::size_t>(left) : kReadChunk;
            const std::size_t old_size = bytes.size();
            bytes.resize(old_size + want);
            const ssize_t n = ::pread(it->second, bytes.data() + old_size, want, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) {
                bytes.resize(old_size);
                continue;
            }
            bytes.resize(old_size + (n > 0 ? static_cast<std::size_t>(n) : 0));
            if (n <= 0) {
                break;
            }
            offset += static_cast<std::uint64_t>(n);
            left -= static_cast<std::uint64_t>(n);
            Progress();
        }
    }
    for (const auto& [index, fd] : open_files) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return bytes;
}

} // namespace

int main() {
    // Dies with the library's process, and never by a write to a closed socket.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::signal(SIGPIPE, SIG_IGN);
    // libarchive gives UTF-8 names only under a UTF-8 locale.
    std::setlocale(LC_ALL, "C.UTF-8");

    const worker::Output output{
        [](std::span<const std::uint8_t> block) {
            return protocol::SendFrame(
                STDOUT_FILENO, protocol::Frame::Data,
                std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
        },
        Progress,
    };
    protocol::FrameBuffer frames;
    std::unique_ptr<worker::StreamDecoder> decoder;
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return 0;
        }
        frames.Append(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        bool bad = false;
        while (auto frame = frames.Next(bad)) {
            if (frame->first == protocol::Frame::Open) {
                const std::optional<protocol::Stream> stream = protocol::DecodeStream(frame->second);
                decoder = stream ? worker::MakeDecoder(*stream, Materialize(*stream)) : nullptr;
            } else if (frame->first == protocol::Frame::Decode) {
                const std::optional<protocol::Request> request = protocol::DecodeRequest(frame->second);
                const protocol::EndStatus status =
                    request && decoder ? decoder->Decode(*request, output) : protocol::EndStatus::Failed;
                const char status_byte = static_cast<char>(status);
                if (!protocol::SendFrame(STDOUT_FILENO, protocol::Frame::End,
                                         std::string_view(&status_byte, 1))) {
                    return 0;
                }
            }
        }
        if (bad) {
            return 1;
        }
    }
}
