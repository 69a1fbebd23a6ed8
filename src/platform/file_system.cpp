#include "platform/file_system.h"

#include "base/atomic_file.h"
#include "base/unique_fd.h"
#include "platform/windows_path.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

namespace tavox {

namespace fs = std::filesystem;

namespace {

// Wine keeps the DOS attributes of a file in this extended attribute, as "0x" and hex digits.
constexpr const char* kDosAttributeName = "user.DOSATTRIB";
constexpr std::uint32_t kKeptBits = FileAttribute::Hidden | FileAttribute::System | FileAttribute::Archive;

std::optional<std::uint32_t> ReadDosAttributes(const fs::path& path) {
    char buffer[32] = {};
    const ssize_t length = ::getxattr(path.c_str(), kDosAttributeName, buffer, sizeof buffer - 1);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string_view text(buffer, static_cast<std::size_t>(length));
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (result.ec != std::errc{}) {
        return std::nullopt;
    }
    return value;
}

void WriteDosAttributes(const fs::path& path, std::uint32_t attributes) {
    char buffer[16] = {'0', 'x'};
    const auto result = std::to_chars(buffer + 2, buffer + sizeof buffer, attributes & kKeptBits, 16);
    // A file system without extended attributes keeps only read-only; that is all Windows programs rely on.
    ::setxattr(path.c_str(), kDosAttributeName, buffer, static_cast<std::size_t>(result.ptr - buffer), 0);
}

bool IsWritable(const fs::file_status& status) {
    return (status.permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::uint32_t AttributesOf(const fs::path& path, const fs::file_status& status) {
    std::uint32_t attributes = 0;
    if (fs::is_directory(status)) {
        attributes |= FileAttribute::Directory;
    }
    if (!IsWritable(status)) {
        attributes |= FileAttribute::ReadOnly;
    }
    if (const std::optional<std::uint32_t> kept = ReadDosAttributes(path)) {
        attributes |= *kept & kKeptBits;
    } else if (!fs::is_directory(status)) {
        attributes |= FileAttribute::Archive; // a file that nobody archived yet, as Windows marks new files
    }
    return attributes == 0 ? FileAttribute::Normal : attributes;
}

// Nothing is ever written outside the drives.
Failure OnNoDrive(std::string_view path) {
    return Failure(FailureKind::NotFound, std::string(path) + " is on no drive");
}

Failure Cannot(std::string_view what, std::string_view path, int error) {
    return Failure::FromErrno(
        "cannot " + std::string(what) + " " + std::string(path) + ": " + std::strerror(error), error);
}

} // namespace

bool FileSystem::FileExists(std::string_view path) const {
    const auto entry = drives_->Locate(path);
    return entry && entry->type == fs::file_type::regular;
}

bool FileSystem::DirectoryExists(std::string_view path) const {
    const auto entry = drives_->Locate(path);
    return entry && entry->type == fs::file_type::directory;
}

std::optional<std::uint64_t> FileSystem::FileSize(std::string_view path) const {
    const auto entry = drives_->Locate(path);
    if (!entry || entry->type != fs::file_type::regular) {
        return std::nullopt;
    }
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(entry->path, ec);
    if (ec) {
        return std::nullopt;
    }
    return size;
}

std::optional<std::uint32_t> FileSystem::GetAttributes(std::string_view path) const {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return std::nullopt;
    }
    const fs::file_status status = fs::status(*host, ec);
    if (ec || !fs::exists(status)) {
        return std::nullopt;
    }
    return AttributesOf(*host, status);
}

Status FileSystem::SetAttributes(std::string_view path, std::uint32_t attributes) {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return OnNoDrive(path);
    }
    if (!fs::exists(*host, ec)) {
        return Cannot("set the attributes of", path, ec ? ec.value() : ENOENT);
    }
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write;
    if (attributes & FileAttribute::ReadOnly) {
        fs::permissions(*host, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
    } else {
        fs::permissions(*host, write, fs::perm_options::add, ec);
    }
    if (ec) {
        return Cannot("set the attributes of", path, ec.value());
    }
    WriteDosAttributes(*host, attributes);
    return {};
}

Status FileSystem::CreateDirectory(std::string_view path) {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return OnNoDrive(path);
    }
    if (fs::exists(fs::symlink_status(*host, ec))) {
        return Cannot("create", path, EEXIST);
    }
    if (!fs::is_directory(host->parent_path(), ec)) {
        return Cannot("create", path, ENOENT);
    }
    if (!fs::create_directory(*host, ec) || ec) {
        return Cannot("create", path, ec ? ec.value() : EEXIST);
    }
    return {};
}

Status FileSystem::RemoveDirectory(std::string_view path) {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return OnNoDrive(path);
    }
    const fs::file_status link = fs::symlink_status(*host, ec);
    const bool is_link = fs::is_symlink(link);
    if (!(is_link ? fs::is_directory(*host, ec) : fs::is_directory(link))) {
        return Cannot("remove", path, fs::exists(link) ? ENOTDIR : ENOENT);
    }
    if ((is_link ? ::unlink(host->c_str()) : ::rmdir(host->c_str())) != 0) {
        return Cannot("remove", path, errno);
    }
    return {};
}

Status FileSystem::DeleteFile(std::string_view path) {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return OnNoDrive(path);
    }
    const fs::file_status link = fs::symlink_status(*host, ec);
    if (ec || !fs::exists(link)) {
        return Cannot("delete", path, ENOENT);
    }
    if (fs::is_directory(link)) {
        return Cannot("delete", path, EISDIR);
    }
    if (!fs::is_symlink(link) && !IsWritable(link)) {
        return Cannot("delete", path, EACCES); // Windows refuses to delete a read-only file
    }
    if (::unlink(host->c_str()) != 0) {
        return Cannot("delete", path, errno);
    }
    return {};
}

namespace {

enum class Permissions { Kept, Fresh };

// Copies through a temporary name so that a failed copy never leaves a half-written target behind.
Status CopyThroughTemporary(std::string_view from, std::string_view to, const std::optional<fs::path>& source,
                            const std::optional<fs::path>& target, bool fail_if_exists,
                            Permissions permissions) {
    std::error_code ec;
    if (!source || !target) {
        return OnNoDrive(source ? to : from);
    }
    if (!fs::is_regular_file(*source, ec)) {
        return Cannot("copy", from, ec ? ec.value() : ENOENT);
    }
    const fs::file_status existing = fs::status(*target, ec);
    if (fs::exists(existing)) {
        if (fail_if_exists) {
            return Cannot("copy over", to, EEXIST);
        }
        if (!fs::is_regular_file(existing) || !IsWritable(existing)) {
            return Cannot("copy over", to, EACCES);
        }
    }
    fs::path temporary = *target;
    temporary += ".tavox-copy";
    fs::remove(temporary, ec);
    fs::copy_file(*source, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec && permissions == Permissions::Fresh) {
        // A file a program creates is writable whatever it was copied from (files of a CD are read-only).
        fs::permissions(temporary,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        fs::perm_options::replace, ec);
    }
    if (!ec) {
        fs::rename(temporary, *target, ec);
    }
    if (ec) {
        const int error = ec.value();
        fs::remove(temporary, ec);
        return Cannot("copy to", to, error);
    }
    return {};
}

} // namespace

Status FileSystem::CopyFile(std::string_view from, std::string_view to, bool fail_if_exists) {
    const auto source = HostPath(from);
    const auto target = HostPath(to);
    if (Status copied = CopyThroughTemporary(from, to, source, target, fail_if_exists, Permissions::Kept);
        !copied) {
        return copied;
    }
    if (const std::optional<std::uint32_t> kept = ReadDosAttributes(*source)) {
        WriteDosAttributes(*target, *kept);
    }
    return {};
}

Status FileSystem::CopyContent(std::string_view from, std::string_view to) {
    return CopyThroughTemporary(from, to, HostPath(from), HostPath(to), false, Permissions::Fresh);
}

Status FileSystem::WriteFile(std::string_view path, std::string_view bytes) {
    const auto host = HostPath(path);
    std::error_code ec;
    if (!host) {
        return OnNoDrive(path);
    }
    if (!fs::is_directory(host->parent_path(), ec)) {
        return Cannot("write", path, ENOENT);
    }
    const fs::file_status existing = fs::symlink_status(*host, ec);
    if (fs::exists(existing) && (!fs::is_regular_file(existing) || !IsWritable(existing))) {
        return Cannot("write", path, EACCES);
    }
    UniqueFd fd(::open(host->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        // Whatever stops the file from being made, Windows programs see it as access denied.
        return Failure(FailureKind::Denied, "cannot write " + std::string(path) + ": " + std::strerror(errno),
                       errno);
    }
    if (!WriteAll(fd.Get(), bytes)) {
        const int error = errno;
        return error == ENOSPC || error == EDQUOT
                   ? Cannot("write", path, error)
                   : Failure(FailureKind::Denied,
                             "cannot write " + std::string(path) + ": " + std::strerror(error), error);
    }
    if (!fd.Close()) {
        // Data the file system could not keep: as Windows reports a disk that filled up at the end.
        return Failure(FailureKind::NoSpace,
                       "cannot write " + std::string(path) + ": " + std::strerror(errno), errno);
    }
    return {};
}

int WindowsErrorCode(const Failure& failure) {
    constexpr int kPathNotFound = 3;
    constexpr int kAccessDenied = 5;
    constexpr int kDiskFull = 112;
    switch (failure.kind) {
    case FailureKind::NotFound:
        return kPathNotFound;
    case FailureKind::NoSpace:
        return kDiskFull;
    default:
        return kAccessDenied;
    }
}

std::vector<FindEntry> FileSystem::FindFiles(std::string_view pattern) const {
    std::vector<FindEntry> entries;
    const std::size_t cut = pattern.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        return entries;
    }
    const std::string_view mask = pattern.substr(cut + 1);
    std::string directory(pattern.substr(0, cut));
    if (directory.size() == 2) {
        directory += '\\'; // "C:" + "\*.*" names the root
    }
    const auto host = HostPath(directory);
    std::error_code ec;
    if (!host || !fs::is_directory(*host, ec)) {
        return entries;
    }
    const CodePage code_page = drives_->NameCodePage();
    for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = FromUtf8(it->path().filename().string(), code_page);
        if (!MatchesWildcard(name, mask.empty() ? "*" : mask)) {
            continue;
        }
        std::error_code status_error;
        const fs::file_status status = fs::status(it->path(), status_error);
        if (status_error) {
            continue; // a dangling link
        }
        FindEntry entry{std::move(name), AttributesOf(it->path(), status), 0, it->is_symlink(status_error)};
        if (fs::is_regular_file(status)) {
            entry.size_bytes = fs::file_size(it->path(), status_error);
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FindEntry& a, const FindEntry& b) { return a.name < b.name; });
    return entries;
}

} // namespace tavox
