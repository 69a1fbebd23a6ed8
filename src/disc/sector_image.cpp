#include "disc/sector_image.h"

#include "base/little_endian.h"
#include "disc/volume_descriptors.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tavox {

namespace {

constexpr std::array<std::uint8_t, 12> kSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::uint32_t kRawBytes = 2352;
constexpr std::uint64_t kDescriptorSector = 16;
constexpr std::uint32_t kLeadInSectors = 150;
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
    return TrackLayout{format, sector_size, start_byte, 0};
}

std::optional<TrackLayout> SniffPlain(const ReadAt& read, std::uint64_t start_byte) {
    std::array<std::uint8_t, 8> head{};
    if (read(start_byte + kDescriptorSector * kUserSectorBytes, head) != head.size() || !IsDescriptor(head)) {
        return std::nullopt;
    }
    return TrackLayout{SectorFormat::Plain, kUserSectorBytes, start_byte, 0};
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

std::optional<std::uint32_t> RawHeaderFirstSector(const ReadAt& read, const TrackLayout& layout) {
    if (layout.format == SectorFormat::Plain) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> head{};
    if (read(layout.start_byte + kDescriptorSector * layout.sector_size, head) != head.size()) {
        return std::nullopt;
    }
    const auto bcd = [](std::uint8_t byte) -> std::optional<std::uint32_t> {
        if ((byte >> 4) > 9 || (byte & 0x0F) > 9) {
            return std::nullopt;
        }
        return (byte >> 4) * 10u + (byte & 0x0Fu);
    };
    const auto minutes = bcd(head[12]);
    const auto seconds = bcd(head[13]);
    const auto frames = bcd(head[14]);
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= 75) {
        return std::nullopt;
    }
    // Addresses count from 00:02:00, the end of the first track's pregap.
    const std::uint32_t address = (*minutes * 60 + *seconds) * 75 + *frames;
    if (address < kLeadInSectors + kDescriptorSector) {
        return std::nullopt;
    }
    return address - kLeadInSectors - static_cast<std::uint32_t>(kDescriptorSector);
}

std::size_t UserDataReader::ReadTrack(std::uint64_t track_sector, std::size_t skip,
                                      std::span<std::uint8_t> out) {
    if (layout_.format == SectorFormat::Plain) {
        return read_(layout_.start_byte + track_sector * kUserSectorBytes + skip, out);
    }
    const std::uint32_t data_at = UserDataOffset(layout_.format);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t first = track_sector + (skip + done) / kUserSectorBytes;
        const std::size_t from_first = (skip + done) % kUserSectorBytes;
        const std::size_t wanted = (from_first + out.size() - done + kUserSectorBytes - 1) / kUserSectorBytes;
        const std::size_t sectors = std::min(wanted, kRunSectors);
        raw_.resize(sectors * layout_.sector_size);
        const std::size_t got = read_(layout_.start_byte + first * layout_.sector_size, raw_);
        const std::size_t whole = got / layout_.sector_size;
        if (whole == 0) {
            break;
        }
        for (std::size_t s = 0; s < whole && done < out.size(); ++s) {
            const std::size_t from = s == 0 ? from_first : 0;
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

const std::vector<std::uint8_t>& UserDataReader::LaterTrackDescriptors() {
    if (descriptors_) {
        return *descriptors_;
    }
    descriptors_.emplace(kMaxVolumeDescriptors * kUserSectorBytes);
    descriptors_->resize(ReadTrack(kDescriptorSector, 0, *descriptors_));
    // A later session's descriptors may count only the session's own sectors, while its files lie beyond
    // the sectors before it; a reader of the disc must be told the disc's whole size.
    for (std::size_t at = 0; at + kUserSectorBytes <= descriptors_->size(); at += kUserSectorBytes) {
        const auto descriptor = std::span(*descriptors_).subspan(at, kUserSectorBytes);
        if ((descriptor[0] == 1 || descriptor[0] == 2) &&
            std::memcmp(descriptor.data() + 1, "CD001", 5) == 0) {
            const std::uint32_t blocks = ReadLe32(descriptor, 80) + layout_.first_sector;
            for (std::size_t i = 0; i < 4; ++i) {
                descriptor[80 + i] = static_cast<std::uint8_t>(blocks >> (8 * i));
                descriptor[87 - i] = static_cast<std::uint8_t>(blocks >> (8 * i));
            }
        }
    }
    return *descriptors_;
}

std::size_t UserDataReader::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
    const std::uint64_t track_from = std::uint64_t{layout_.first_sector} * kUserSectorBytes;
    if (offset >= track_from) {
        const std::uint64_t position = offset - track_from;
        return ReadTrack(position / kUserSectorBytes, position % kUserSectorBytes, out);
    }
    // Before a later track: its descriptors where a reader looks for them, zeros elsewhere.
    const std::uint64_t descriptors_from = kDescriptorSector * kUserSectorBytes;
    const std::uint64_t descriptors_end =
        std::min(track_from, (kDescriptorSector + kMaxVolumeDescriptors) * kUserSectorBytes);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t position = offset + done;
        if (position >= track_from) {
            return done + Read(position, out.subspan(done));
        }
        const bool descriptor = position >= descriptors_from && position < descriptors_end;
        const std::uint64_t run_end = descriptor                    ? descriptors_end
                                      : position < descriptors_from ? std::min(descriptors_from, track_from)
                                                                    : track_from;
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(run_end - position, out.size() - done));
        const auto piece = out.subspan(done, count);
        if (descriptor) {
            const std::vector<std::uint8_t>& descriptors = LaterTrackDescriptors();
            const std::uint64_t from = position - descriptors_from;
            const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(
                count, descriptors.size() - std::min<std::uint64_t>(from, descriptors.size())));
            std::memcpy(piece.data(), descriptors.data() + from, got);
            if (got < count) {
                return done + got;
            }
        } else {
            std::fill(piece.begin(), piece.end(), std::uint8_t{0});
        }
        done += count;
    }
    return done;
}

} // namespace tavox
