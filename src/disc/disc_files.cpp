#include "disc/disc_files.h"

#include "disc/disc_stream.h"

#include <archive.h>
#include <archive_entry.h>

namespace tavox {

std::optional<std::string> ReadDiscFiles(const DiscImage& image, const WantDiscFile& want,
                                         const TakeDiscFile& take) {
    const DiscStream stream(image);
    if (stream.Error()) {
        return stream.Error();
    }
    struct archive* archive = stream.Archive();
    struct archive_entry* entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(archive, &entry);
        if (status == ARCHIVE_EOF) {
            return std::nullopt;
        }
        if (status < ARCHIVE_WARN) {
            return stream.Failed(stream.ArchiveError());
        }
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink_utf8(entry) != nullptr) {
            continue;
        }
        const char* name = archive_entry_pathname_utf8(entry);
        const auto size = static_cast<std::uint64_t>(std::max<la_int64_t>(archive_entry_size(entry), 0));
        if (name == nullptr || size > image.volume.volume_bytes || !want(name, size)) {
            continue;
        }
        std::string content(static_cast<std::size_t>(size), '\0');
        const la_ssize_t got = archive_read_data(archive, content.data(), content.size());
        if (got < 0) {
            return stream.Failed(stream.ArchiveError());
        }
        content.resize(static_cast<std::size_t>(got));
        if (!take(name, std::move(content))) {
            return std::nullopt;
        }
    }
}

} // namespace tavox
