// RAR 5 blocks: a CRC-32 of everything after it, the header size, then type, flags and fields, mostly as
// variable-length integers; an optional extra area of records and a data area follow.

#include "rar-writer/block_bytes.h"

namespace tavox::rar_writer {

namespace {

constexpr std::string_view kSignature{"Rar!\x1A\x07\x01\x00", 8};

constexpr std::uint64_t kMainHead = 1;
constexpr std::uint64_t kFileHead = 2;
constexpr std::uint64_t kServiceHead = 3;
constexpr std::uint64_t kEndHead = 5;

constexpr std::uint64_t kHasExtra = 0x0001;
constexpr std::uint64_t kHasData = 0x0002;

constexpr std::uint64_t kFileIsDirectory = 0x0001;
constexpr std::uint64_t kFileHasTime = 0x0002;
constexpr std::uint64_t kFileHasCrc = 0x0004;

constexpr std::uint64_t kHostWindows = 0;
constexpr std::uint64_t kHostUnix = 1;

constexpr std::uint64_t kDosArchive = 0x20;
constexpr std::uint64_t kDosDirectory = 0x10;
constexpr std::uint64_t kUnixSymlink = 0120777;

constexpr std::uint64_t kEncryptionRecord = 0x01;
constexpr std::uint64_t kRedirectionRecord = 0x05;
constexpr std::uint64_t kUnixSymlinkRedirection = 0x0001;

// `fields` runs from the header type on; the size and the CRC are put before it.
std::string Block(std::string_view fields, bool corrupt) {
    ByteWriter sized;
    sized.Vint(fields.size());
    sized.Bytes(fields);
    ByteWriter block;
    block.U32(Crc32(sized.Data()) ^ (corrupt ? 0xFFFFFFFFu : 0u));
    block.Bytes(sized.Data());
    return block.Data();
}

std::string Record(std::uint64_t type, std::string_view body) {
    ByteWriter record_body;
    record_body.Vint(type);
    record_body.Bytes(body);
    ByteWriter record;
    record.Vint(record_body.Size());
    record.Bytes(record_body.Data());
    return record.Data();
}

std::string EncryptionRecord() {
    ByteWriter body;
    body.Vint(0);                        // AES-256
    body.Vint(0);                        // no password check value
    body.U8(15);                         // log2 of the key derivation rounds
    body.Bytes(std::string(16, '\x5A')); // salt
    body.Bytes(std::string(16, '\xA5')); // initialisation vector
    return Record(kEncryptionRecord, body.Data());
}

std::string RedirectionRecord(std::string_view target) {
    ByteWriter body;
    body.Vint(kUnixSymlinkRedirection);
    body.Vint(0);
    body.Vint(target.size());
    body.Bytes(target);
    return Record(kRedirectionRecord, body.Data());
}

struct FileFields {
    std::uint64_t type = kFileHead;
    std::string name;
    std::string_view data;
    std::uint64_t file_flags = 0;
    std::uint64_t attributes = kDosArchive;
    std::uint64_t host_os = kHostWindows;
    std::uint32_t mtime = 0;
    std::uint32_t crc = 0;
    std::string extra;
    bool corrupt_header = false;
};

// File and service headers share one layout.
std::string FileBlock(const FileFields& file) {
    ByteWriter fields;
    fields.Vint(file.type);
    // Readers expect a data size in every file header, even one of 0.
    fields.Vint((file.extra.empty() ? 0 : kHasExtra) | kHasData);
    if (!file.extra.empty()) {
        fields.Vint(file.extra.size());
    }
    fields.Vint(file.data.size());
    fields.Vint(file.file_flags);
    fields.Vint(file.data.size()); // unpacked size: stored
    fields.Vint(file.attributes);
    if (file.file_flags & kFileHasTime) {
        fields.U32(file.mtime);
    }
    if (file.file_flags & kFileHasCrc) {
        fields.U32(file.crc);
    }
    fields.Vint(0); // compression: version 0, method store
    fields.Vint(file.host_os);
    fields.Vint(file.name.size());
    fields.Bytes(file.name);
    fields.Bytes(file.extra);
    std::string bytes = Block(fields.Data(), file.corrupt_header);
    bytes += file.data;
    return bytes;
}

FileFields EntryFields(const Entry& entry) {
    FileFields file;
    file.name = StoredName(entry, '/');
    file.file_flags = kFileHasTime;
    file.mtime = static_cast<std::uint32_t>(entry.mtime_unix);
    file.corrupt_header = entry.bad_header_crc;
    switch (entry.kind) {
    case EntryKind::Directory:
        file.file_flags |= kFileIsDirectory;
        file.attributes = kDosDirectory;
        break;
    case EntryKind::Symlink:
        // The link's target is in the redirection record; the entry itself holds no data.
        file.host_os = kHostUnix;
        file.attributes = kUnixSymlink;
        file.extra = RedirectionRecord(entry.data);
        break;
    case EntryKind::File:
        file.data = entry.data;
        file.file_flags |= kFileHasCrc;
        file.crc = Crc32(entry.data) ^ (entry.bad_crc ? 0xFFFFFFFFu : 0u);
        break;
    }
    if (entry.encrypted) {
        file.extra += EncryptionRecord();
    }
    return file;
}

std::string SimpleBlock(std::uint64_t type) {
    ByteWriter fields;
    fields.Vint(type);
    fields.Vint(0); // header flags
    fields.Vint(0); // archive or end-of-archive flags
    return Block(fields.Data(), false);
}

} // namespace

std::string WriteRar5(const Archive& archive) {
    std::string bytes(kSignature);
    bytes += SimpleBlock(kMainHead);
    if (!archive.comment.empty()) {
        FileFields comment;
        comment.type = kServiceHead;
        comment.name = "CMT";
        comment.data = archive.comment;
        comment.file_flags = kFileHasCrc;
        comment.attributes = 0;
        comment.crc = Crc32(archive.comment);
        bytes += FileBlock(comment);
    }
    for (const Entry& entry : archive.entries) {
        bytes += FileBlock(EntryFields(entry));
    }
    bytes += SimpleBlock(kEndHead);
    return bytes;
}

} // namespace tavox::rar_writer
