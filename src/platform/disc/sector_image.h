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

// Reads the track's user data as if it were a plain image: the bytes from `offset` (in user data) into
// `out`. Returns how many were read; fewer at the end of the image.
class UserDataReader {
public:
    UserDataReader(ReadAt read, TrackLayout layout) : read_(std::move(read)), layout_(layout) {}
    std::size_t Read(std::uint64_t offset, std::span<std::uint8_t> out);
    const TrackLayout& Layout() const { return layout_; }

private:
    ReadAt read_;
    TrackLayout layout_;
    std::vector<std::uint8_t> raw_; // whole raw sectors, read in runs
};

} // namespace tavox
