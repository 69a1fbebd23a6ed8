#pragma once

#include <cstddef>
#include <cstdint>
#include <ranges>
#include <string>

namespace tavox {

// The little-endian fields of the binary formats read here (PE and PIF headers, ISO 9660 descriptors, RIFF
// WAVE chunks, RAR blocks), over any bytes: std::string_view, std::span of std::uint8_t or std::byte. The
// caller has checked that the field lies inside them.

template <typename Bytes>
concept ByteRange = std::ranges::contiguous_range<Bytes> && sizeof(std::ranges::range_value_t<Bytes>) == 1;

// The unsigned number in the `size_bytes` (at most 8) bytes at `at`, least significant first.
template <ByteRange Bytes>
constexpr std::uint64_t ReadLe(const Bytes& bytes, std::size_t at, std::size_t size_bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size_bytes; ++i) {
        value |= std::uint64_t{static_cast<std::uint8_t>(std::ranges::data(bytes)[at + i])} << (8 * i);
    }
    return value;
}

template <ByteRange Bytes> constexpr std::uint16_t ReadLe16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(ReadLe(bytes, at, 2));
}

template <ByteRange Bytes> constexpr std::uint32_t ReadLe32(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(ReadLe(bytes, at, 4));
}

// Overwrites the `size_bytes` bytes at `at` with the low bytes of `value`, least significant first.
inline void WriteLe(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t size_bytes) {
    for (std::size_t i = 0; i < size_bytes; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Appends the low `size_bytes` bytes of `value`, least significant first.
inline void AppendLe(std::string& bytes, std::uint64_t value, std::size_t size_bytes) {
    bytes.resize(bytes.size() + size_bytes);
    WriteLe(bytes, bytes.size() - size_bytes, value, size_bytes);
}

} // namespace tavox
