#include "base/crc32.h"
#include "base/little_endian.h"
#include "unrar/dos_time.h"
#include "unrar/rar_volume_internal.h"

namespace tavox::unrar {

namespace {

constexpr unsigned kMainHeader = 0x73;
constexpr unsigned kFileHeader = 0x74;
constexpr unsigned kOldComment = 0x75;
constexpr unsigned kSubblock = 0x7A;
constexpr unsigned kEndOfArchive = 0x7B;

constexpr unsigned kMainVolume = 0x0001;
constexpr unsigned kMainComment = 0x0002;
constexpr unsigned kMainSolid = 0x0008;
constexpr unsigned kMainNewNumbering = 0x0010;
constexpr unsigned kMainPassword = 0x0080;

constexpr unsigned kFileSplitBefore = 0x01;
constexpr unsigned kFileSplitAfter = 0x02;
constexpr unsigned kFilePassword = 0x04;
constexpr unsigned kFileComment = 0x08;
constexpr unsigned kFileSolid = 0x10;
constexpr unsigned kFileDirectory = 0xE0;
constexpr unsigned kFileLarge = 0x100;
constexpr unsigned kFileUnicode = 0x200;
constexpr unsigned kLongBlock = 0x8000;

constexpr unsigned kEndNextVolume = 0x0001;

constexpr std::size_t kBaseHeaderSize = 7;
constexpr std::size_t kMainHeaderSize = 13;
constexpr std::size_t kOldCommentSize = 13;
constexpr std::size_t kFileHeaderSize = 32;

constexpr unsigned kHostMsDos = 0;
constexpr unsigned kHostOs2 = 1;
constexpr unsigned kHostWin32 = 2;
constexpr unsigned kHostUnix = 3;

bool CheckCrc(std::string_view header, std::size_t end) {
    const unsigned stored = ReadLe16(header, 0);
    return (Crc32(header.substr(2, end - 2)) & 0xFFFF) == stored;
}

// An old-style comment block that RAR 1.5-2.x put inside the main header or a file header, at `at`.
std::optional<StoredComment> ReadOldComment(std::string_view header, std::size_t at) {
    FieldReader r(header, at);
    r.Fixed(2);
    const auto type = r.Fixed(1);
    r.Fixed(2);
    const auto size = r.Fixed(2);
    const auto unp_size = r.Fixed(2);
    const auto unp_ver = r.Fixed(1);
    const auto method = r.Fixed(1);
    const auto crc = r.Fixed(2);
    if (!r.Ok() || type != kOldComment || size < kOldCommentSize || size > header.size() - at) {
        return std::nullopt;
    }
    StoredComment comment;
    comment.packed = std::string(header.substr(at + kOldCommentSize, size - kOldCommentSize));
    comment.unp_size = unp_size;
    comment.unp_ver = static_cast<unsigned>(unp_ver);
    comment.stored = method == 0x30;
    comment.crc = static_cast<std::uint32_t>(crc);
    comment.crc16 = true;
    // The decoder reads packed comments as a file of their own.
    std::string file(kFileHeaderSize, '\0');
    file += "CMT";
    WriteLe(file, 2, kFileHeader, 1);
    WriteLe(file, 3, kLongBlock, 2);
    WriteLe(file, 5, file.size(), 2);
    WriteLe(file, 7, comment.packed.size(), 4);
    WriteLe(file, 11, unp_size, 4);
    WriteLe(file, 24, unp_ver, 1);
    WriteLe(file, 25, method, 1);
    WriteLe(file, 26, 3, 2);
    WriteLe(file, 28, 0x20, 4);
    SealRar4Header(file);
    comment.decoder_header = std::move(file);
    return comment;
}

struct FileHeader {
    RarEntry entry;
    bool crc_ok = false;
};

bool IsDirectory(unsigned flags, unsigned host_os, unsigned attributes) {
    if ((flags & kFileDirectory) == kFileDirectory) {
        return true;
    }
    if (host_os == kHostMsDos || host_os == kHostOs2 || host_os == kHostWin32) {
        return (attributes & 0x10) != 0;
    }
    return host_os == kHostUnix && (attributes & 0xF000) == 0x4000;
}

// A file header (0x74) or a sub-block (0x7A), which share their layout.
std::optional<FileHeader> ReadFileHeader(std::string_view header, unsigned flags) {
    FieldReader r(header, kBaseHeaderSize);
    std::uint64_t pack_size = r.Fixed(4);
    std::uint64_t unp_size = r.Fixed(4);
    FileHeader out;
    RarEntry& e = out.entry;
    e.host_os = static_cast<unsigned>(r.Fixed(1));
    e.crc = static_cast<std::uint32_t>(r.Fixed(4));
    e.dos_time = static_cast<unsigned>(r.Fixed(4));
    e.unp_ver = static_cast<unsigned>(r.Fixed(1));
    e.method = static_cast<unsigned>(r.Fixed(1));
    const auto name_size = r.Fixed(2);
    e.attributes = static_cast<unsigned>(r.Fixed(4));
    if (flags & kFileLarge) {
        pack_size |= r.Fixed(4) << 32;
        unp_size |= r.Fixed(4) << 32;
    }
    const std::string_view name = r.Bytes(name_size);
    if (!r.Ok()) {
        return std::nullopt;
    }
    e.name = ReadRar4Name(name, (flags & kFileUnicode) != 0);
    e.pack_size = pack_size;
    e.unp_size = unp_size;
    e.unix_time = DosTimeToUnix(e.dos_time);
    e.encrypted = (flags & kFilePassword) != 0;
    e.solid = (flags & kFileSolid) != 0;
    e.split_before = (flags & kFileSplitBefore) != 0;
    e.split_after = (flags & kFileSplitAfter) != 0;
    e.kind = IsDirectory(flags, e.host_os, e.attributes)                   ? EntryKind::Directory
             : e.host_os == kHostUnix && (e.attributes & 0xF000) == 0xA000 ? EntryKind::Link
                                                                           : EntryKind::File;
    // RAR 1.5-2.x kept a file's comment inside its header, outside the header's check value.
    const std::size_t comment_at = r.Pos();
    std::optional<StoredComment> comment;
    if ((flags & kFileComment) && (comment = ReadOldComment(header, comment_at))) {
        e.comment = std::move(comment);
        out.crc_ok = CheckCrc(header, comment_at) || CheckCrc(header, header.size());
        e.decoder_header = std::string(header.substr(0, comment_at));
        const unsigned clean_flags = flags & ~kFileComment;
        WriteLe(e.decoder_header, 3, clean_flags, 2);
        WriteLe(e.decoder_header, 5, comment_at, 2);
        SealRar4Header(e.decoder_header);
    } else {
        out.crc_ok = CheckCrc(header, header.size());
        e.decoder_header = std::string(header);
    }
    return out;
}

// A RAR 3 style comment: a sub-block named "CMT" whose data is the comment, packed like a file.
std::optional<StoredComment> ReadCommentSubblock(const PositionalFile& file, std::string_view header,
                                                 const RarEntry& block, std::uint64_t data_offset) {
    if (block.name.bytes != "CMT" || block.encrypted || block.pack_size > 0x10000 ||
        block.unp_size > 0x10000) {
        return std::nullopt;
    }
    StoredComment comment;
    if (!file.ReadUpTo(data_offset, static_cast<std::size_t>(block.pack_size), comment.packed) ||
        comment.packed.size() != block.pack_size) {
        return std::nullopt;
    }
    comment.unp_size = block.unp_size;
    comment.unp_ver = block.unp_ver;
    comment.stored = block.method == 0x30;
    comment.crc = block.crc;
    comment.decoder_header = std::string(header);
    comment.decoder_header[2] = static_cast<char>(kFileHeader);
    SealRar4Header(comment.decoder_header);
    return comment;
}

} // namespace

bool ReadRar4Blocks(const PositionalFile& file, RarVolume& volume) {
    std::uint64_t pos = volume.marker_offset + 7;
    bool main_seen = false;
    while (pos + kBaseHeaderSize <= file.Size()) {
        std::string base(kBaseHeaderSize, '\0');
        if (!file.ReadAt(pos, base.data(), base.size())) {
            break;
        }
        FieldReader r(base, 2);
        const auto type = static_cast<unsigned>(r.Fixed(1));
        const auto flags = static_cast<unsigned>(r.Fixed(2));
        const auto head_size = static_cast<std::size_t>(r.Fixed(2));
        std::string header;
        if (head_size < kBaseHeaderSize ||
            !file.ReadAt(pos, (header.resize(head_size), header.data()), head_size)) {
            volume.damaged = true;
            break;
        }
        const std::uint64_t add_size =
            (flags & kLongBlock) && head_size >= 11 ? FieldReader(header, kBaseHeaderSize).Fixed(4) : 0;
        if (!main_seen) {
            if (type != kMainHeader || head_size < kMainHeaderSize) {
                return false;
            }
            main_seen = true;
            volume.is_volume = (flags & kMainVolume) != 0;
            volume.solid = (flags & kMainSolid) != 0;
            volume.new_numbering = (flags & kMainNewNumbering) != 0;
            std::optional<StoredComment> comment;
            if ((flags & kMainComment) && head_size > kMainHeaderSize &&
                (comment = ReadOldComment(header, kMainHeaderSize))) {
                volume.comment = std::move(comment);
            }
            // Old-style comments sit outside the main header's check value.
            if (!CheckCrc(header, kMainHeaderSize) && !CheckCrc(header, head_size)) {
                volume.damaged = true;
                break;
            }
            if (flags & kMainPassword) {
                volume.headers_encrypted = true;
                break;
            }
            pos += head_size;
            continue;
        }
        if (type == kFileHeader || type == kSubblock) {
            std::optional<FileHeader> read = ReadFileHeader(header, flags);
            if (!read || !read->crc_ok) {
                volume.damaged = true;
                break;
            }
            RarEntry& entry = read->entry;
            const std::uint64_t data_offset = pos + head_size;
            const std::uint64_t next = data_offset + entry.pack_size;
            if (type == kFileHeader) {
                const std::uint64_t available = data_offset < file.Size() ? file.Size() - data_offset : 0;
                entry.data = {volume.path, data_offset, std::min(entry.pack_size, available)};
                volume.entries.push_back(std::move(entry));
            } else if (auto comment = ReadCommentSubblock(file, header, entry, data_offset)) {
                // Right after the main header it is the archive's comment, after a file that file's.
                if (volume.entries.empty()) {
                    volume.comment = std::move(comment);
                } else {
                    volume.entries.back().comment = std::move(comment);
                }
            }
            pos = next;
            continue;
        }
        if (type == kEndOfArchive) {
            volume.more_volumes = (flags & kEndNextVolume) != 0;
            return true;
        }
        pos += head_size + add_size;
    }
    if (!main_seen) {
        return false;
    }
    // A few bytes too short for a block header: the archive was cut inside one, not after its last file.
    if (pos < file.Size()) {
        volume.damaged = true;
    }
    // Without an end block, a file continued elsewhere is what says that the set goes on.
    volume.more_volumes = !volume.entries.empty() && volume.entries.back().split_after;
    return true;
}

} // namespace tavox::unrar
