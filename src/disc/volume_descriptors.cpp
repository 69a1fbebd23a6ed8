#include "disc/volume_descriptors.h"

#include "base/little_endian.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace tavox {

namespace {

constexpr std::size_t kSector = 2048;
constexpr std::uint8_t kPrimary = 1;
constexpr std::uint8_t kSupplementary = 2;
constexpr std::uint8_t kTerminator = 255;

// Joliet marks its supplementary descriptor with a UCS-2 escape sequence at byte 88.
bool IsJoliet(std::span<const std::uint8_t> descriptor) {
    return descriptor[0] == kSupplementary && descriptor[88] == 0x25 && descriptor[89] == 0x2F &&
           (descriptor[90] == 0x40 || descriptor[90] == 0x43 || descriptor[90] == 0x45);
}

std::string TrimmedVolumeId(std::span<const std::uint8_t> descriptor) {
    std::string label(reinterpret_cast<const char*>(descriptor.data() + 40), 32);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\0')) {
        label.pop_back();
    }
    return label;
}

// Letters, digits and a few marks; anything else could mean something to the file system.
std::string SafeName(std::string_view label) {
    std::string name;
    for (const char c : label) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '-';
        name += plain ? c : '_';
    }
    return name.empty() ? std::string("DISC") : name;
}

// FNV-1a, 64 bits: it only has to tell discs with the same label apart.
std::uint64_t Digest(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

std::string DiscIdentity(std::string_view label, std::span<const std::uint8_t> bytes) {
    std::array<char, 17> digest{};
    std::snprintf(digest.data(), digest.size(), "%016llx", static_cast<unsigned long long>(Digest(bytes)));
    return SafeName(label) + "-" + digest.data();
}

std::uint32_t CdSerialNumber(std::span<const std::uint8_t> descriptor) {
    std::array<std::uint8_t, 4> lanes{};
    for (std::size_t i = 0; i < descriptor.size(); ++i) {
        lanes[i % 4] = static_cast<std::uint8_t>(lanes[i % 4] + descriptor[i]);
    }
    return std::uint32_t{lanes[0]} << 24 | std::uint32_t{lanes[1]} << 16 | std::uint32_t{lanes[2]} << 8 |
           lanes[3];
}

std::optional<VolumeInfo> ParseVolumeDescriptors(std::span<const std::uint8_t> descriptors) {
    std::optional<std::span<const std::uint8_t>> primary;
    std::optional<std::span<const std::uint8_t>> joliet;
    std::size_t end = 0;
    for (std::size_t at = 0; at + kSector <= descriptors.size() && at / kSector < kMaxVolumeDescriptors;
         at += kSector) {
        const auto descriptor = descriptors.subspan(at, kSector);
        if (std::memcmp(descriptor.data() + 1, "CD001", 5) != 0) {
            break;
        }
        end = at + kSector;
        if (descriptor[0] == kTerminator) {
            break;
        }
        if (descriptor[0] == kPrimary && !primary) {
            primary = descriptor;
        } else if (IsJoliet(descriptor) && !joliet) {
            joliet = descriptor;
        }
    }
    if (!primary) {
        return std::nullopt;
    }
    VolumeInfo info;
    info.label = TrimmedVolumeId(*primary);
    // Windows reads a Joliet disc through its supplementary descriptor, and so sums that one.
    info.serial = CdSerialNumber(joliet ? *joliet : *primary);
    const std::uint32_t blocks = ReadLe32(*primary, 80);
    const std::uint32_t block_size = ReadLe16(*primary, 128);
    info.root_sector = ReadLe32(*primary, 158); // the extent of the root's directory record at 156
    info.volume_bytes = std::uint64_t{blocks} * (block_size == 0 ? kSector : block_size);
    info.identity = DiscIdentity(info.label, descriptors.first(end));
    return info;
}

} // namespace tavox
