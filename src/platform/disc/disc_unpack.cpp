#include "platform/disc/disc_unpack.h"

#include "platform/unique_fd.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace tavox {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;

// libarchive turns Joliet names into the current locale's character set, and has none for them in the C
// locale; this thread reads the disc under a UTF-8 locale instead, leaving the program's own alone.
class Utf8Locale {
public:
    Utf8Locale() : locale_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {
        if (locale_ != nullptr) {
            previous_ = ::uselocale(locale_);
        }
    }
    ~Utf8Locale() {
        if (locale_ != nullptr) {
            ::uselocale(previous_);
            ::freelocale(locale_);
        }
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t locale_ = nullptr;
    locale_t previous_ = nullptr;
};

// The track's user data as libarchive reads it: in chunks, with skips and seeks.
struct TrackSource {
    UserDataReader reader;
    std::uint64_t end = 0;
    std::uint64_t position = 0;
    std::vector<std::uint8_t> chunk = std::vector<std::uint8_t>(kReadChunk);
};

la_ssize_t ReadCallback(struct archive*, void* data, const void** buffer) {
    auto& source = *static_cast<TrackSource*>(data);
    const std::uint64_t left = source.end > source.position ? source.end - source.position : 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, source.chunk.size()));
    const std::size_t got = source.reader.Read(source.position, std::span(source.chunk.data(), wanted));
    source.position += got;
    *buffer = source.chunk.data();
    return static_cast<la_ssize_t>(got);
}

la_int64_t SkipCallback(struct archive*, void* data, la_int64_t request) {
    auto& source = *static_cast<TrackSource*>(data);
    const std::uint64_t left = source.end > source.position ? source.end - source.position : 0;
    const auto skipped =
        std::min<std::uint64_t>(left, static_cast<std::uint64_t>(std::max<la_int64_t>(request, 0)));
    source.position += skipped;
    return static_cast<la_int64_t>(skipped);
}

la_int64_t SeekCallback(struct archive*, void* data, la_int64_t offset, int whence) {
    auto& source = *static_cast<TrackSource*>(data);
    const la_int64_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(source.position)
                                                 : static_cast<la_int64_t>(source.end);
    if (base + offset < 0) {
        return ARCHIVE_FATAL;
    }
    source.position = std::min<std::uint64_t>(static_cast<std::uint64_t>(base + offset), source.end);
    return static_cast<la_int64_t>(source.position);
}

struct ArchiveCloser {
    void operator()(struct archive* archive) const { archive_read_free(archive); }
};

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

class Unpacker {
public:
    Unpacker(const DiscImage& image, const std::filesystem::path& target, const UnpackProgress& progress)
        : image_(image), target_(target), progress_(progress) {}

    UnpackResult Run();

private:
    UnpackResult Failed(const std::string& why) const {
        return {UnpackStatus::Failed,
                "The disc image \"" + image_.data_file.string() + "\" cannot be read: " + why};
    }
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
                                          std::uint64_t size, TrackSource& source);
    std::optional<UnpackResult> CopyLinked(const std::filesystem::path& from,
                                           const std::filesystem::path& to);

    const DiscImage& image_;
    const std::filesystem::path& target_;
    const UnpackProgress& progress_;
    std::uint64_t written_ = 0;
};

// Makes the entry's parent directories; false when a file already stands where one of them belongs.
bool MakeParents(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    return !ec;
}

std::optional<UnpackResult> Unpacker::WriteFile(struct archive* archive, const std::filesystem::path& path,
                                                std::uint64_t size, TrackSource& source) {
    if (!Claim(size)) {
        return Failed("a file claims more data than the disc holds.");
    }
    if (!MakeParents(path)) {
        return std::nullopt; // a name that clashes with a file: left out
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
            return Failed(std::string(archive_error_string(archive) ? archive_error_string(archive)
                                                                    : "the image is truncated or damaged."));
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
    if (ec || !std::filesystem::is_regular_file(status) || !MakeParents(to)) {
        return std::nullopt; // the link's target is not a file of this disc: the link becomes nothing
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
    const unrar::VolumeFile file(image_.data_file.string());
    if (!file.IsOpen()) {
        return Failed("the file cannot be opened.");
    }
    const Utf8Locale utf8;
    TrackSource source{UserDataReader(FileReader(file), image_.layout), image_.track_bytes};
    const std::unique_ptr<struct archive, ArchiveCloser> archive(archive_read_new());
    archive_read_support_format_iso9660(archive.get());
    archive_read_set_callback_data(archive.get(), &source);
    archive_read_set_read_callback(archive.get(), ReadCallback);
    archive_read_set_skip_callback(archive.get(), SkipCallback);
    archive_read_set_seek_callback(archive.get(), SeekCallback);
    if (archive_read_open1(archive.get()) != ARCHIVE_OK) {
        return Failed("it holds no ISO 9660 file system.");
    }
    struct archive_entry* entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(archive.get(), &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status < ARCHIVE_WARN) {
            const char* why = archive_error_string(archive.get());
            return Failed(why ? std::string(why) + "." : std::string("the image is truncated or damaged."));
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
            failure = WriteFile(archive.get(), path,
                                static_cast<std::uint64_t>(std::max<la_int64_t>(size, 0)), source);
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
