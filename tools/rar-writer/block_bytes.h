#pragma once

// Shared pieces of the two block formats: little-endian and variable-length numbers, names, times.

#include "rar-writer/rar_writer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavox::rar_writer {

class ByteWriter {
public:
    void U8(std::uint32_t value) { bytes_.push_back(static_cast<char>(value & 0xFF)); }
    void U16(std::uint32_t value) {
        U8(value);
        U8(value >> 8);
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // RAR 5's variable-length integer: seven bits a byte, lowest first, the top bit telling that more follow.
    void Vint(std::uint64_t value) {
        while (value >= 0x80) {
            U8(static_cast<std::uint32_t>(value & 0x7F) | 0x80);
            value >>= 7;
        }
        U8(static_cast<std::uint32_t>(value));
    }
    void Bytes(std::string_view bytes) { bytes_.append(bytes); }

    const std::string& Data() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

// The entry's name as stored, with the given separator between its parts.
std::string StoredName(const Entry& entry, char separator);
// MS-DOS date and time (two-second steps) of a Unix time, read as UTC; 1980 at the earliest.
std::uint32_t DosTime(std::int64_t unix_time);

std::string WriteRar4(const Archive& archive);
std::string WriteRar5(const Archive& archive);

} // namespace tavox::rar_writer
