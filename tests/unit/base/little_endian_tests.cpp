#include "base/little_endian.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavox {
namespace {

// Bytes with the top bit set catch a reader that widens them as signed chars.
constexpr std::array<std::uint8_t, 9> kField = {0x00, 0x4C, 0x81, 0xFE, 0xFF, 0x7F, 0x80, 0x01, 0xEE};

TEST(LittleEndian, ReadsTheSameFieldFromEveryKindOfBytes) {
    const std::string_view text(reinterpret_cast<const char*>(kField.data()), kField.size());
    const std::span<const std::uint8_t> unsigned_bytes(kField);
    const std::span<const std::byte> bytes = std::as_bytes(unsigned_bytes);

    EXPECT_EQ(ReadLe16(text, 1), 0x814CU);
    EXPECT_EQ(ReadLe16(unsigned_bytes, 1), 0x814CU);
    EXPECT_EQ(ReadLe16(bytes, 1), 0x814CU);
    EXPECT_EQ(ReadLe32(text, 2), 0x7FFFFE81U);
    EXPECT_EQ(ReadLe32(unsigned_bytes, 2), 0x7FFFFE81U);
    EXPECT_EQ(ReadLe32(bytes, 2), 0x7FFFFE81U);
    EXPECT_EQ(ReadLe32(bytes, 3), 0x807FFFFEU);
    EXPECT_EQ(ReadLe(text, 1, 8), 0xEE01'807F'FFFE'814CULL);
    EXPECT_EQ(ReadLe(text, 8, 1), 0xEEU);
    EXPECT_EQ(ReadLe(text, 0, 0), 0U);
}

TEST(LittleEndian, WritesWhatItReadsBack) {
    std::string header(6, '\xAA');
    WriteLe(header, 1, 0x1234'5678'9ABCULL, 4);
    EXPECT_EQ(header, std::string("\xAA\xBC\x9A\x78\x56\xAA", 6));
    EXPECT_EQ(ReadLe32(header, 1), 0x56789ABCU);

    std::string frame = "F";
    AppendLe(frame, 0xFFFE, 2);
    AppendLe(frame, 7, 1);
    EXPECT_EQ(frame, std::string("F\xFE\xFF\x07", 4));
    EXPECT_EQ(ReadLe16(frame, 1), 0xFFFEU);
}

} // namespace
} // namespace tavox
