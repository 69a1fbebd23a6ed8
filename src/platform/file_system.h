#pragma once

#include "base/result.h"
#include "platform/drive_map.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// File attribute bits as Windows numbers them.
namespace FileAttribute {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
} // namespace FileAttribute

struct FindEntry {
    std::string name; // in the machine's code page
    std::uint32_t attributes = 0;
    std::uint64_t size_bytes = 0;
    bool is_link = false; // a symbolic link; the attributes are its target's

    bool IsDirectory() const { return (attributes & FileAttribute::Directory) != 0; }
};

// The file operations of the menu, in Windows terms, on the drives of a drive map. Read-only is the host's
// write bit; hidden, system and archive are kept where Wine keeps them (the user.DOSATTRIB extended
// attribute), and are lost silently on a file system without extended attributes. A path outside every drive
// does not exist, and nothing is ever written or deleted there. Deleting a symbolic link removes the link,
// never what it points to.
class FileSystem {
public:
    explicit FileSystem(const DriveMap& drives) : drives_(&drives) {}

    const DriveMap& Drives() const { return *drives_; }
    std::optional<std::filesystem::path> HostPath(std::string_view windows_path) const {
        return drives_->ToHostPath(windows_path);
    }

    // Regular files only (or links to them), as a file-age test on Windows sees them.
    bool FileExists(std::string_view path) const;
    bool DirectoryExists(std::string_view path) const;
    std::optional<std::uint64_t> FileSize(std::string_view path) const;

    std::optional<std::uint32_t> GetAttributes(std::string_view path) const;
    // The changes below fail with the cause; NotFound for a path on no drive or a missing parent.
    Status SetAttributes(std::string_view path, std::uint32_t attributes);

    // The parent must exist; fails (Exists) when something of the name exists.
    Status CreateDirectory(std::string_view path);
    // Only an empty directory; a link to a directory is removed as the link.
    Status RemoveDirectory(std::string_view path);
    // Fails on a read-only file (Denied), as on Windows.
    Status DeleteFile(std::string_view path);
    // Copies content and attributes; with fail_if_exists an existing target is an error, otherwise it is
    // replaced unless it is read-only.
    Status CopyFile(std::string_view from, std::string_view to, bool fail_if_exists);
    // Copies the bytes only, as a program that reads one file and writes another does: the new file has
    // default attributes and replaces an existing one unless that is read-only.
    Status CopyContent(std::string_view from, std::string_view to);

    // Creates or replaces a file with the bytes given. WindowsErrorCode gives the failure's Windows code.
    Status WriteFile(std::string_view path, std::string_view bytes);

    // The entries of a directory that match a pattern such as "C:\GAMES\*.*" or "D:\DEMOS\X\*.EXE", in name
    // order, without "." and "..".
    std::vector<FindEntry> FindFiles(std::string_view pattern) const;

private:
    const DriveMap* drives_;
};

// The Windows error code of a failed write: 3 path not found, 5 access denied, 112 disk full.
int WindowsErrorCode(const Failure& failure);

} // namespace tavox
