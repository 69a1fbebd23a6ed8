#pragma once

#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavox {

// Wine gives a drive the volume label and serial number written in these files of the directory the drive
// links to, when its server starts; DOSBox is given the label from the same file.
inline constexpr std::string_view kWindowsLabelFile = ".windows-label";
inline constexpr std::string_view kWindowsSerialFile = ".windows-serial";

// Writes the label (and the serial, as eight hex digits, when there is one) into `dir`.
Status WriteDriveLabel(const std::filesystem::path& dir, std::string_view label,
                       std::optional<std::uint32_t> serial);

// The mount of the file system that holds `path`, as /proc/self/mountinfo lists it.
struct MountEntry {
    std::filesystem::path mount_point;
    std::string source; // the device ("/dev/sr0")
};

// The mount whose mount point is `path` itself (a disc's root), from the text of /proc/self/mountinfo.
std::optional<MountEntry> MountAt(std::string_view mountinfo, const std::filesystem::path& path);

// The label of the disc mounted at `dir`, from the links in /dev/disk/by-label (or `by_label_dir`) that
// lead to its device; nothing when `dir` is not the root of a mount or the device has no label.
std::optional<std::string> MountedDiscLabel(const std::filesystem::path& dir,
                                            const std::filesystem::path& by_label_dir = "/dev/disk/by-label");

// "\x20" and the like in udev's link names, and "\040" in mountinfo, back to their characters.
std::string DecodeEscapes(std::string_view text);

// A directory of ours that stands for a mounted disc that cannot hold the label files itself: a link to each
// of the disc's top-level entries, and the label file. Made afresh under `links_root` at every start, named
// by the disc's path. Nothing when it cannot be made.
std::optional<std::filesystem::path> MakeLabelledLinkDir(const std::filesystem::path& links_root,
                                                         const std::filesystem::path& disc_dir,
                                                         std::string_view label);

} // namespace tavox
