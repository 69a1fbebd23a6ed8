#include "unrar/rar_volume.h"

#include "base/crc32.h"
#include "base/little_endian.h"
#include "base/positional_file.h"
#include "unrar/rar_volume_internal.h"
#include "unrar/unrar.h"

#include <algorithm>
#include <cerrno>

namespace tavox::unrar {

namespace {

constexpr std::string_view kRar4Marker("Rar!\x1a\x07\x00", 7);
constexpr std::string_view kRar5Marker("Rar!\x1a\x07\x01\x00", 8);
// Self-extracting archives put their program in front of the archive; the marker is looked for this far.
constexpr std::size_t kSfxSearchBytes = 2 * 1024 * 1024;

// Where the archive starts and in which format; nullopt when the file holds none.
std::optional<std::pair<std::uint64_t, RarFormat>> FindMarker(const PositionalFile& file) {
    std::string head;
    if (!file.ReadUpTo(0, kSfxSearchBytes, head)) {
        return std::nullopt;
    }
    for (std::size_t at = head.find("Rar!"); at != std::string::npos; at = head.find("Rar!", at + 1)) {
        const std::string_view rest = std::string_view(head).substr(at);
        if (rest.starts_with(kRar5Marker)) {
            return std::pair(std::uint64_t{at}, RarFormat::Rar5);
        }
        // A main header must follow, or the bytes are only a look-alike inside the self-extractor.
        if (rest.starts_with(kRar4Marker) && rest.size() > 9 && static_cast<std::uint8_t>(rest[9]) == 0x73) {
            return std::pair(std::uint64_t{at}, RarFormat::Rar4);
        }
    }
    return std::nullopt;
}

} // namespace

Result<RarVolume> ReadVolume(const std::string& path) {
    errno = 0;
    const PositionalFile file(path);
    if (!file.IsOpen()) {
        // Opened but no regular file (a directory) leaves errno as it was.
        return Failure::FromErrno("cannot open " + path, errno != 0 ? errno : EISDIR);
    }
    const auto marker = FindMarker(file);
    if (!marker) {
        return Failure(FailureKind::Damaged, path + " holds no RAR archive");
    }
    RarVolume volume;
    volume.path = path;
    volume.size = file.Size();
    volume.marker_offset = marker->first;
    volume.format = marker->second;
    const bool read =
        volume.format == RarFormat::Rar4 ? ReadRar4Blocks(file, volume) : ReadRar5Blocks(file, volume);
    if (!read) {
        return Failure(FailureKind::Damaged, "the headers of " + path + " cannot be read");
    }
    return volume;
}

void SealRar4Header(std::string& header) {
    const std::uint32_t crc = Crc32(std::string_view(header).substr(2));
    WriteLe(header, 0, crc, 2);
}

} // namespace tavox::unrar
