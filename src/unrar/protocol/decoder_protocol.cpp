#include "unrar/protocol/decoder_protocol.h"

#include "base/little_endian.h"
#include "unrar/protocol/field_reader.h"

#include <cerrno>

#include <sys/socket.h>

namespace tavox::unrar::protocol {

namespace {

void PutBytes(std::string& out, std::string_view bytes) {
    AppendLe(out, bytes.size(), 4);
    out.append(bytes);
}

std::string_view GetBytes(FieldReader& r) {
    return r.Bytes(r.Fixed(4));
}

} // namespace

std::string EncodeStream(const Stream& stream) {
    std::string out;
    AppendLe(out, static_cast<std::uint8_t>(stream.decoder), 1);
    AppendLe(out, stream.solid ? 1 : 0, 1);
    AppendLe(out, stream.files.size(), 4);
    for (const std::string& file : stream.files) {
        PutBytes(out, file);
    }
    AppendLe(out, stream.pieces.size(), 4);
    for (const Piece& piece : stream.pieces) {
        AppendLe(out, piece.from_file ? 1 : 0, 1);
        if (piece.from_file) {
            AppendLe(out, piece.file, 4);
            AppendLe(out, piece.offset, 8);
            AppendLe(out, piece.size, 8);
        } else {
            PutBytes(out, piece.bytes);
        }
    }
    return out;
}

std::optional<Stream> DecodeStream(std::string_view payload) {
    FieldReader r(payload);
    Stream stream;
    stream.decoder = static_cast<Decoder>(r.Fixed(1));
    stream.solid = r.Fixed(1) != 0;
    const std::uint64_t files = r.Fixed(4);
    for (std::uint64_t i = 0; i < files && r.Ok(); ++i) {
        stream.files.emplace_back(GetBytes(r));
    }
    const std::uint64_t pieces = r.Fixed(4);
    for (std::uint64_t i = 0; i < pieces && r.Ok(); ++i) {
        Piece piece;
        piece.from_file = r.Fixed(1) != 0;
        if (piece.from_file) {
            piece.file = static_cast<std::uint32_t>(r.Fixed(4));
            piece.offset = r.Fixed(8);
            piece.size = r.Fixed(8);
        } else {
            piece.bytes = std::string(GetBytes(r));
        }
        if (piece.from_file && piece.file >= stream.files.size()) {
            return std::nullopt;
        }
        stream.pieces.push_back(std::move(piece));
    }
    if (!r.Ok() || (stream.decoder != Decoder::Rar4 && stream.decoder != Decoder::Rar5 &&
                    stream.decoder != Decoder::Rar15)) {
        return std::nullopt;
    }
    return stream;
}

std::string EncodeRequest(const Request& request) {
    std::string out;
    AppendLe(out, request.key, 8);
    AppendLe(out, request.unp_size, 8);
    AppendLe(out, request.earlier_bytes, 8);
    AppendLe(out, request.unchecked ? 1 : 0, 1);
    PutBytes(out, request.name);
    return out;
}

std::optional<Request> DecodeRequest(std::string_view payload) {
    FieldReader r(payload);
    Request request;
    request.key = r.Fixed(8);
    request.unp_size = r.Fixed(8);
    request.earlier_bytes = r.Fixed(8);
    request.unchecked = r.Fixed(1) != 0;
    request.name = std::string(GetBytes(r));
    if (!r.Ok()) {
        return std::nullopt;
    }
    return request;
}

bool SendFrame(int fd, Frame type, std::string_view payload) {
    std::string frame;
    frame.reserve(5 + payload.size());
    AppendLe(frame, static_cast<std::uint8_t>(type), 1);
    AppendLe(frame, payload.size(), 4);
    frame.append(payload);
    std::string_view rest = frame;
    while (!rest.empty()) {
        const ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::pair<Frame, std::string>> FrameBuffer::Next(bool& bad) {
    bad = false;
    if (buffer_.size() < 5) {
        return std::nullopt;
    }
    FieldReader r(buffer_, 1);
    const std::uint64_t size = r.Fixed(4);
    if (size > kMaxPayload) {
        bad = true;
        return std::nullopt;
    }
    if (buffer_.size() - 5 < size) {
        return std::nullopt;
    }
    std::pair<Frame, std::string> frame(static_cast<Frame>(buffer_[0]), buffer_.substr(5, size));
    buffer_.erase(0, 5 + size);
    return frame;
}

} // namespace tavox::unrar::protocol
