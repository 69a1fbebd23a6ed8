// RAR 1.5-4 blocks: each starts with a 16-bit CRC (the low half of the CRC-32 of the header from its type
// byte on), its type, 16-bit flags and 16-bit size; a file block's packed data follows its header.

#include "rar-writer/block_bytes.h"

namespace tavox::rar_writer {

namespace {

constexpr std::string_view kMarker{"Rar!\x1A\x07\x00", 7};

constexpr std::uint32_t kMainHead = 0x73;
constexpr std::uint32_t kFileHead = 0x74;
constexpr std::uint32_t kCommentHead = 0x75;
constexpr std::uint32_t kEndHead = 0x7B;

constexpr std::uint32_t kMainHasComment = 0x0002;
constexpr std::uint32_t kFileEncrypted = 0x0004;
constexpr std::uint32_t kFileDirectory = 0x00E0;
constexpr std::uint32_t kLongBlock = 0x8000; // a packed size follows the header
constexpr std::uint32_t kEndNoData = 0x4000;

constexpr std::uint32_t kHostWin32 = 2;
constexpr std::uint32_t kHostUnix = 3;
constexpr std::uint32_t kVersion15 = 15;
constexpr std::uint32_t kVersion20 = 20;
constexpr std::uint32_t kMethodStore = 0x30;

constexpr std::uint32_t kDosArchive = 0x20;
constexpr std::uint32_t kDosDirectory = 0x10;
constexpr std::uint32_t kUnixSymlink = 0120777;

constexpr std::size_t kFixedMainSize = 13;
constexpr std::size_t kFixedCommentSize = 13;

std::uint32_t Crc16(std::string_view bytes) {
    return Crc32(bytes) & 0xFFFF;
}

// Fills in the CRC of a header whose first two bytes are its place; `covered` bytes after them count, which
// is less than the whole header when a comment is embedded in it.
void SealHeader(std::string& header, std::size_t covered, bool corrupt) {
    std::uint32_t crc = Crc16(std::string_view(header).substr(2, covered));
    if (corrupt) {
        crc ^= 0x5A5A;
    }
    header[0] = static_cast<char>(crc & 0xFF);
    header[1] = static_cast<char>(crc >> 8);
}

std::string MainHeader(std::string_view whole_comment) {
    // The header size is 16 bits, so a longer comment is cut.
    const std::string_view comment = whole_comment.substr(0, 0xFFFF - kFixedMainSize - kFixedCommentSize);
    ByteWriter main;
    main.U16(0);
    main.U8(kMainHead);
    main.U16(comment.empty() ? 0 : kMainHasComment);
    main.U16(static_cast<std::uint32_t>(kFixedMainSize +
                                        (comment.empty() ? 0 : kFixedCommentSize + comment.size())));
    main.U16(0); // reserved
    main.U32(0); // reserved
    std::string bytes = main.Data();
    SealHeader(bytes, kFixedMainSize - 2, false);
    if (!comment.empty()) {
        // The old-style comment block lives inside the main header; both CRCs cover only the fixed fields.
        ByteWriter block;
        block.U16(0);
        block.U8(kCommentHead);
        block.U16(0);
        block.U16(static_cast<std::uint32_t>(kFixedCommentSize + comment.size()));
        block.U16(static_cast<std::uint32_t>(comment.size()));
        block.U8(kVersion15); // readers take a stored comment of a later version for a packed one
        block.U8(kMethodStore);
        block.U16(Crc16(comment));
        block.Bytes(comment);
        std::string comment_bytes = block.Data();
        SealHeader(comment_bytes, kFixedCommentSize - 2, false);
        bytes += comment_bytes;
    }
    return bytes;
}

std::string FileBlock(const Entry& entry) {
    const bool unix_host = entry.kind == EntryKind::Symlink;
    const std::string name = StoredName(entry, unix_host ? '/' : '\\');
    const std::string_view data = entry.kind == EntryKind::Directory ? std::string_view() : entry.data;
    std::uint32_t flags = kLongBlock;
    if (entry.kind == EntryKind::Directory) {
        flags |= kFileDirectory;
    }
    if (entry.encrypted) {
        flags |= kFileEncrypted;
    }
    std::uint32_t attributes = kDosArchive;
    if (entry.kind == EntryKind::Directory) {
        attributes = kDosDirectory;
    } else if (unix_host) {
        attributes = kUnixSymlink;
    }
    const std::uint32_t crc = Crc32(data) ^ (entry.bad_crc ? 0xFFFFFFFFu : 0u);

    ByteWriter header;
    header.U16(0);
    header.U8(kFileHead);
    header.U16(flags);
    header.U16(static_cast<std::uint32_t>(32 + name.size()));
    header.U32(static_cast<std::uint32_t>(data.size())); // packed size
    header.U32(static_cast<std::uint32_t>(data.size())); // unpacked size
    header.U8(unix_host ? kHostUnix : kHostWin32);
    header.U32(entry.kind == EntryKind::Directory ? 0 : crc);
    header.U32(DosTime(entry.mtime_unix));
    header.U8(kVersion20);
    header.U8(kMethodStore);
    header.U16(static_cast<std::uint32_t>(name.size()));
    header.U32(attributes);
    header.Bytes(name);
    std::string bytes = header.Data();
    SealHeader(bytes, bytes.size() - 2, entry.bad_header_crc);
    bytes += data;
    return bytes;
}

std::string EndBlock() {
    ByteWriter end;
    end.U16(0);
    end.U8(kEndHead);
    end.U16(kEndNoData);
    end.U16(7);
    std::string bytes = end.Data();
    SealHeader(bytes, bytes.size() - 2, false);
    return bytes;
}

} // namespace

std::string WriteRar4(const Archive& archive) {
    std::string bytes(kMarker);
    bytes += MainHeader(archive.comment);
    for (const Entry& entry : archive.entries) {
        bytes += FileBlock(entry);
    }
    bytes += EndBlock();
    return bytes;
}

} // namespace tavox::rar_writer
