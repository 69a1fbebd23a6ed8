#include "unrar/archive_state.h"

#include "base/code_page.h"
#include "base/crc32.h"
#include "base/little_endian.h"
#include "unrar/dos_code_page.h"

#include <algorithm>
#include <cstring>

namespace tavox::unrar {

namespace {

constexpr std::string_view kRar4Marker("Rar!\x1a\x07\x00", 7);
constexpr std::size_t kMainHeaderSize = 13;
constexpr unsigned kMainSolid = 0x0008;
constexpr unsigned kFileSplitBefore = 0x01;
constexpr unsigned kFileSplitAfter = 0x02;
constexpr unsigned kFileLarge = 0x100;

template <std::size_t N> void CopyTruncated(char (&out)[N], std::string_view text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// The start of every RAR 1.5-4 stream given to the decoder: the marker and a main header without the
// old-style comment (which the decoder rejects), volume and lock flags.
std::string Rar4StreamStart(bool solid) {
    std::string main(kMainHeaderSize, '\0');
    WriteLe(main, 2, 0x73, 1);
    WriteLe(main, 3, solid ? kMainSolid : 0, 2);
    WriteLe(main, 5, kMainHeaderSize, 2);
    SealRar4Header(main);
    return std::string(kRar4Marker) + main;
}

constexpr unsigned kRar15Version = 15;

bool IsRar4Decodable(unsigned unp_ver) {
    // RAR 2.0 compression (versions 20, 26) and RAR 2.9/3.x (29, 36) by libunarr; RAR 1.5's (15) by unar.
    return unp_ver == kRar15Version || unp_ver == 20 || unp_ver == 26 || unp_ver == 29 || unp_ver == 36;
}

// One header for a file that several volumes share, as if it were whole in one.
std::string JoinedRar4Header(const RarEntry& first, const RarEntry& last, std::uint64_t pack_size) {
    std::string header = first.decoder_header;
    unsigned flags = ReadLe16(header, 3);
    flags &= ~(kFileSplitBefore | kFileSplitAfter);
    WriteLe(header, 3, flags, 2);
    WriteLe(header, 7, pack_size & 0xFFFFFFFF, 4);
    if ((flags & kFileLarge) && header.size() >= 36) {
        WriteLe(header, 32, pack_size >> 32, 4);
    }
    WriteLe(header, 16, last.crc.value_or(0), 4);
    SealRar4Header(header);
    return header;
}

} // namespace

void FillComment(const CommentText& comment, char* buffer, unsigned buffer_size, unsigned& size,
                 unsigned& state) {
    size = 0;
    state = comment.state;
    if (comment.state != 1) {
        return;
    }
    const std::size_t n = std::min<std::size_t>(comment.text.size(), buffer_size - 1);
    std::memcpy(buffer, comment.text.data(), n);
    buffer[n] = '\0';
    size = static_cast<unsigned>(n + 1);
    if (n < comment.text.size()) {
        state = ERAR_SMALL_BUF;
    }
}

std::string Archive::Utf8Name(const RarEntry& entry) const {
    return NameToUtf8(entry.name, entry.host_os, code_page);
}

void Archive::FillHeader(EntryRef ref, RARHeaderData& header) {
    const RarEntry& entry = At(ref);
    CopyTruncated(header.ArcName, volumes[ref.volume].path);
    std::string name = Utf8Name(entry);
    std::replace(name.begin(), name.end(), '/', '\\');
    CopyTruncated(header.FileName, FromUtf8(name, WindowsCodePageFor(code_page)));
    header.Flags = (entry.split_before ? RHDF_SPLITBEFORE : 0) | (entry.split_after ? RHDF_SPLITAFTER : 0) |
                   (entry.encrypted ? RHDF_ENCRYPTED : 0) | (entry.comment ? RHDF_COMMENT : 0) |
                   (entry.solid ? RHDF_SOLID : 0) | (entry.kind == EntryKind::Directory ? RHDF_DIRECTORY : 0);
    header.PackSize = static_cast<unsigned>(entry.pack_size);
    header.UnpSize = static_cast<unsigned>(entry.unp_size);
    header.HostOS = entry.host_os;
    header.FileCRC = entry.crc.value_or(0);
    header.FileTime = entry.dos_time;
    header.UnpVer = entry.unp_ver;
    header.Method = entry.method;
    header.FileAttr = entry.attributes;
    header.CmtSize = 0;
    header.CmtState = 0;
    if (entry.comment && header.CmtBuf != nullptr && header.CmtBufSize > 0) {
        FillComment(ReadComment(*entry.comment), header.CmtBuf, header.CmtBufSize, header.CmtSize,
                    header.CmtState);
    }
}

bool Archive::CanDecode(const RarEntry& entry) const {
    if (volumes.front().format == RarFormat::Rar5) {
        return entry.rar5_version == 0;
    }
    return entry.method == 0x30 || IsRar4Decodable(entry.unp_ver);
}

DecoderInput Archive::DecoderInputFor(const std::vector<EntryRef>& parts) const {
    DecoderInput input;
    protocol::Stream& stream = input.stream;
    const RarEntry& target = At(parts.front());
    const RarVolume& first_volume = volumes.front();
    stream.solid = first_volume.solid;
    for (const RarVolume& volume : volumes) {
        stream.files.push_back(volume.path);
    }
    input.request.unp_size = target.unp_size;
    const auto is_target = [&parts](std::size_t volume, std::size_t index) {
        return parts.front().volume == volume && parts.front().index == index;
    };
    if (first_volume.format == RarFormat::Rar5) {
        // libarchive reads the volumes as one stream and finds the entry by its number in it.
        stream.decoder = protocol::Decoder::Rar5;
        for (std::size_t v = 0; v < volumes.size(); ++v) {
            const std::uint64_t start = v == 0 ? volumes[v].marker_offset : 0;
            stream.pieces.push_back(
                {{}, static_cast<std::uint32_t>(v), start, volumes[v].size - start, true});
        }
        std::uint64_t number = 0;
        for (std::size_t v = 0; v <= parts.front().volume; ++v) {
            for (std::size_t i = 0; i < volumes[v].entries.size() && !is_target(v, i); ++i) {
                number += volumes[v].entries[i].split_before ? 0 : 1;
            }
        }
        input.request.key = number;
        input.request.name = Utf8Name(target);
        return input;
    }
    // RAR 1.5-4: a stream of our own making. A solid archive's files before the target go in too, since
    // the target's data continues theirs; files split over volumes are joined. libunarr finds the target by
    // where its header starts, unar (for RAR 1.5 data anywhere in the stream) by its number.
    std::string start = Rar4StreamStart(stream.solid);
    std::uint64_t offset = start.size();
    std::uint64_t number = 0;
    std::uint64_t earlier_bytes = 0;
    bool rar15 = false;
    stream.pieces.push_back({std::move(start), 0, 0, 0, false});
    const auto add_file = [&](const std::vector<EntryRef>& file_parts) {
        const RarEntry& first = At(file_parts.front());
        std::uint64_t pack_size = 0;
        for (const EntryRef& part : file_parts) {
            pack_size += At(part).data.size;
        }
        std::string header = file_parts.size() > 1 ? JoinedRar4Header(first, At(file_parts.back()), pack_size)
                                                   : first.decoder_header;
        const std::uint64_t header_offset = offset;
        offset += header.size() + pack_size;
        ++number;
        earlier_bytes += first.unp_size;
        rar15 = rar15 || (first.method != 0x30 && first.unp_ver == kRar15Version);
        stream.pieces.push_back({std::move(header), 0, 0, 0, false});
        for (const EntryRef& part : file_parts) {
            const DataRange& data = At(part).data;
            stream.pieces.push_back(
                {{}, static_cast<std::uint32_t>(part.volume), data.offset, data.size, true});
        }
        return header_offset;
    };
    const auto add_target = [&] {
        const std::uint64_t before = earlier_bytes;
        const std::uint64_t header_offset = add_file(parts);
        stream.decoder = rar15 ? protocol::Decoder::Rar15 : protocol::Decoder::Rar4;
        input.request.key = rar15 ? number - 1 : header_offset;
        input.request.earlier_bytes = rar15 ? before : 0;
        return input;
    };
    if (!stream.solid) {
        return add_target();
    }
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        for (std::size_t i = 0; i < volumes[v].entries.size(); ++i) {
            if (is_target(v, i)) {
                return add_target();
            }
            if (volumes[v].entries[i].split_before) {
                continue;
            }
            std::vector<EntryRef> file_parts{{v, i}};
            while (At(file_parts.back()).split_after && file_parts.back().volume + 1 < volumes.size() &&
                   !volumes[file_parts.back().volume + 1].entries.empty()) {
                file_parts.push_back({file_parts.back().volume + 1, 0});
            }
            add_file(file_parts);
        }
    }
    return input;
}

CommentText Archive::ReadComment(const StoredComment& comment) {
    std::string text;
    if (comment.stored) {
        text = comment.packed;
    } else if (comment.decoder_header.empty() || !IsRar4Decodable(comment.unp_ver)) {
        return {ERAR_UNKNOWN_FORMAT, {}};
    } else {
        DecoderInput input;
        std::string bytes = Rar4StreamStart(false);
        const bool rar15 = comment.unp_ver == kRar15Version;
        input.stream.decoder = rar15 ? protocol::Decoder::Rar15 : protocol::Decoder::Rar4;
        input.request.key = rar15 ? 0 : bytes.size();
        input.request.unp_size = comment.unp_size;
        input.request.unchecked = comment.crc16;
        bytes += comment.decoder_header;
        bytes += comment.packed;
        input.stream.pieces.push_back({std::move(bytes), 0, 0, 0, false});
        const DecodeResult result =
            decoder.Decode(input.stream, input.request, [&text](std::span<const std::uint8_t> block) {
                text.append(reinterpret_cast<const char*>(block.data()), block.size());
                return true;
            });
        if (result == DecodeResult::NoDecoder) {
            return {ERAR_UNKNOWN_FORMAT, {}};
        }
        if (result != DecodeResult::Ok) {
            return {ERAR_BAD_DATA, {}};
        }
    }
    const std::uint32_t crc = Crc32(text);
    if (text.size() != comment.unp_size ||
        (comment.crc && (comment.crc16 ? crc & 0xFFFF : crc) != *comment.crc)) {
        return {ERAR_BAD_DATA, {}};
    }
    return {1, std::move(text)};
}

} // namespace tavox::unrar
