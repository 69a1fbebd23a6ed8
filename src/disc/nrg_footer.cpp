#include "disc/nrg_footer.h"

#include <array>
#include <map>
#include <vector>

namespace tavox {

namespace {

constexpr std::size_t kChunkHead = 8;
// The chunks read here hold at most 99 tracks of a few dozen bytes; others are stepped over unread.
constexpr std::uint32_t kMaxReadChunk = 64 * 1024;
constexpr std::size_t kMaxChunks = 256;
constexpr std::size_t kDaoHeadBytes = 22;

// The chunks' numbers are big-endian.
std::uint64_t ReadBe(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t size_bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size_bytes; ++i) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

std::uint8_t FromBcd(std::uint8_t byte) {
    return static_cast<std::uint8_t>((byte >> 4) * 10 + (byte & 0x0F));
}

struct Chunk {
    std::string id;
    std::vector<std::uint8_t> data;
};

struct Footer {
    std::uint64_t chunks_at = 0;
    std::uint64_t end = 0; // where the footer starts: the chunks end before it
    std::size_t offset_bytes = 4;
};

std::optional<Footer> ReadFooter(const ReadAt& read, std::uint64_t size) {
    std::array<std::uint8_t, 12> tail{};
    if (size < tail.size() || read(size - tail.size(), tail) != tail.size()) {
        return std::nullopt;
    }
    if (std::string_view(reinterpret_cast<const char*>(tail.data()), 4) == "NER5") {
        return Footer{ReadBe(tail, 4, 8), size - 12, 8};
    }
    if (std::string_view(reinterpret_cast<const char*>(tail.data()) + 4, 4) == "NERO") {
        return Footer{ReadBe(tail, 8, 4), size - 8, 4};
    }
    return std::nullopt;
}

} // namespace

TrackPlaces NrgTracks(const ReadAt& read, std::uint64_t size_bytes) {
    const auto footer = ReadFooter(read, size_bytes);
    if (!footer) {
        return {};
    }
    if (footer->chunks_at >= footer->end) {
        return {{}, "its footer points beyond the image's track information."};
    }
    std::vector<Chunk> chunks;
    for (std::uint64_t at = footer->chunks_at;;) {
        std::array<std::uint8_t, kChunkHead> head{};
        if (chunks.size() == kMaxChunks || at + kChunkHead > footer->end || read(at, head) != head.size()) {
            return {{}, "its track information runs past its end."};
        }
        Chunk chunk{std::string(reinterpret_cast<const char*>(head.data()), 4), {}};
        const std::uint64_t size = ReadBe(head, 4, 4);
        if (chunk.id == "END!") {
            break;
        }
        if (size > footer->end - at - kChunkHead) {
            return {{}, "its chunk \"" + chunk.id + "\" runs past the image's end."};
        }
        if (size > 0 && size <= kMaxReadChunk) {
            chunk.data.resize(size);
            if (read(at + kChunkHead, chunk.data) != size) {
                return {{}, "it cannot be read to its end."};
            }
        }
        chunks.push_back(std::move(chunk));
        at += kChunkHead + size;
    }
    // Index 1 of each track, from the cue chunk: where the disc counts its first sector.
    std::map<std::uint8_t, std::uint32_t> addresses;
    for (const Chunk& chunk : chunks) {
        if (chunk.id != "CUEX" && chunk.id != "CUES") {
            continue;
        }
        for (std::size_t at = 0; at + 8 <= chunk.data.size(); at += 8) {
            if (FromBcd(chunk.data[at + 2]) != 1) {
                continue;
            }
            const std::uint8_t track = FromBcd(chunk.data[at + 1]);
            if (chunk.id == "CUEX") {
                const auto lba = static_cast<std::int32_t>(ReadBe(chunk.data, at + 4, 4));
                if (lba >= 0) {
                    addresses[track] = static_cast<std::uint32_t>(lba);
                }
            } else {
                const std::uint32_t msf =
                    (FromBcd(chunk.data[at + 5]) * 60u + FromBcd(chunk.data[at + 6])) * 75u +
                    FromBcd(chunk.data[at + 7]);
                if (msf >= 150) {
                    addresses[track] = msf - 150;
                }
            }
        }
    }
    const auto address = [&addresses](std::size_t track) -> std::optional<std::uint32_t> {
        const auto found = addresses.find(static_cast<std::uint8_t>(track));
        return found == addresses.end() ? std::nullopt : std::optional(found->second);
    };
    TrackPlaces places;
    const auto add = [&](std::uint64_t start, std::uint64_t end, std::uint32_t sector_size,
                         std::optional<std::uint32_t> first_sector) {
        if (start >= end || end > footer->chunks_at) {
            places.problem = "a track lies beyond the image's sectors.";
            return false;
        }
        if (places.tracks.size() == kMaxTracks) {
            places.problem =
                "it lists more than " + std::to_string(kMaxTracks) + " tracks, more than a CD holds.";
            return false;
        }
        places.tracks.push_back(TrackPlace{{}, start, sector_size, first_sector});
        return true;
    };
    std::size_t track = 1;
    for (const Chunk& chunk : chunks) {
        const auto& data = chunk.data;
        if ((chunk.id == "DAOX" || chunk.id == "DAOI") && data.size() >= kDaoHeadBytes) {
            const std::size_t wide = chunk.id == "DAOX" ? 8 : 4;
            const std::size_t entry = 18 + 3 * wide;
            track = data[20] == 0 ? track : data[20];
            for (std::size_t at = kDaoHeadBytes; at + entry <= data.size(); at += entry, ++track) {
                const auto sector_size = static_cast<std::uint32_t>(ReadBe(data, at + 12, 2));
                if (!add(ReadBe(data, at + 18 + wide, wide), ReadBe(data, at + 18 + 2 * wide, wide),
                         sector_size, address(track))) {
                    return {{}, places.problem};
                }
            }
        } else if (chunk.id == "ETN2" || chunk.id == "ETNF") {
            const std::size_t wide = chunk.id == "ETN2" ? 8 : 4;
            const std::size_t entry = chunk.id == "ETN2" ? 32 : 20;
            for (std::size_t at = 0; at + entry <= data.size(); at += entry, ++track) {
                const std::uint64_t start = ReadBe(data, at, wide);
                const std::uint64_t length = ReadBe(data, at + wide, wide);
                const auto lba = static_cast<std::uint32_t>(ReadBe(data, at + 2 * wide + 4, 4));
                if (length > footer->chunks_at || !add(start, start + length, 0, lba)) {
                    return {{},
                            places.problem.empty() ? "a track lies beyond the image's sectors."
                                                   : places.problem};
                }
            }
        }
    }
    if (places.tracks.empty()) {
        return {{}, "its track information lists no track."};
    }
    return places;
}

} // namespace tavox
