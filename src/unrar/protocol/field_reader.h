#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavox::unrar {

// Little-endian fields of a header, read within its bounds.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes, std::size_t pos = 0) : bytes_(bytes), pos_(pos) {}

    std::size_t Pos() const { return pos_; }
    bool Ok() const { return ok_; }
    std::uint64_t Fixed(std::size_t size);
    // RAR 5's variable-length integer: seven bits a byte, low bits first.
    std::uint64_t Vint();
    std::string_view Bytes(std::uint64_t size);

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace tavox::unrar
