#include "unrar/protocol/field_reader.h"

#include "base/little_endian.h"

namespace tavox::unrar {

std::uint64_t FieldReader::Fixed(std::size_t size) {
    if (!ok_ || pos_ > bytes_.size() || bytes_.size() - pos_ < size) {
        ok_ = false;
        return 0;
    }
    const std::uint64_t value = ReadLe(bytes_, pos_, size);
    pos_ += size;
    return value;
}

std::uint64_t FieldReader::Vint() {
    std::uint64_t value = 0;
    for (int shift = 0; ok_ && shift < 64; shift += 7) {
        if (pos_ >= bytes_.size()) {
            break;
        }
        const auto byte = static_cast<std::uint8_t>(bytes_[pos_++]);
        value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    ok_ = false;
    return 0;
}

std::string_view FieldReader::Bytes(std::uint64_t size) {
    if (!ok_ || pos_ > bytes_.size() || bytes_.size() - pos_ < size) {
        ok_ = false;
        return {};
    }
    const std::string_view out = bytes_.substr(pos_, static_cast<std::size_t>(size));
    pos_ += static_cast<std::size_t>(size);
    return out;
}

} // namespace tavox::unrar
