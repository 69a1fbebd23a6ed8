#include "base/crc32.h"
#include "unrar/dos_time.h"
#include "unrar/rar_volume_internal.h"

namespace tavox::unrar {

namespace {

constexpr unsigned kMainHeader = 1;
constexpr unsigned kFileHeader = 2;
constexpr unsigned kServiceHeader = 3;
constexpr unsigned kEncryptionHeader = 4;
constexpr unsigned kEndOfArchive = 5;

constexpr std::uint64_t kHasExtra = 0x0001;
constexpr std::uint64_t kHasData = 0x0002;
constexpr std::uint64_t kSplitBefore = 0x0008;
constexpr std::uint64_t kSplitAfter = 0x0010;

constexpr std::uint64_t kArchiveVolume = 0x0001;
constexpr std::uint64_t kArchiveVolumeNumber = 0x0002;
constexpr std::uint64_t kArchiveSolid = 0x0004;

constexpr std::uint64_t kFileDirectory = 0x0001;
constexpr std::uint64_t kFileUnixTime = 0x0002;
constexpr std::uint64_t kFileCrc = 0x0004;

constexpr std::uint64_t kExtraEncryption = 0x01;
constexpr std::uint64_t kExtraTime = 0x03;
constexpr std::uint64_t kExtraRedirection = 0x05;

constexpr std::uint64_t kTimeUnix = 0x0001;
constexpr std::uint64_t kTimeModified = 0x0002;

constexpr std::uint64_t kEndMoreVolumes = 0x0001;

// The format allows headers of up to 2 MB.
constexpr std::uint64_t kMaxHeaderSize = 2 * 1024 * 1024;

// RAR 5 numbers hosts 0 Windows, 1 Unix; the interface keeps RAR 1.5-4's numbers.
constexpr unsigned kHostWin32 = 2;
constexpr unsigned kHostUnix = 3;

// Seconds between 1601 (Windows file times) and 1970.
constexpr std::int64_t kFileTimeEpochSeconds = 11644473600;

void ReadExtraArea(std::string_view extra, RarEntry& entry) {
    FieldReader r(extra);
    while (r.Ok() && r.Pos() < extra.size()) {
        const std::uint64_t size = r.Vint();
        const std::string_view record = r.Bytes(size);
        if (!r.Ok()) {
            break;
        }
        FieldReader field(record);
        const std::uint64_t type = field.Vint();
        if (type == kExtraEncryption) {
            entry.encrypted = true;
        } else if (type == kExtraRedirection) {
            entry.kind = EntryKind::Link;
        } else if (type == kExtraTime) {
            const std::uint64_t flags = field.Vint();
            if (flags & kTimeModified) {
                const std::int64_t time =
                    (flags & kTimeUnix)
                        ? static_cast<std::int64_t>(field.Fixed(4))
                        : static_cast<std::int64_t>(field.Fixed(8) / 10000000) - kFileTimeEpochSeconds;
                if (field.Ok()) {
                    entry.unix_time = time;
                }
            }
        }
    }
}

// A file or service header's fields after the common ones.
std::optional<RarEntry> ReadFileFields(FieldReader& r, std::string_view extra) {
    RarEntry e;
    const std::uint64_t file_flags = r.Vint();
    e.unp_size = r.Vint();
    e.attributes = static_cast<unsigned>(r.Vint());
    if (file_flags & kFileUnixTime) {
        e.unix_time = static_cast<std::int64_t>(r.Fixed(4));
    }
    if (file_flags & kFileCrc) {
        e.crc = static_cast<std::uint32_t>(r.Fixed(4));
    }
    const std::uint64_t compression = r.Vint();
    const std::uint64_t host = r.Vint();
    const std::uint64_t name_size = r.Vint();
    const std::string_view name = r.Bytes(name_size);
    if (!r.Ok()) {
        return std::nullopt;
    }
    e.rar5_version = static_cast<unsigned>(compression & 0x3F);
    e.solid = (compression & 0x40) != 0;
    e.method = 0x30 + static_cast<unsigned>((compression >> 7) & 7);
    e.unp_ver = 50;
    e.host_os = host == 0 ? kHostWin32 : kHostUnix;
    e.name.bytes = std::string(name);
    e.name.utf8 = e.name.bytes;
    e.kind = (file_flags & kFileDirectory) ? EntryKind::Directory : EntryKind::File;
    ReadExtraArea(extra, e);
    e.dos_time = UnixTimeToDos(e.unix_time);
    return e;
}

} // namespace

bool ReadRar5Blocks(const PositionalFile& file, RarVolume& volume) {
    std::uint64_t pos = volume.marker_offset + 8;
    bool main_seen = false;
    while (pos < file.Size()) {
        // The check value, then the header's size as a variable-length integer of at most three bytes.
        std::string start;
        if (!file.ReadUpTo(pos, 7, start) || start.size() < 5) {
            volume.damaged = true;
            break;
        }
        FieldReader size_reader(start, 4);
        const std::uint64_t head_size = size_reader.Vint();
        const std::size_t size_bytes = size_reader.Pos() - 4;
        if (!size_reader.Ok() || head_size == 0 || head_size > kMaxHeaderSize) {
            volume.damaged = true;
            break;
        }
        std::string header;
        if (!file.ReadUpTo(pos + 4, size_bytes + head_size, header) ||
            header.size() != size_bytes + head_size || Crc32(header) != FieldReader(start).Fixed(4)) {
            volume.damaged = true;
            break;
        }
        FieldReader r(header, size_bytes);
        const std::uint64_t type = r.Vint();
        const std::uint64_t flags = r.Vint();
        const std::uint64_t extra_size = (flags & kHasExtra) ? r.Vint() : 0;
        const std::uint64_t data_size = (flags & kHasData) ? r.Vint() : 0;
        if (!r.Ok() || extra_size > head_size) {
            volume.damaged = true;
            break;
        }
        const std::string_view extra = std::string_view(header).substr(header.size() - extra_size);
        const std::uint64_t data_offset = pos + 4 + header.size();
        const std::uint64_t next = data_offset + data_size;
        if (!main_seen) {
            if (type == kEncryptionHeader) {
                volume.headers_encrypted = true;
                return true;
            }
            if (type != kMainHeader) {
                return false;
            }
            main_seen = true;
            const std::uint64_t archive_flags = r.Vint();
            volume.is_volume = (archive_flags & kArchiveVolume) != 0;
            volume.new_numbering = volume.is_volume;
            volume.solid = (archive_flags & kArchiveSolid) != 0;
            if (archive_flags & kArchiveVolumeNumber) {
                r.Vint();
            }
        } else if (type == kFileHeader || type == kServiceHeader) {
            std::optional<RarEntry> entry = ReadFileFields(r, extra);
            if (!entry) {
                volume.damaged = true;
                break;
            }
            entry->pack_size = data_size;
            entry->split_before = (flags & kSplitBefore) != 0;
            entry->split_after = (flags & kSplitAfter) != 0;
            const std::uint64_t available = data_offset < file.Size() ? file.Size() - data_offset : 0;
            entry->data = {volume.path, data_offset, std::min(data_size, available)};
            if (type == kFileHeader) {
                volume.entries.push_back(std::move(*entry));
            } else if (entry->name.bytes == "CMT" && volume.entries.empty() && !entry->encrypted &&
                       data_size <= 0x10000 && entry->unp_size <= 0x10000) {
                StoredComment comment;
                if (file.ReadUpTo(data_offset, static_cast<std::size_t>(data_size), comment.packed) &&
                    comment.packed.size() == data_size) {
                    comment.unp_size = entry->unp_size;
                    comment.stored = entry->method == 0x30;
                    comment.crc = entry->crc;
                    volume.comment = std::move(comment);
                }
            }
        } else if (type == kEncryptionHeader) {
            volume.headers_encrypted = true;
            return true;
        } else if (type == kEndOfArchive) {
            volume.more_volumes = (r.Vint() & kEndMoreVolumes) != 0;
            return true;
        }
        pos = next;
    }
    if (!main_seen) {
        return false;
    }
    volume.more_volumes = !volume.entries.empty() && volume.entries.back().split_after;
    return true;
}

} // namespace tavox::unrar
