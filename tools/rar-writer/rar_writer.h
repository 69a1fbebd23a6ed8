#pragma once

// Writes RAR archives for test fixtures: RAR 4 (the 1.5-4 block format) and RAR 5, every file stored, with
// directories, symbolic links, old-style comments and, on request, the faults and hostile names that the
// archive reader must survive.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox::rar_writer {

enum class Format { Rar4, Rar5 };

enum class EntryKind { File, Directory, Symlink };

struct Entry {
    // Parts separated by '\'; written with the separator of the format and host OS (RAR 5 and Unix entries
    // use '/'), unless name_as_is asks for the bytes unchanged.
    std::string name;
    EntryKind kind = EntryKind::File;
    // The content of a file, or the target of a symbolic link.
    std::string data;
    bool name_as_is = false;
    // Faults: the encrypted flag (the data stays plain), a file CRC that does not match the data, a header
    // CRC that does not match the header.
    bool encrypted = false;
    bool bad_crc = false;
    bool bad_header_crc = false;
    // Seconds since 1970 (UTC); 15 June 1998, 12:00 unless set.
    std::int64_t mtime_unix = 897912000;
};

struct Archive {
    Format format = Format::Rar4;
    std::vector<Entry> entries;
    // RAR 4: an old-style comment inside the main header; RAR 5: a comment service header. Stored, not
    // packed.
    std::string comment;
    // Only this many bytes of the archive are written.
    std::optional<std::size_t> truncate_at;
};

Entry File(std::string name, std::string data);
Entry Directory(std::string name);
Entry Symlink(std::string name, std::string target);

// The CRC-32 of the archive format (the ZIP polynomial).
std::uint32_t Crc32(std::string_view bytes);

// The bytes of the archive.
std::string Write(const Archive& archive);
// Writes the archive to a host file; false when the file cannot be written.
bool WriteArchive(const std::filesystem::path& path, const Archive& archive);

} // namespace tavox::rar_writer
