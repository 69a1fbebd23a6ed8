#include "platform/disc/sector_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tavox {

namespace {

constexpr std::array<std::uint8_t, 12> kSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::uint32_t kRawBytes = 2352;
constexpr std::uint64_t kDescriptorSector = 16;
// Raw sectors read at once: a few hundred kilobytes keep the file reads few without holding much.
constexpr std::size_t kRunSectors = 128;

bool IsDescriptor(std::span<const std::uint8_t> user) {
    return user.size() >= 6 && std::memcmp(user.data() + 1, "CD001", 5) == 0;
}

std::uint32_t UserDataOffset(SectorFormat format) {
    switch (format) {
    case SectorFormat::RawMode1:
        return 16;
    case SectorFormat::RawMode2Form1:
        return 24;
    case SectorFormat::Plain:
        break;
    }
    return 0;
}

std::optional<TrackLayout> SniffRaw(const ReadAt& read, std::uint64_t start_byte, std::uint32_t sector_size) {
    std::array<std::uint8_t, kRawBytes> sector{};
    if (read(start_byte + kDescriptorSector * sector_size, sector) != sector.size() ||
        !std::equal(kSync.begin(), kSync.end(), sector.begin())) {
        return std::nullopt;
    }
    // The mode byte follows the three address bytes; Form 2 sectors (bit 5 of the submode) hold no
    // file system.
    SectorFormat format = SectorFormat::Plain;
    if (sector[15] == 1) {
        format = SectorFormat::RawMode1;
    } else if (sector[15] == 2 && (sector[18] & 0x20) == 0) {
        format = SectorFormat::RawMode2Form1;
    } else {
        return std::nullopt;
    }
    const auto user = std::span<const std::uint8_t>(sector).subspan(UserDataOffset(format));
    if (!IsDescriptor(user)) {
        return std::nullopt;
    }
    return TrackLayout{format, sector_size, start_byte};
}

std::optional<TrackLayout> SniffPlain(const ReadAt& read, std::uint64_t start_byte) {
    std::array<std::uint8_t, 8> head{};
    if (read(start_byte + kDescriptorSector * kUserSectorBytes, head) != head.size() || !IsDescriptor(head)) {
        return std::nullopt;
    }
    return TrackLayout{SectorFormat::Plain, kUserSectorBytes, start_byte};
}

} // namespace

std::optional<TrackLayout> SniffTrack(const ReadAt& read, std::uint64_t start_byte,
                                      std::uint32_t hint_sector_size) {
    std::vector<std::uint32_t> sizes;
    if (hint_sector_size != 0) {
        sizes.push_back(hint_sector_size);
    }
    for (const std::uint32_t size : {kUserSectorBytes, kRawBytes, 2448u}) {
        if (size != hint_sector_size) {
            sizes.push_back(size);
        }
    }
    for (const std::uint32_t size : sizes) {
        auto layout = size == kUserSectorBytes ? SniffPlain(read, start_byte)
                      : size >= kRawBytes      ? SniffRaw(read, start_byte, size)
                                               : std::nullopt;
        if (layout) {
            return layout;
        }
    }
    return std::nullopt;
}

std::size_t UserDataReader::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (layout_.format == SectorFormat::Plain) {
        return read_(layout_.start_byte + offset, out);
    }
    const std::uint32_t data_at = UserDataOffset(layout_.format);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t position = offset + done;
        const std::uint64_t first = position / kUserSectorBytes;
        const std::size_t skip = position % kUserSectorBytes;
        const std::size_t wanted = (skip + out.size() - done + kUserSectorBytes - 1) / kUserSectorBytes;
        const std::size_t sectors = std::min(wanted, kRunSectors);
        raw_.resize(sectors * layout_.sector_size);
        const std::size_t got = read_(layout_.start_byte + first * layout_.sector_size, raw_);
        const std::size_t whole = got / layout_.sector_size;
        if (whole == 0) {
            break;
        }
        for (std::size_t s = 0; s < whole && done < out.size(); ++s) {
            const std::size_t from = s == 0 ? skip : 0;
            const std::size_t count = std::min<std::size_t>(kUserSectorBytes - from, out.size() - done);
            std::memcpy(out.data() + done, raw_.data() + s * layout_.sector_size + data_at + from, count);
            done += count;
        }
        if (whole < sectors) {
            break;
        }
    }
    return done;
}

} // namespace tavox
