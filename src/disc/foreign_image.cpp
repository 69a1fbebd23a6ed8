#include "disc/foreign_image.h"

#include "base/little_endian.h"

#include <array>
#include <string_view>

namespace tavox {

namespace {

// A DiscJuggler image ends with its version and the offset of its track descriptions.
constexpr std::uint32_t kFirstCdiVersion = 0x80000004;
constexpr std::uint32_t kLastCdiVersion = 0x80000006;

} // namespace

std::optional<std::string> ForeignImageRemedy(const ReadAt& read, std::uint64_t size_bytes) {
    std::array<std::uint8_t, 8> head{};
    const std::string_view magic(reinterpret_cast<const char*>(head.data()), head.size());
    if (read(0, head) == head.size()) {
        if (magic == "MComprHD") {
            return "it is a compressed hunks of data (CHD) image, which this menu does not read. Convert it "
                   "to a cue sheet and its tracks with chdman (Debian package mame-tools): "
                   "chdman extractcd -i IMAGE.chd -o IMAGE.cue";
        }
        if (magic.substr(0, 4) == std::string_view("ECM\0", 4)) {
            return "it is an error code modelled (ECM) image, which this menu does not read. Restore the "
                   "image "
                   "it was made from with unecm: unecm IMAGE.bin.ecm";
        }
    }
    std::array<std::uint8_t, 8> tail{};
    if (size_bytes >= tail.size() && read(size_bytes - tail.size(), tail) == tail.size()) {
        const std::uint32_t version = ReadLe32(tail, 0);
        const std::uint32_t descriptions_at = ReadLe32(tail, 4);
        if (version >= kFirstCdiVersion && version <= kLastCdiVersion && descriptions_at < size_bytes) {
            return "it is a DiscJuggler image (.cdi), which this menu does not read. Convert it to ISO with "
                   "iat: iat IMAGE.cdi IMAGE.iso";
        }
    }
    return std::nullopt;
}

} // namespace tavox
