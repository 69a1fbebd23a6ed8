#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tavox {

// How a data track stores its 2048-byte user sectors.
enum class SectorFormat {
    Plain,         // 2048-byte sectors, as an .iso holds them
    RawMode1,      // 2352 (or 2448 with subchannel) bytes: sync, header, data at 16, error correction
    RawMode2Form1, // as RawMode1 with an 8-byte subheader: data at 24
};

struct TrackLayout {
    SectorFormat format = SectorFormat::Plain;
    std::uint32_t sector_size = 2048; // bytes per stored sector
    std::uint64_t start_byte = 0;     // where the track's first sector is stored
    // The track's first sector's address on the disc. A data track after audio (a second session) keeps
    // its file system's addresses as the disc counts them, from the disc's start.
    std::uint32_t first_sector = 0;
};

constexpr std::uint32_t kUserSectorBytes = 2048;

// Reads up to out.size() bytes at an offset of the image file; returns how many it read (fewer at the end).
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// Finds the track's format from its sector 16, where every ISO 9660 disc keeps its first volume descriptor:
// a raw sector starts with the sync pattern and names its mode in its header; a plain one has "CD001" right
// away. The file's extension says nothing: images of every kind are named .bin, .img or .iso. A `hint` sector
// size (from a cue sheet) is tried first.
std::optional<TrackLayout> SniffTrack(const ReadAt& read, std::uint64_t start_byte,
                                      std::uint32_t hint_sector_size = 0);

// The address a raw sector's header gives the track's first sector, from the header of its sector 16;
// nothing for plain sectors or a header that names no address before it.
std::optional<std::uint32_t> RawHeaderFirstSector(const ReadAt& read, const TrackLayout& layout);

// Reads the track's user data as the disc's drive would: the bytes from `offset` (in user data, from the
// disc's first sector) into `out`. Sectors from the track's first one on come from the track; the volume
// descriptors of a track that starts later are also found at sector 16, where a reader of the disc looks
// for them (with the disc's size), and any other sector before the track reads as zeros. Returns how many
// were read; fewer at the end of the image.
class UserDataReader {
public:
    UserDataReader(ReadAt read, TrackLayout layout) : read_(std::move(read)), layout_(layout) {}
    std::size_t Read(std::uint64_t offset, std::span<std::uint8_t> out);
    const TrackLayout& Layout() const { return layout_; }

private:
    // Reads whole and partial user sectors of the track from its sector `track_sector`, skipping `skip`
    // bytes.
    std::size_t ReadTrack(std::uint64_t track_sector, std::size_t skip, std::span<std::uint8_t> out);
    // The descriptors of a track that starts after sector 16, read once, telling the disc's whole size.
    const std::vector<std::uint8_t>& LaterTrackDescriptors();

    ReadAt read_;
    TrackLayout layout_;
    std::vector<std::uint8_t> raw_; // whole raw sectors, read in runs
    std::optional<std::vector<std::uint8_t>> descriptors_;
};

} // namespace tavox
