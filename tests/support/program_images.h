#pragma once

// Program files made in memory, for the tests that classify and route programs by their headers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavox::test {

inline constexpr std::string_view kPeSignature("PE\0\0", 4);

// A DOS program: a header of four paragraphs, then code up to `size` bytes; `new_header_at` goes where a
// Windows program keeps the offset of its own header.
std::string DosImage(std::size_t size = 0x80, std::uint32_t new_header_at = 0);

// A DOS stub whose pointer leads to `signature` at 0x80, with a PE file header for `machine` and an optional
// header starting with `magic` (i386 and PE32 unless told otherwise).
std::string WindowsImage(std::string_view signature, std::uint16_t machine = 0x14C,
                         std::uint16_t magic = 0x10B);

} // namespace tavox::test
