#include "disc/mds_descriptor.h"

#include "base/little_endian.h"

#include <cstring>

namespace tavox {

namespace {

constexpr std::string_view kSignature = "MEDIA DESCRIPTOR";
constexpr std::size_t kHeaderBytes = 88;
constexpr std::size_t kSessionBytes = 24;
constexpr std::size_t kTrackBytes = 80;
constexpr std::size_t kExtraBytes = 8;
constexpr std::size_t kFooterBytes = 16;
constexpr std::size_t kMaxNameBytes = 1024;
constexpr std::uint8_t kFirstLeadInPoint = 0xA0;

// The low half of a track block's mode byte: 9 audio, A Mode 1, B Mode 2, C Mode 2 Form 1, D Mode 2 Form 2.
bool IsDataMode(std::uint8_t mode) {
    const std::uint8_t kind = mode & 0x0F;
    return kind == 0x0A || kind == 0x0B || kind == 0x0C;
}

bool Holds(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t size) {
    return at <= bytes.size() && size <= bytes.size() - at;
}

// The image file's name at `at`: 8-bit or, when `wide`, UTF-16 (kept to its ASCII letters: such names are
// "*.mdf" or the plain name of a file beside the descriptor).
std::optional<std::string> FileName(std::span<const std::uint8_t> bytes, std::uint32_t at, bool wide) {
    std::string name;
    const std::size_t step = wide ? 2 : 1;
    for (std::size_t i = at; Holds(bytes, i, step) && name.size() < kMaxNameBytes; i += step) {
        const std::uint16_t c = wide ? ReadLe16(bytes, i) : bytes[i];
        if (c == 0) {
            return name;
        }
        name += c < 0x80 ? static_cast<char>(c) : '_';
    }
    return std::nullopt;
}

} // namespace

bool LooksLikeMds(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kSignature.size() &&
           std::memcmp(bytes.data(), kSignature.data(), kSignature.size()) == 0;
}

TrackPlaces MdsTracks(std::span<const std::uint8_t> bytes) {
    if (!LooksLikeMds(bytes)) {
        return {};
    }
    if (bytes.size() < kHeaderBytes) {
        return {{}, "the media descriptor is cut short."};
    }
    if (bytes[16] == 2) {
        return {{},
                "it is a media descriptor of version 2, which this menu does not read. Open the .mdf image "
                "beside it instead, or convert that to ISO: iat IMAGE.mdf IMAGE.iso"};
    }
    if (bytes[16] != 1) {
        return {{}, "it is a media descriptor of an unknown version (" + std::to_string(bytes[16]) + ")."};
    }
    const std::uint16_t sessions = ReadLe16(bytes, 20);
    const std::uint32_t sessions_at = ReadLe32(bytes, 80);
    if (sessions == 0 || sessions > kMaxTracks ||
        !Holds(bytes, sessions_at, std::uint64_t{sessions} * kSessionBytes)) {
        return {{}, "its list of sessions lies beyond the descriptor."};
    }
    TrackPlaces places;
    std::size_t tracks = 0;
    for (std::size_t s = 0; s < sessions; ++s) {
        const std::size_t session = sessions_at + s * kSessionBytes;
        const std::uint8_t blocks = bytes[session + 10];
        const std::uint32_t blocks_at = ReadLe32(bytes, session + 20);
        if (!Holds(bytes, blocks_at, std::uint64_t{blocks} * kTrackBytes)) {
            return {{}, "a list of tracks lies beyond the descriptor."};
        }
        for (std::size_t b = 0; b < blocks; ++b) {
            const auto block = bytes.subspan(blocks_at + b * kTrackBytes, kTrackBytes);
            const std::uint8_t point = block[4];
            if (point == 0 || point >= kFirstLeadInPoint) {
                continue; // lead-in entries of the session's table of contents
            }
            if (++tracks > kMaxTracks) {
                return {{},
                        "it lists more than " + std::to_string(kMaxTracks) +
                            " tracks, more than a CD holds."};
            }
            if (!IsDataMode(block[0])) {
                continue;
            }
            const std::uint32_t files = ReadLe32(block, 48);
            const std::uint32_t footer_at = ReadLe32(block, 52);
            if (files == 0 || !Holds(bytes, footer_at, kFooterBytes)) {
                return {{}, "a track names its file beyond the descriptor."};
            }
            const auto name =
                FileName(bytes, ReadLe32(bytes, footer_at), ReadLe32(bytes, footer_at + 4) != 0);
            if (!name || name->empty()) {
                return {{}, "a track's file name lies beyond the descriptor."};
            }
            const std::uint16_t sector_size = ReadLe16(block, 16);
            const std::uint32_t first_sector = ReadLe32(block, 36);
            const std::uint64_t start = ReadLe(block, 40, 8);
            places.tracks.push_back(TrackPlace{*name, start, sector_size, first_sector});
            // A track's pregap may be stored before its first sector; the content tells which it is.
            const std::uint32_t extra_at = ReadLe32(block, 12);
            if (extra_at != 0 && Holds(bytes, extra_at, kExtraBytes)) {
                const std::uint32_t pregap = ReadLe32(bytes, extra_at);
                if (pregap != 0 && pregap <= first_sector) {
                    places.tracks.push_back(TrackPlace{*name, start + std::uint64_t{pregap} * sector_size,
                                                       sector_size, first_sector});
                }
            }
        }
    }
    return places;
}

} // namespace tavox
