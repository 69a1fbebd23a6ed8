#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tavox {

// What the volume descriptors of an ISO 9660 disc say about it.
struct VolumeInfo {
    std::string label;              // the primary descriptor's volume id, trailing blanks dropped
    std::uint32_t serial = 0;       // as Windows reports it for the disc
    std::uint64_t volume_bytes = 0; // the volume space size in bytes: no file on the disc can be larger
    std::string identity;           // names the disc in the cache: the label made safe plus a digest
    std::uint32_t root_sector = 0;  // where the root directory starts, as the disc counts its sectors
};

// Descriptors are read from sector 16 until the terminator, at most this many.
constexpr std::size_t kMaxVolumeDescriptors = 32;

// Reads the volume descriptors (the user data from sector 16 on, whole 2048-byte sectors). Nothing when
// there is no primary descriptor before the terminator or the end of the data.
std::optional<VolumeInfo> ParseVolumeDescriptors(std::span<const std::uint8_t> descriptors);

// Names a disc in the cache: its label made safe for a file name and a digest of the bytes that tell it
// from other discs of that label.
std::string DiscIdentity(std::string_view label, std::span<const std::uint8_t> bytes);

// The serial number Windows gives a CD: the descriptor's bytes summed in four interleaved 8-bit lanes, the
// lane of byte 0 being the most significant.
std::uint32_t CdSerialNumber(std::span<const std::uint8_t> descriptor);

} // namespace tavox
