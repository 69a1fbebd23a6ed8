#pragma once

#include "base/result.h"
#include "disc/disc_image.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

enum class UnpackStatus { Done, Cancelled, Failed };

struct UnpackResult {
    UnpackStatus status = UnpackStatus::Done;
    std::string error; // for the user, when Failed
};

// Told how many of the track's bytes were read so far and how many there are; returning false cancels.
using UnpackProgress = std::function<bool(std::uint64_t done_bytes, std::uint64_t total_bytes)>;

// Writes the files and directories of the disc's ISO 9660 file system (Rock Ridge or Joliet names, as UTF-8
// in every locale) into `target`, an empty directory. Only directories and plain files are made: symbolic
// links, devices and other special files are left out, a hard link becomes a copy of a file already written,
// and no mode bits of the disc are kept. Names that would leave `target` are left out. The total written is
// bounded by the disc's size, so a disc cannot claim more than it holds. On failure or cancel, what was
// written stays for the caller to remove.
UnpackResult UnpackDisc(const DiscImage& image, const std::filesystem::path& target,
                        const UnpackProgress& progress);

// The relative path a disc's entry name stands for; nothing for names that are absolute, climb with "..",
// or are empty.
std::optional<std::filesystem::path> SafeRelativePath(std::string_view name);

// Writes all `size` bytes at `offset` of the file; false when the file takes no more, errno telling why.
[[nodiscard]] bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t offset);

// Makes the parent directories of a file to write. Fails Exists when a file already stands where one of them
// belongs, with the system's cause otherwise (no room, no permission).
Status MakeParents(const std::filesystem::path& path);

} // namespace tavox
