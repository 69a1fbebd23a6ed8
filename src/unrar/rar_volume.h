#pragma once

#include "base/result.h"
#include "unrar/entry_name.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavox::unrar {

enum class RarFormat { Rar4, Rar5 };

enum class EntryKind { File, Directory, Link };

// A stretch of packed bytes in one volume file.
struct DataRange {
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// A comment as the archive stores it, packed or not.
struct StoredComment {
    std::string packed;
    std::uint64_t unp_size = 0;
    unsigned unp_ver = 0;
    bool stored = true;
    // RAR 1.5-2.x keep the low 16 bits of the CRC only; RAR 5 comments may carry none.
    std::optional<std::uint32_t> crc;
    bool crc16 = false;
    // The RAR 1.5-4 header that packs it as a file, for the decoder (empty for RAR 5).
    std::string decoder_header;
};

struct RarEntry {
    StoredName name;
    EntryKind kind = EntryKind::File;
    unsigned host_os = 0; // as RAR 1.5-4 numbers hosts: 0 MS-DOS, 2 Win32, 3 Unix ...
    unsigned attributes = 0;
    unsigned dos_time = 0;
    std::int64_t unix_time = 0; // the same moment for the host (seconds since 1970, UTC)
    unsigned unp_ver = 0;
    unsigned method = 0x30; // 0x30 stored ... 0x35 best
    std::uint64_t pack_size = 0;
    std::uint64_t unp_size = 0;
    std::optional<std::uint32_t> crc;
    bool encrypted = false;
    bool solid = false;
    bool split_before = false;
    bool split_after = false;
    // RAR 5 compression information is not a RAR 1.5-4 version: the decoder version field (0 is known).
    unsigned rar5_version = 0;
    DataRange data; // clipped to the file: a truncated archive holds less than pack_size
    // RAR 1.5-4: the header without an old-style comment, ready for the decoder's stream.
    std::string decoder_header;
    std::optional<StoredComment> comment;
};

struct RarVolume {
    RarFormat format = RarFormat::Rar4;
    std::string path;
    std::uint64_t size = 0;
    std::uint64_t marker_offset = 0; // where the archive starts (after a self-extractor)
    bool is_volume = false;
    bool solid = false;
    bool new_numbering = false;     // names like name.part2.rar
    bool headers_encrypted = false; // nothing after the main header can be read without decryption
    std::optional<StoredComment> comment;
    std::vector<RarEntry> entries;
    bool damaged = false;      // a header failed its check or ran past the end; entries stop before it
    bool more_volumes = false; // the set goes on in another volume
};

// Reads every block header of one volume file. Fails Damaged when the file holds no RAR archive or its
// headers cannot be read, with the cause of the open (NotFound, Denied, Io) when it cannot be opened.
Result<RarVolume> ReadVolume(const std::string& path);

// A RAR 1.5-4 block header's check value: the low 16 bits of the CRC of its bytes after the check field.
void SealRar4Header(std::string& header);

} // namespace tavox::unrar
