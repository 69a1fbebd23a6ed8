#include "platform/unrar/crc32.h"

#include <array>

namespace tavox::unrar {

namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

} // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t previous) {
    std::uint32_t c = ~previous;
    for (const std::uint8_t b : bytes) {
        c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return ~c;
}

std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous) {
    return Crc32(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), previous);
}

} // namespace tavox::unrar
