#include "base/crc32.h"

#include <zlib.h>

namespace tavox {

// zlib's CRC-32 is the same one, and several times faster than a byte table over the megabytes of stored
// data that every extraction checks.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    return static_cast<std::uint32_t>(crc32_z(previous, bytes.data(), bytes.size()));
}

std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous) {
    return Crc32(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), previous);
}

} // namespace tavox
