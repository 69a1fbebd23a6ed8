#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tavox {

// The CRC-32 that RAR archives use for headers and data (the ZIP polynomial). Pass the previous result to
// continue over more bytes.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t previous = 0);
std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous = 0);

} // namespace tavox
