#include "disc/disc_unpack.h"

#include "base/unique_fd.h"
#include "disc/disc_stream.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tavox {

bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

namespace {

class Unpacker {
public:
    Unpacker(const DiscImage& image, const std::filesystem::path& target, const UnpackProgress& progress)
        : image_(image), target_(target), progress_(progress) {}

    UnpackResult Run();

private:
    UnpackResult Failed(const std::string& why) const { return {UnpackStatus::Failed, stream_.Failed(why)}; }
    UnpackResult WriteFailed() const {
        if (errno == ENOSPC || errno == EDQUOT) {
            return {UnpackStatus::Failed, "The disc \"" + image_.volume.label + "\" does not fit into \"" +
                                              target_.parent_path().string() + "\"."};
        }
        return {UnpackStatus::Failed, "The disc cannot be written to \"" + target_.string() + "\"."};
    }
    // Room for what the entry is about to write; the disc cannot hold more than its own size.
    bool Claim(std::uint64_t bytes) {
        if (bytes > image_.volume.volume_bytes - std::min(written_, image_.volume.volume_bytes)) {
            return false;
        }
        written_ += bytes;
        return true;
    }
    std::optional<UnpackResult> WriteFile(struct archive* archive, const std::filesystem::path& path,
                                          std::uint64_t size);
    std::optional<UnpackResult> CopyLinked(const std::filesystem::path& from,
                                           const std::filesystem::path& to);

    const DiscImage& image_;
    DiscStream stream_{image_};
    const std::filesystem::path& target_;
    const UnpackProgress& progress_;
    std::uint64_t written_ = 0;
};

std::optional<UnpackResult> Unpacker::WriteFile(struct archive* archive, const std::filesystem::path& path,
                                                std::uint64_t size) {
    const TrackSource& source = stream_.Source();
    if (!Claim(size)) {
        return Failed("a file claims more data than the disc holds.");
    }
    if (const Status made = MakeParents(path); !made) {
        if (made.Error().kind == FailureKind::Exists) {
            return std::nullopt; // a name that clashes with a file: left out
        }
        errno = made.Error().error_number;
        return WriteFailed();
    }
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        return WriteFailed();
    }
    const void* block = nullptr;
    std::size_t block_size = 0;
    la_int64_t offset = 0;
    while (true) {
        const int status = archive_read_data_block(archive, &block, &block_size, &offset);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status < ARCHIVE_WARN) {
            return Failed(stream_.ArchiveError());
        }
        if (offset < 0 || static_cast<std::uint64_t>(offset) + block_size > size) {
            return Failed("a file holds more data than it claims.");
        }
        if (!WriteAll(file.Get(), block, block_size, static_cast<std::uint64_t>(offset))) {
            return WriteFailed();
        }
        if (!progress_(source.position, source.end)) {
            return UnpackResult{UnpackStatus::Cancelled, {}};
        }
    }
    // A file whose last blocks are holes still gets its full size.
    if (::ftruncate(file.Get(), static_cast<off_t>(size)) != 0) {
        return WriteFailed();
    }
    return std::nullopt;
}

std::optional<UnpackResult> Unpacker::CopyLinked(const std::filesystem::path& from,
                                                 const std::filesystem::path& to) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(from, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        return std::nullopt; // the link's target is not a file of this disc: the link becomes nothing
    }
    if (const Status made = MakeParents(to); !made) {
        if (made.Error().kind == FailureKind::Exists) {
            return std::nullopt; // as a file whose name clashes
        }
        errno = made.Error().error_number;
        return WriteFailed();
    }
    if (!Claim(std::filesystem::file_size(from, ec))) {
        return Failed("its links claim more data than the disc holds.");
    }
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        errno = ec.value();
        return WriteFailed();
    }
    return std::nullopt;
}

UnpackResult Unpacker::Run() {
    if (stream_.Error()) {
        return {UnpackStatus::Failed, *stream_.Error()};
    }
    struct archive* archive = stream_.Archive();
    const TrackSource& source = stream_.Source();
    struct archive_entry* entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(archive, &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status < ARCHIVE_WARN) {
            return Failed(stream_.ArchiveError());
        }
        const char* name = archive_entry_pathname_utf8(entry);
        const auto relative = SafeRelativePath(name ? name : "");
        if (!relative) {
            continue;
        }
        const std::filesystem::path path = target_ / *relative;
        std::optional<UnpackResult> failure;
        if (const char* link = archive_entry_hardlink_utf8(entry)) {
            if (const auto linked = SafeRelativePath(link)) {
                failure = CopyLinked(target_ / *linked, path);
            }
        } else if (archive_entry_filetype(entry) == AE_IFDIR) {
            std::error_code ec;
            std::filesystem::create_directories(path, ec);
        } else if (archive_entry_filetype(entry) == AE_IFREG) {
            const la_int64_t size = archive_entry_size(entry);
            failure = WriteFile(archive, path, static_cast<std::uint64_t>(std::max<la_int64_t>(size, 0)));
        }
        if (failure) {
            return *failure;
        }
        if (!progress_(source.position, source.end)) {
            return {UnpackStatus::Cancelled, {}};
        }
    }
    progress_(source.end, source.end);
    return {UnpackStatus::Done, {}};
}

} // namespace

Status MakeParents(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!ec) {
        return {};
    }
    const std::string text = "cannot make the folders of " + path.string() + ": " + ec.message();
    // A file where a folder belongs, at the folder's place or above it.
    if (ec.value() == EEXIST || ec.value() == ENOTDIR) {
        return Failure(FailureKind::Exists, text, ec.value());
    }
    return Failure::FromErrno(text, ec.value());
}

std::optional<std::filesystem::path> SafeRelativePath(std::string_view name) {
    if (name.empty() || name.front() == '/') {
        return std::nullopt;
    }
    std::filesystem::path relative;
    while (!name.empty()) {
        const std::size_t slash = name.find('/');
        const std::string_view part = name.substr(0, slash);
        if (part == "..") {
            return std::nullopt;
        }
        if (!part.empty() && part != ".") {
            relative /= std::string(part);
        }
        name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    }
    if (relative.empty()) {
        return std::nullopt;
    }
    return relative;
}

UnpackResult UnpackDisc(const DiscImage& image, const std::filesystem::path& target,
                        const UnpackProgress& progress) {
    return Unpacker(image, target, progress).Run();
}

} // namespace tavox
